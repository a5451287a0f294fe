// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// A user's session with the local library in the real Norplay window (Xvfb with a window
// manager), driven with xdotool: the first run picks the library folder through the folder
// dialog; the list sorts and hides ATSC 3.0; a search without matches offers to clear itself; a
// broken folder fails its playlist generation with the reason; a folder without playlists
// generates them (the popup cannot be dismissed meanwhile) and plays; picking it again offers to
// resume where it stopped, and resuming starts there; played to the end it starts over next
// time; a saved position is offered and can be declined; the details show the poster and the
// folder; the File menu brings ATSC 3.0 back. Screenshots of each step stay in the build tree.
#include "e2eharness.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QUuid>

#include <memory>

using namespace e2e;

namespace {

constexpr int ScreenWidth = 1600;
constexpr int ScreenHeight = 900;

// The library screen's layout, in scene pixels.
constexpr int HeaderHeight = 56;
constexpr int ListTop = 56 + 48;
constexpr int RowHeight = 64;

const QRgb ViewBackground = qRgb(0x1a, 0x1a, 0x1a);
const QRgb HeaderColour = qRgb(0x26, 0x26, 0x26);
const QRgb Divider = qRgb(0x22, 0x22, 0x22);
const QRgb RowLit = qRgb(0x27, 0x27, 0x27); // white at 6 % over the view's background
const QRgb PopupBorder = qRgb(0x3a, 0x3a, 0x3a);
const QRgb PopupSurface = qRgb(0x26, 0x26, 0x26);
const QRgb DialogEntry = qRgb(0xe0, 0xee, 0xf6); // the folder dialog's current entry
const QRgb DialogButtonEdge = qRgb(0xb6, 0xb6, 0xb6);
const QRgb Accent = qRgb(0xef, 0x6d, 0x5e); // the controls bar's sliders

// A push button's face on the dark views: a flat mid grey.
bool buttonFace(QRgb p)
{
    const int g = qGray(p);
    return g >= 56 && g <= 80 && qAbs(qRed(p) - qGreen(p)) < 6 && qAbs(qGreen(p) - qBlue(p)) < 6;
}

bool brightText(QRgb p)
{
    return qGray(p) > 150;
}

bool white(QRgb p)
{
    return qGray(p) > 220;
}

// The indeterminate progress bar: a long band of blue. (Text is drawn with coloured fringes, so
// single bluish pixels prove nothing.)
bool progressBarIn(const QImage &scene, const QRect &area)
{
    const auto blue = [](QRgb p) { return qBlue(p) > qRed(p) + 60 && qBlue(p) > qGreen(p) + 20; };
    return runsWhere(scene, area, blue, 100).height() >= 8;
}

struct Fixture
{
    QString folder;
    QStringList options;
    bool playlists = false;
};

} // namespace

class TestNorplayLibraryE2e : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void firstRunPicksTheFolderThroughTheDialog();
    void listIsSortedAndHidesAtsc3();
    void searchWithoutMatchesOffersToClear();
    void brokenFolderFailsGenerationWithItsReason();
    void generationRunsUndismissableThenPlays();
    void pickingThePlayingRecordingOffersToResumeThere();
    void playedToTheEndStartsOverNextTime();
    void savedPositionCanBeDeclined();
    void detailsShowPosterAndLocation();
    void fileMenuShowsAtsc3();
    void closingExitsCleanly();

private:
    QString folder(const QString &name) const { return m_library + QLatin1Char('/') + name; }
    bool alive() const { return m_norplay && m_norplay->state() == QProcess::Running; }
    QString log() const;

    // The scene (the window's client area below the menu bar) in screen coordinates.
    QRect scene() const;
    QPoint global(const QPoint &inScene) const { return scene().topLeft() + inScene; }
    // Saves a screenshot of the whole window; returns the scene part of it.
    QImage shoot(const QString &name) const;

    // Library screen probes, on a scene image.
    int rowsShown(const QImage &scene) const;
    QPoint rowPoint(int row) const { return QPoint(scene().width() * 3 / 4, rowMiddle(row)); }
    static int rowMiddle(int row) { return ListTop + row * RowHeight + RowHeight / 2; }
    bool rowLit(const QImage &scene, int row) const;
    bool rowHasDate(const QImage &scene, int row) const;
    bool backButtonShown(const QImage &scene) const;
    QRect popupFrame(const QImage &scene) const;
    QList<QRect> fullWidthButtons(const QImage &scene, const QRect &frame) const;
    static QString popupProblem(const QImage &scene, const QRect &frame, int width);

    // What the steps wait for on the screen (scene shots).
    ShotCheck popupOpen(int width) const;
    ShotCheck popupClosed() const;
    ShotCheck listShows(int rows) const;
    static QString barProblem(const QImage &scene);
    ShotCheck playing() const;

    static int savedPosition(const QString &folder);

    QTemporaryDir m_tmp;
    VirtualDisplay m_display;
    std::unique_ptr<QProcess> m_norplay;
    QString m_window;
    QString m_shotDir;
    QString m_settingsFile;
    QString m_pickFolder; // the library's parent: the library is its only entry
    QString m_library;
    int m_menuHeight = 0;
    QElapsedTimer m_sincePlayStart;
    int m_firstSaved = -1;
};

void TestNorplayLibraryE2e::initTestCase()
{
    QVERIFY(m_tmp.isValid());
    m_shotDir = QStringLiteral(E2E_SHOT_DIR);
    QVERIFY(QDir().mkpath(m_shotDir));

    // The library: short recordings of the box's layout, in folder-name order unlike their
    // sorted order; one without playlists, one with a saved position, one with a poster, one on
    // an ATSC 3.0 channel, and one whose video file was cut short (copied half-way).
    m_pickFolder = m_tmp.filePath(QStringLiteral("pick"));
    m_library = m_pickFolder + QStringLiteral("/library");
    QVERIFY(QDir().mkpath(m_library));
    const QString harbor = QStringLiteral("Harbor Lights");
    const QString channel7 = QStringLiteral("1000000000007001");
    const QList<Fixture> fixtures = {
        {QStringLiteral("a-harbor-s2e1"),
         {QStringLiteral("--name"), harbor, QStringLiteral("--title"),
          QStringLiteral("New Moorings"), QStringLiteral("--season"), QStringLiteral("2"),
          QStringLiteral("--episode"), QStringLiteral("1"), QStringLiteral("--channel-id"),
          channel7, QStringLiteral("--duration"), QStringLiteral("4"),
          QStringLiteral("--num-seconds"), QStringLiteral("2640")},
         true},
        {QStringLiteral("b-harbor-s1e2"),
         {QStringLiteral("--name"), harbor, QStringLiteral("--title"),
          QStringLiteral("Night Watch"), QStringLiteral("--season"), QStringLiteral("1"),
          QStringLiteral("--episode"), QStringLiteral("2"), QStringLiteral("--channel-id"),
          channel7, QStringLiteral("--duration"), QStringLiteral("4"),
          QStringLiteral("--num-seconds"), QStringLiteral("2640"), QStringLiteral("--position"),
          QStringLiteral("95")},
         true},
        {QStringLiteral("c-news"),
         {QStringLiteral("--name"), QStringLiteral("evening news"), QStringLiteral("--title"),
          QStringLiteral("Tuesday edition"), QStringLiteral("--channel-id"),
          QStringLiteral("1000000000004001"), QStringLiteral("--start-time"),
          QStringLiteral("2026-12-08T18:00:00Z"), QStringLiteral("--duration"),
          QStringLiteral("20"), QStringLiteral("--num-seconds"), QStringLiteral("1800")},
         false},
        {QStringLiteral("d-harbor-s1e1"),
         {QStringLiteral("--name"), harbor, QStringLiteral("--title"),
          QStringLiteral("The Fog Rolls In"), QStringLiteral("--season"), QStringLiteral("1"),
          QStringLiteral("--episode"), QStringLiteral("1"), QStringLiteral("--description"),
          QStringLiteral("A lighthouse keeper finds a message in the fog."),
          QStringLiteral("--channel-id"), channel7, QStringLiteral("--start-time"),
          QStringLiteral("2026-11-02T20:00:00Z"), QStringLiteral("--duration"), QStringLiteral("4"),
          QStringLiteral("--num-seconds"), QStringLiteral("2640"), QStringLiteral("--poster")},
         true},
        {QStringLiteral("e-mountain"),
         {QStringLiteral("--name"), QStringLiteral("Mountain Trails"),
          QStringLiteral("--channel-id"), QStringLiteral("300000000001E001"),
          QStringLiteral("--variant"), QStringLiteral("fmp4"), QStringLiteral("--duration"),
          QStringLiteral("4"), QStringLiteral("--num-seconds"), QStringLiteral("5400")},
         true},
        {QStringLiteral("f-kitchen"),
         {QStringLiteral("--name"), QStringLiteral("Kitchen Classics"), QStringLiteral("--title"),
          QStringLiteral("Bread and Butter"), QStringLiteral("--season"), QStringLiteral("3"),
          QStringLiteral("--episode"), QStringLiteral("12"), QStringLiteral("--channel-id"),
          QStringLiteral("1000000000011002"), QStringLiteral("--duration"), QStringLiteral("6"),
          QStringLiteral("--num-seconds"), QStringLiteral("1620")},
         false},
    };
    std::vector<std::unique_ptr<QProcess>> makers;
    for (const Fixture &f : fixtures) {
        auto maker = std::make_unique<QProcess>();
        maker->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        maker->setStandardOutputFile(QProcess::nullDevice());
        maker->start(QStringLiteral(MKRECORDING_EXE), f.options + QStringList{folder(f.folder)});
        makers.push_back(std::move(maker));
    }
    for (const auto &maker : makers) {
        QVERIFY(maker->waitForFinished(120000));
        QCOMPARE(maker->exitCode(), 0);
    }
    for (const Fixture &f : fixtures) {
        if (f.playlists)
            QVERIFY(!run(QStringLiteral(GENPLAYLISTS_EXE), {folder(f.folder)},
                         QProcessEnvironment::systemEnvironment())
                         .isNull());
    }
    QFile cut(folder(QStringLiteral("f-kitchen/video1.ts")));
    // Cut inside its first fragment: nothing whole is left to play (a recording cut later
    // plays the part that exists).
    QVERIFY(cut.resize(1000));

    // A fresh user: no settings yet, kept in the test's own home.
    const QString home = m_tmp.filePath(QStringLiteral("home"));
    QVERIFY(QDir().mkpath(home + QStringLiteral("/.config")));
    m_settingsFile = home + QStringLiteral("/.config/Norvale/Norplay.conf");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_tmp.path());
    QVERIFY2(m_display.start(ScreenWidth, ScreenHeight, env), "could not start the display");

    m_norplay = m_display.launch(QStringLiteral(NORPLAY_EXE), {},
                                 m_shotDir + QStringLiteral("/norplay.log"), m_tmp.path());
    QVERIFY2(m_norplay->waitForStarted(10000), "Norplay did not start");
    QVERIFY2(m_display.waitForWindow(QStringLiteral("^Norplay$"), &m_window, 20000),
             "no Norplay window appeared");
    QVERIFY(m_display.activate(m_window));

    // The menu bar's height: the scene starts at the first row of the view's dark background.
    const auto menuHeightOf = [](const QImage &shot) {
        for (int y = 0; y < 80 && y < shot.height(); ++y) {
            if (near(shot.pixel(5, y), ViewBackground, 3))
                return y;
        }
        return 0;
    };
    QImage first;
    E2E_SHOOT_UNTIL(first,
                    m_display.shoot(m_shotDir + QStringLiteral("/00-start.png"),
                                    m_display.windowGeometry(m_window)),
                    [&](const QImage &s) {
                        return menuHeightOf(s) > 10 ? QString()
                                                    : QStringLiteral("no menu bar above the scene");
                    });
    m_menuHeight = menuHeightOf(first);
}

void TestNorplayLibraryE2e::cleanupTestCase()
{
    stopProcess(m_norplay.get());
    m_display.stop();
}

QString TestNorplayLibraryE2e::log() const
{
    QFile file(m_shotDir + QStringLiteral("/norplay.log"));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

QRect TestNorplayLibraryE2e::scene() const
{
    const QRect window = m_display.windowGeometry(m_window);
    return window.adjusted(0, m_menuHeight, 0, 0);
}

QImage TestNorplayLibraryE2e::shoot(const QString &name) const
{
    const QRect window = m_display.windowGeometry(m_window);
    const QImage shot = m_display.shoot(m_shotDir + QLatin1Char('/') + name, window);
    if (shot.isNull())
        return shot;
    return shot.copy(0, m_menuHeight, shot.width(), shot.height() - m_menuHeight);
}

// Rows of the list: each ends in its divider line; below the last row the view is bare.
int TestNorplayLibraryE2e::rowsShown(const QImage &scene) const
{
    const int x = scene.width() * 3 / 4;
    int rows = 0;
    while (ListTop + rows * RowHeight + RowHeight - 1 < scene.height() &&
           near(scene.pixel(x, ListTop + rows * RowHeight + RowHeight - 1), Divider, 3))
        ++rows;
    return rows;
}

bool TestNorplayLibraryE2e::rowLit(const QImage &scene, int row) const
{
    return near(scene.pixel(scene.width() * 3 / 4, rowMiddle(row)), RowLit, 2);
}

// The date sits at the right end of a row's second line, left of the info button.
bool TestNorplayLibraryE2e::rowHasDate(const QImage &scene, int row) const
{
    const int right = scene.width() - 16 - 36 - 12;
    const QRect area(right - 110, ListTop + row * RowHeight + 32, 110, 24);
    return countWhere(scene, area, brightText) > 15;
}

// The header's "← Back to video" button, first in the band.
bool TestNorplayLibraryE2e::backButtonShown(const QImage &scene) const
{
    return !runsWhere(scene, QRect(0, 4, 200, HeaderHeight - 8), buttonFace, 20).isEmpty();
}

// The open popup's outline (empty when none is open).
QRect TestNorplayLibraryE2e::popupFrame(const QImage &scene) const
{
    return frameOf(scene, scene.rect(), PopupBorder, 3, 60);
}

// Buttons that span the popup's content width, top to bottom (the resume choices).
QList<QRect> TestNorplayLibraryE2e::fullWidthButtons(const QImage &scene, const QRect &frame) const
{
    const QRect content = frame.adjusted(24, 24, -24, -24);
    QList<QRect> bands;
    for (int y = content.top(); y <= content.bottom(); ++y) {
        const int covered = countWhere(scene, QRect(content.left(), y, content.width(), 1),
                                       [](QRgb p) { return !near(p, PopupSurface, 3); });
        if (covered < content.width() * 9 / 10)
            continue;
        if (!bands.isEmpty() && bands.last().bottom() == y - 1)
            bands.last().setBottom(y);
        else
            bands.append(QRect(content.left(), y, content.width(), 1));
    }
    return bands;
}

// Why `frame` is not a popup centred in the scene and `width` wide (outline included); empty
// when it is.
QString TestNorplayLibraryE2e::popupProblem(const QImage &scene, const QRect &frame, int width)
{
    if (frame.isEmpty())
        return QStringLiteral("no popup");
    if (qAbs(frame.width() - width) > 1)
        return QStringLiteral("popup %1 wide, not %2").arg(frame.width()).arg(width);
    if (qAbs(frame.left() - (scene.width() - width) / 2) > 1)
        return QStringLiteral("popup at x %1").arg(frame.left());
    if (qAbs(frame.center().y() - scene.height() / 2) > 2)
        return QStringLiteral("popup centred at y %1 in %2")
            .arg(frame.center().y())
            .arg(scene.height());
    return QString();
}

// The saved position of a recording folder, read the way Norplay stores it (-1: none readable).
int TestNorplayLibraryE2e::savedPosition(const QString &folder)
{
    const QString name =
        QStringLiteral("e2e-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    int position = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(folder + QStringLiteral("/sv_metadata.db"));
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec(QStringLiteral("SELECT Json FROM state WHERE ID=1")) && q.next()) {
                const QJsonObject state =
                    QJsonDocument::fromJson(q.value(0).toByteArray()).object();
                if (state.contains(QStringLiteral("position")))
                    position = state.value(QStringLiteral("position")).toInt(-1);
            }
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return position;
}

// A check that a popup `width` wide is open, centred in the scene.
ShotCheck TestNorplayLibraryE2e::popupOpen(int width) const
{
    return [this, width](const QImage &s) { return popupProblem(s, popupFrame(s), width); };
}

ShotCheck TestNorplayLibraryE2e::popupClosed() const
{
    return [this](const QImage &s) {
        return popupFrame(s).isEmpty() ? QString() : QStringLiteral("a popup is still open");
    };
}

// The library list with `rows` rows and no popup over it.
ShotCheck TestNorplayLibraryE2e::listShows(int rows) const
{
    return [this, rows](const QImage &s) {
        if (!popupFrame(s).isEmpty())
            return QStringLiteral("a popup is open");
        const int shown = rowsShown(s);
        return shown == rows ? QString() : QStringLiteral("%1 rows, not %2").arg(shown).arg(rows);
    };
}

// The controls bar along the bottom of the scene: its sliders in the accent colour.
QString TestNorplayLibraryE2e::barProblem(const QImage &scene)
{
    const QRect bar(0, scene.height() - 72, scene.width(), 72);
    return stripesOf(scene, bar, Accent).isEmpty() ? QStringLiteral("no controls bar") : QString();
}

// A playing recording: a moving, bright, many-coloured picture and no popup. (The splash before
// the first picture is dark and still.)
ShotCheck TestNorplayLibraryE2e::playing() const
{
    return allOf({pictureMoves([](const QImage &s) { return s.rect(); }), popupClosed(),
                  [](const QImage &s) {
                      if (coarseColours(s, s.rect()) < 8)
                          return QStringLiteral("the video area shows no picture");
                      const double luma = meanLuma(s, s.rect());
                      return luma > 60 ? QString()
                                       : QStringLiteral("a dark picture: luma %1").arg(luma);
                  }});
}

void TestNorplayLibraryE2e::firstRunPicksTheFolderThroughTheDialog()
{
    // No library yet: only the invitation, centred, without header or search band.
    const auto chooseButton = [](const QImage &s) {
        const QRect lowerHalf(s.width() / 2 - 150, s.height() / 2, 300, s.height() / 2 - 20);
        return runsWhere(s, lowerHalf, buttonFace, 30);
    };
    QImage start;
    E2E_SHOOT_UNTIL(start, shoot(QStringLiteral("01-no-library.png")), [&](const QImage &s) {
        const int w = s.width();
        if (!near(s.pixel(w / 2, 20), ViewBackground, 3) ||
            !near(s.pixel(w / 2, 80), ViewBackground, 3))
            return QStringLiteral("a header or search band above the invitation");
        if (chooseButton(s).isEmpty())
            return QStringLiteral("no Choose Folder button");
        if (countWhere(s, QRect(w / 2 - 250, s.height() / 2 - 60, 500, 160), brightText) <= 300)
            return QStringLiteral("no title and hint");
        return QString();
    });
    const int w = start.width();

    m_display.click(global(chooseButton(start).center()));
    const auto white = [](QRgb p) { return near(p, qRgb(0xff, 0xff, 0xff), 2); };
    QImage dialog;
    E2E_SHOOT_UNTIL(dialog, shoot(QStringLiteral("02-folder-dialog.png")), [&](const QImage &s) {
        return runsWhere(s, s.rect(), white, 200).isEmpty()
                   ? QStringLiteral("the folder dialog did not open")
                   : QString();
    });
    const QRect frame = runsWhere(dialog, dialog.rect(), white, 200);

    // Type the library's parent into the path field; its one entry is the library. (Below the
    // path field, whose focus frame has a trace of the same tint.)
    const auto entryOf = [&](const QImage &s) {
        return runsWhere(
            s, frame.adjusted(0, 80, 0, 0), [](QRgb p) { return near(p, DialogEntry, 6); }, 100);
    };
    m_display.key(QStringLiteral("ctrl+l"));
    QTest::qWait(300);
    m_display.type(m_pickFolder);
    m_display.key(QStringLiteral("Return"));
    E2E_SHOOT_UNTIL(dialog, shoot(QStringLiteral("02b-folder-dialog-typed.png")),
                    [&](const QImage &s) {
                        const QRect entry = entryOf(s);
                        if (entry.isEmpty())
                            return QStringLiteral("the typed folder shows no entry");
                        if (entry.height() >= 60)
                            return QStringLiteral("more than one entry is lit");
                        // No other entry's name below it (the start folder has several); the
                        // pointer, drawn into the shot, has some 60 dark pixels of its own.
                        const QRect below(frame.left(), entry.bottom() + 4, frame.width(),
                                          frame.bottom() - 60 - entry.bottom() - 4);
                        if (countWhere(s, below, [](QRgb p) { return qGray(p) < 100; }) > 120)
                            return QStringLiteral("more than one entry in the typed folder");
                        return QString();
                    });
    m_display.click(global(entryOf(dialog).center()));

    // Open and Cancel along the bottom: the first button edge from the left is Open, and with
    // the entry selected its text turns dark (enabled).
    const QRect strip(frame.left(), frame.bottom() - 50, frame.width(), 50);
    const auto openButton = [&](const QImage &s) {
        const QList<QRect> edges = runsListWhere(
            s, strip, [](QRgb p) { return near(p, DialogButtonEdge, 10); }, 40);
        if (edges.isEmpty())
            return QRect();
        QRect open = edges.first();
        for (const QRect &e : edges) {
            if (e.top() == open.top() && e.left() < open.left())
                open = e;
        }
        return QRect(open.left(), open.top(), open.width(), 24);
    };
    E2E_SHOOT_UNTIL(dialog, shoot(QStringLiteral("02c-folder-dialog-selected.png")),
                    [&](const QImage &s) {
                        const QRect open = openButton(s);
                        if (open.isEmpty())
                            return QStringLiteral("no dialog buttons");
                        if (countWhere(s, open, [](QRgb p) { return qGray(p) < 100; }) <= 20)
                            return QStringLiteral("Open is not enabled");
                        return QString();
                    });
    const QRect open = openButton(dialog);
    m_display.click(global(QPoint(open.center().x(), open.top() + 12)));

    // Accepted: the setting holds the folder and the library shows.
    QTRY_COMPARE_WITH_TIMEOUT(QSettings(m_settingsFile, QSettings::IniFormat)
                                  .value(QStringLiteral("libraryRoot"))
                                  .toUrl(),
                              QUrl::fromLocalFile(m_library), 10000);
    QImage shown;
    E2E_SHOOT_UNTIL(shown, shoot(QStringLiteral("02d-folder-chosen.png")), [&](const QImage &s) {
        if (!runsWhere(s, s.rect(), white, 200).isEmpty())
            return QStringLiteral("the dialog is still there");
        if (!popupFrame(s).isEmpty())
            return QStringLiteral("a popup is open");
        if (!near(s.pixel(w / 2, 5), HeaderColour, 3))
            return QStringLiteral("no header");
        return QString();
    });
}

void TestNorplayLibraryE2e::listIsSortedAndHidesAtsc3()
{
    m_display.moveTo(global(QPoint(scene().width() / 2, scene().height() - 10)));

    // Five of the six recordings: the ATSC 3.0 one is hidden by default; no row lit with the
    // pointer below them.
    QImage shot;
    E2E_SHOOT_UNTIL(shot, shoot(QStringLiteral("03-library.png")),
                    allOf({listShows(5), [this](const QImage &s) {
                               for (int row = 0; row < 5; ++row) {
                                   if (rowLit(s, row))
                                       return QStringLiteral("row %1 lit").arg(row);
                               }
                               return QString();
                           }}));
    for (int row = 0; row < 5; ++row) {
        QVERIFY2(countWhere(shot, QRect(16, ListTop + row * RowHeight + 8, 150, 24), brightText) >
                     40,
                 qPrintable(QStringLiteral("row %1 has no name").arg(row)));
    }
    // Sorted by name without regard to case, then season and episode: evening news (dated),
    // Harbor Lights S1E1 (dated), S1E2, S2E1, Kitchen Classics. Folder order would put the
    // undated S2E1 first. The rows' behaviour in the later steps pins down the rest.
    QVERIFY(rowHasDate(shot, 0));
    QVERIFY(rowHasDate(shot, 1));
    QVERIFY(!rowHasDate(shot, 2));
    QVERIFY(!rowHasDate(shot, 3));
    QVERIFY(!rowHasDate(shot, 4));
    QVERIFY(!backButtonShown(shot)); // nothing loaded
}

void TestNorplayLibraryE2e::searchWithoutMatchesOffersToClear()
{
    const int w = scene().width();
    m_display.click(global(QPoint(w / 2, 80)));
    QTest::qWait(200);
    m_display.type(QStringLiteral("no such show"));

    // No rows; the message and a "Clear search" button in the middle; the field's own clear
    // button at its right end.
    const QRect fieldClear(w - 16 - 32, 56 + 8, 32, 32);
    const auto clearButton = [](const QImage &s) {
        const int middle = ListTop + (s.height() - ListTop) / 2;
        return runsWhere(s, QRect(s.width() / 2 - 150, middle, 300, 80), buttonFace, 20);
    };
    QImage shot;
    E2E_SHOOT_UNTIL(shot, shoot(QStringLiteral("04-search-no-match.png")), [&](const QImage &s) {
        if (rowsShown(s) != 0)
            return QStringLiteral("%1 rows still shown").arg(rowsShown(s));
        const int middle = ListTop + (s.height() - ListTop) / 2;
        if (countWhere(s, QRect(w / 2 - 200, middle - 40, 400, 40), brightText) <= 100)
            return QStringLiteral("no message");
        if (clearButton(s).isEmpty())
            return QStringLiteral("no Clear search button");
        if (countWhere(s, fieldClear, white) <= 10)
            return QStringLiteral("no clear button in the field");
        return QString();
    });
    const QRect clear = clearButton(shot);

    // Esc leaves the search as it is. (Nothing on the screen shows that Esc has arrived, so this
    // step waits a fixed time; a slow machine only makes the check weaker, never wrong.)
    m_display.key(QStringLiteral("Escape"));
    QTest::qWait(400);
    const QImage kept = shoot(QStringLiteral("04b-search-after-esc.png"));
    QCOMPARE(rowsShown(kept), 0);
    QVERIFY(countWhere(kept, fieldClear, white) > 10);

    m_display.click(global(clear.center()));
    QImage cleared;
    E2E_SHOOT_UNTIL(cleared, shoot(QStringLiteral("04c-search-cleared.png")),
                    allOf({listShows(5), [&](const QImage &s) {
                               return countWhere(s, fieldClear, white) == 0
                                          ? QString()
                                          : QStringLiteral("the field's clear button is shown");
                           }}));
}

void TestNorplayLibraryE2e::brokenFolderFailsGenerationWithItsReason()
{
    // Kitchen Classics, the last row: its video file ends inside its first fragment.
    m_display.click(global(rowPoint(4)));
    QImage shot;
    E2E_SHOOT_UNTIL(
        shot, shoot(QStringLiteral("05-generation-failed.png")),
        allOf({popupOpen(420), [this](const QImage &s) {
                   const QRect frame = popupFrame(s);
                   if (progressBarIn(s, frame))
                       return QStringLiteral("still generating");
                   // "Close" at the bottom right
                   if (runsWhere(s, frame.adjusted(frame.width() / 2, frame.height() / 2, -20, -20),
                                 buttonFace, 20)
                           .isEmpty())
                       return QStringLiteral("no Close button");
                   return QString();
               }}));
    const QRect frame = popupFrame(shot);
    QVERIFY(countWhere(shot, frame.adjusted(24, 24, -24, -60), brightText) > 400);

    QVERIFY(!QFile::exists(folder(QStringLiteral("f-kitchen/master.m3u8"))));
    static const QRegularExpression failure(
        QStringLiteral("PlaylistGenerator failed for \"[^\"]*/f-kitchen\" : \"[^\"]*/f-kitchen/"
                       "video1.ts holds no whole fragment: the first ends past its 1000 bytes\""));
    QTRY_VERIFY2_WITH_TIMEOUT(failure.match(log()).hasMatch(), qPrintable(log().right(2000)), 5000);

    // The failure can be dismissed with Esc; nothing plays.
    m_display.key(QStringLiteral("Escape"));
    QImage after;
    E2E_SHOOT_UNTIL(after, shoot(QStringLiteral("05b-generation-failed-closed.png")), listShows(5));
    QVERIFY(!backButtonShown(after));
}

void TestNorplayLibraryE2e::generationRunsUndismissableThenPlays()
{
    // The first row has no playlists. While another program holds its database locked, the
    // generation waits, and its popup stays up.
    const QString news = folder(QStringLiteral("c-news"));
    QVERIFY(!QFile::exists(news + QStringLiteral("/master.m3u8")));
    const QString lockName = QStringLiteral("e2e-lock");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), lockName);
        db.setDatabaseName(news + QStringLiteral("/sv_metadata.db"));
        QVERIFY(db.open());
        QSqlQuery lock(db);
        QVERIFY2(lock.exec(QStringLiteral("BEGIN EXCLUSIVE")), qPrintable(lock.lastError().text()));
    }
    auto release = [&] {
        {
            QSqlDatabase db = QSqlDatabase::database(lockName, false);
            if (db.isOpen()) {
                QSqlQuery(db).exec(QStringLiteral("COMMIT"));
                db.close();
            }
        }
        QSqlDatabase::removeDatabase(lockName);
    };

    m_display.click(global(rowPoint(0)));
    QString problem;
    const QImage running =
        shootUntil([&] { return shoot(QStringLiteral("06-generation-running.png")); },
                   allOf({popupOpen(420),
                          [this](const QImage &s) {
                              return progressBarIn(s, popupFrame(s))
                                         ? QString()
                                         : QStringLiteral("no progress bar");
                          }}),
                   &problem);
    const QRect frame = popupFrame(running);
    // Esc does not close it while it runs. (Nothing shows that Esc has arrived: a fixed wait; a
    // slow machine only makes the check weaker, never wrong.)
    m_display.key(QStringLiteral("Escape"));
    QTest::qWait(500);
    const QImage stillRunning = shoot(QStringLiteral("06b-generation-running-after-esc.png"));
    const QRect stillFrame = popupFrame(stillRunning);
    const bool generatedEarly = QFile::exists(news + QStringLiteral("/master.m3u8"));
    release();

    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QVERIFY(!generatedEarly);
    QCOMPARE(stillFrame, frame);

    // Released, the generation finishes, the popup closes and the recording plays.
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(news + QStringLiteral("/master.m3u8")), 10000);
    m_sincePlayStart.start();
    QVERIFY(QFile::exists(news + QStringLiteral("/video.m3u8")));
    QVERIFY(QFile::exists(news + QStringLiteral("/audio1.m3u8")));
    QImage shot;
    E2E_SHOOT_UNTIL(shot, shoot(QStringLiteral("07-playing.png")), playing());
    QVERIFY(alive());

    // The bar's info button (third from the left) shows the playing recording's details: no
    // poster, so 480 wide. Esc closes them; the video plays on.
    m_display.moveTo(global(QPoint(scene().width() / 2, scene().height() / 2)));
    E2E_SHOOT_UNTIL(shot, shoot(QStringLiteral("07a-bar.png")), barProblem);
    m_display.click(global(QPoint(12 + 2 * (40 + 12) + 20, scene().height() - 36)));
    QImage details;
    E2E_SHOOT_UNTIL(details, shoot(QStringLiteral("07b-details-from-bar.png")),
                    allOf({popupOpen(480), [this](const QImage &s) {
                               const QRect f = popupFrame(s).adjusted(24, 24, -24, -24);
                               return countWhere(s, f, brightText) > 300
                                          ? QString()
                                          : QStringLiteral("no details text");
                           }}));
    m_display.key(QStringLiteral("Escape"));
    QImage closed;
    E2E_SHOOT_UNTIL(closed, shoot(QStringLiteral("07c-details-closed.png")), popupClosed());
    QVERIFY(coarseColours(closed, closed.rect()) >= 8);
    QVERIFY(!backButtonShown(closed)); // Esc went to the popup, not to the library toggle
}

void TestNorplayLibraryE2e::pickingThePlayingRecordingOffersToResumeThere()
{
    // Watch a while, then bring the library up over the video with the pointer on the row.
    // (The scene's position on the screen lies well within the list, so a hover judged from
    // screen coordinates would light another row.)
    QVERIFY2(m_sincePlayStart.isValid(), "the recording never started");
    while (m_sincePlayStart.elapsed() < 8000)
        QTest::qWait(100);
    const QPoint onRow = QPoint(scene().width() / 2, ListTop + 16);
    const auto overlay = [this](const QImage &s) {
        return backButtonShown(s) ? QString() : QStringLiteral("no library over the video");
    };
    m_display.moveTo(global(onRow));
    QTest::qWait(300);
    m_display.key(QStringLiteral("Escape"));
    QImage shot;
    E2E_SHOOT_UNTIL(shot, shoot(QStringLiteral("08-library-over-video.png")),
                    allOf({overlay, listShows(5)}));
    for (int row = 1; row < 5; ++row)
        QVERIFY2(!rowLit(shot, row), qPrintable(QStringLiteral("row %1 lit").arg(row)));

    // Picking it again saves where it is and offers to resume there.
    const int watched = int(m_sincePlayStart.elapsed() / 1000);
    m_display.click(global(onRow));
    const auto resumeOffer =
        allOf({popupOpen(420), [this](const QImage &s) {
                   const int n = int(fullWidthButtons(s, popupFrame(s)).size());
                   return n == 2 ? QString() : QStringLiteral("%1 choices").arg(n);
               }});
    QImage offer;
    E2E_SHOOT_UNTIL(offer, shoot(QStringLiteral("09-resume-offered.png")), resumeOffer);
    const int saved = savedPosition(folder(QStringLiteral("c-news")));
    QVERIFY2(saved >= 6 && saved < 12 && saved <= watched + 1,
             qPrintable(QStringLiteral("saved %1 after %2 s").arg(saved).arg(watched)));
    m_firstSaved = saved;

    // "Resume from" (the first of the two wide buttons): playback goes on from there. libvlc
    // starts a playlist at the beginning of the 6-second segment holding the start time, so
    // with 6 to 11 s saved it goes on from 0:06, well ahead of a start from the beginning.
    m_display.click(global(fullWidthButtons(offer, popupFrame(offer)).first().center()));
    QElapsedTimer sinceResume;
    sinceResume.start();
    QImage resumed;
    E2E_SHOOT_UNTIL(resumed, shoot(QStringLiteral("10-resumed.png")), playing());
    QTest::qWait(2500); // plays a while before the position is taken again

    m_display.moveTo(global(onRow));
    QTest::qWait(300);
    m_display.key(QStringLiteral("Escape"));
    QImage again;
    E2E_SHOOT_UNTIL(again, shoot(QStringLiteral("11-library-over-video-again.png")), overlay);
    const int resumedFor = int(sinceResume.elapsed() / 1000);
    m_display.click(global(onRow));
    E2E_SHOOT_UNTIL(again, shoot(QStringLiteral("11b-resume-offered-again.png")), resumeOffer);
    const int later = savedPosition(folder(QStringLiteral("c-news")));
    QVERIFY2(later >= resumedFor + 4 && later <= saved + resumedFor + 1,
             qPrintable(QStringLiteral("resumed at %1, %2 s later saved %3")
                            .arg(saved)
                            .arg(resumedFor)
                            .arg(later)));
    m_display.click(global(fullWidthButtons(again, popupFrame(again)).first().center()));
    m_display.moveTo(global(QPoint(scene().width() / 2, scene().height() - 10)));
}

void TestNorplayLibraryE2e::playedToTheEndStartsOverNextTime()
{
    // The recording is 20 s long: once it ends, the library is the scene again and the saved
    // position is back at the start.
    const QString news = folder(QStringLiteral("c-news"));
    QTRY_COMPARE_WITH_TIMEOUT(savedPosition(news), 0, 25000);
    QImage ended;
    E2E_SHOOT_UNTIL(ended, shoot(QStringLiteral("12-ended.png")),
                    allOf({listShows(5), [this](const QImage &s) {
                               return backButtonShown(s) ? QStringLiteral("still watching")
                                                         : QString();
                           }}));
    QVERIFY(alive());
}

void TestNorplayLibraryE2e::savedPositionCanBeDeclined()
{
    // Harbor Lights S1E2, the third row, was saved at 1:35: the offer shows; Esc declines it
    // and nothing plays.
    const QString nightWatch = folder(QStringLiteral("b-harbor-s1e2"));
    QCOMPARE(savedPosition(nightWatch), 95);
    m_display.click(global(rowPoint(2)));
    QImage offer;
    E2E_SHOOT_UNTIL(offer, shoot(QStringLiteral("13-resume-saved-position.png")),
                    allOf({popupOpen(420), [this](const QImage &s) {
                               const int n = int(fullWidthButtons(s, popupFrame(s)).size());
                               return n == 2 ? QString() : QStringLiteral("%1 choices").arg(n);
                           }}));

    m_display.key(QStringLiteral("Escape"));
    QImage after;
    E2E_SHOOT_UNTIL(after, shoot(QStringLiteral("13b-resume-declined.png")), listShows(5));
    QVERIFY(!backButtonShown(after));
    QCOMPARE(savedPosition(nightWatch), 95);
}

void TestNorplayLibraryE2e::detailsShowPosterAndLocation()
{
    // The second row's info button: the recording with the poster. The details are 560 wide,
    // the poster (colour bars) at the top right; it loads after the popup opens.
    const int infoX = scene().width() - 16 - 18;
    const auto posterSlot = [this](const QImage &s) {
        const QRect frame = popupFrame(s);
        return QRect(frame.right() - 24 - 200, frame.top() + 24, 200, 150);
    };
    m_display.click(global(QPoint(infoX, rowMiddle(1))));
    QImage poster;
    E2E_SHOOT_UNTIL(poster, shoot(QStringLiteral("14-details-poster.png")),
                    allOf({popupOpen(560), [&](const QImage &s) {
                               const QRect slot = posterSlot(s);
                               if (countNear(s, slot, qRgb(192, 192, 0), 40) <= 500 || // yellow
                                   countNear(s, slot, qRgb(0, 192, 192), 40) <= 500 || // cyan
                                   countNear(s, slot, qRgb(192, 0, 192), 40) <= 500)   // magenta
                                   return QStringLiteral("no poster");
                               return QString();
                           }}));
    const QRect frame = popupFrame(poster);
    const QRect slot = posterSlot(poster);
    QVERIFY(countWhere(poster, QRect(frame.left() + 24, frame.top() + 24, 250, 150), brightText) >
            300);
    // Below the poster: the description, the location line, and "Close".
    QVERIFY(countWhere(poster, QRect(frame.left() + 24, slot.bottom() + 8, frame.width() - 48, 60),
                       [](QRgb p) { return qGray(p) > 90; }) > 200);
    QVERIFY(!runsWhere(poster, frame.adjusted(frame.width() / 2, frame.height() / 2, -20, -20),
                       buttonFace, 20)
                 .isEmpty());
    m_display.key(QStringLiteral("Escape"));
    QImage closed;
    E2E_SHOOT_UNTIL(closed, shoot(QStringLiteral("14b-details-closed.png")), popupClosed());

    // The fourth row (S2E1) has no poster: 480 wide, no colour bars; its info button does not
    // play it either.
    m_display.click(global(QPoint(infoX, rowMiddle(3))));
    QImage plain;
    E2E_SHOOT_UNTIL(plain, shoot(QStringLiteral("15-details-plain.png")), popupOpen(480));
    QCOMPARE(countNear(plain, popupFrame(plain), qRgb(192, 192, 0), 40), 0);
    m_display.key(QStringLiteral("Escape"));
    E2E_SHOOT_UNTIL(closed, shoot(QStringLiteral("15b-details-closed.png")), popupClosed());
    QVERIFY(!backButtonShown(closed));
}

void TestNorplayLibraryE2e::fileMenuShowsAtsc3()
{
    m_display.key(QStringLiteral("alt+f"));
    QImage menu;
    E2E_SHOOT_UNTIL(menu, shoot(QStringLiteral("16-file-menu.png")), [](const QImage &s) {
        return dropDownMenu(s, QRect(0, 0, 300, 100)).isEmpty()
                   ? QStringLiteral("the File menu did not open")
                   : QString();
    });
    m_display.key(QStringLiteral("s"));
    QImage shot;
    E2E_SHOOT_UNTIL(shot, shoot(QStringLiteral("16b-atsc3-shown.png")), listShows(6));
    QSettings stored(m_settingsFile, QSettings::IniFormat);
    QCOMPARE(stored.value(QStringLiteral("showAtsc3")).toBool(), true);
}

void TestNorplayLibraryE2e::closingExitsCleanly()
{
    QVERIFY(alive());
    m_display.key(QStringLiteral("ctrl+q"));
    QVERIFY2(m_norplay->waitForFinished(15000), "Norplay did not quit");
    QCOMPARE(m_norplay->exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_norplay->exitCode(), 0);

    // The library's documents logged no QML errors on the way.
    static const QRegularExpression sceneError(QStringLiteral(
        "qrc:/qml/(Main|LibraryView|PlaylistGenPopup|ResumePopup|DetailsPopup)\\.qml[^\\n]*"));
    const auto match = sceneError.match(log());
    QVERIFY2(!match.hasMatch(), qPrintable(match.captured(0)));
}

QTEST_MAIN(TestNorplayLibraryE2e)
#include "tst_norplay_library_e2e.moc"
