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

// A popup centred in the scene, `width` wide.
#define VERIFY_POPUP(scene, frame, width)                                                          \
    do {                                                                                           \
        const QString problem = popupProblem(scene, frame, width);                                 \
        QVERIFY2(problem.isEmpty(), qPrintable(problem));                                          \
    } while (false)

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
    QVERIFY(cut.resize(cut.size() / 3));

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
    QTest::qWait(500);

    // The menu bar's height: the scene starts at the first row of the view's dark background.
    const QRect window = m_display.windowGeometry(m_window);
    const QImage first = m_display.shoot(m_shotDir + QStringLiteral("/00-start.png"), window);
    QVERIFY(!first.isNull());
    for (int y = 0; y < 80 && m_menuHeight == 0; ++y) {
        if (near(first.pixel(5, y), ViewBackground, 3))
            m_menuHeight = y;
    }
    QVERIFY2(m_menuHeight > 10, "no menu bar above the scene");
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

void TestNorplayLibraryE2e::firstRunPicksTheFolderThroughTheDialog()
{
    // No library yet: only the invitation, centred, without header or search band.
    const QImage start = shoot(QStringLiteral("01-no-library.png"));
    QVERIFY(!start.isNull());
    const int w = start.width();
    QVERIFY(near(start.pixel(w / 2, 20), ViewBackground, 3));
    QVERIFY(near(start.pixel(w / 2, 80), ViewBackground, 3));
    const QRect lowerHalf(w / 2 - 150, start.height() / 2, 300, start.height() / 2 - 20);
    const QRect choose = runsWhere(start, lowerHalf, buttonFace, 30);
    QVERIFY2(!choose.isEmpty(), "no Choose Folder button");
    QVERIFY(countWhere(start, QRect(w / 2 - 250, start.height() / 2 - 60, 500, 160),
                       brightText) > 300); // the title and the hint

    m_display.click(global(choose.center()));
    QTest::qWait(1000);
    QImage dialog = shoot(QStringLiteral("02-folder-dialog.png"));
    const auto white = [](QRgb p) { return near(p, qRgb(0xff, 0xff, 0xff), 2); };
    QRect frame = runsWhere(dialog, dialog.rect(), white, 200);
    QVERIFY2(!frame.isEmpty(), "the folder dialog did not open");

    // Type the library's parent into the path field; its one entry is the library.
    m_display.key(QStringLiteral("ctrl+l"));
    QTest::qWait(300);
    m_display.type(m_pickFolder);
    m_display.key(QStringLiteral("Return"));
    QTest::qWait(800);
    dialog = shoot(QStringLiteral("02b-folder-dialog-typed.png"));
    // (Below the path field, whose focus frame has a trace of the same tint.)
    const QRect entry = runsWhere(
        dialog, frame.adjusted(0, 80, 0, 0), [](QRgb p) { return near(p, DialogEntry, 6); }, 100);
    QVERIFY2(!entry.isEmpty(), "the typed folder shows no entry");
    QVERIFY2(entry.height() < 60, "more than one entry in the typed folder");
    m_display.click(global(entry.center()));
    QTest::qWait(400);

    // Open and Cancel along the bottom: the first button edge from the left is Open.
    dialog = shoot(QStringLiteral("02c-folder-dialog-selected.png"));
    const QRect strip(frame.left(), frame.bottom() - 50, frame.width(), 50);
    const QList<QRect> edges = runsListWhere(
        dialog, strip, [](QRgb p) { return near(p, DialogButtonEdge, 10); }, 40);
    QVERIFY2(!edges.isEmpty(), "no dialog buttons");
    QRect open = edges.first();
    for (const QRect &e : edges) {
        if (e.top() == open.top() && e.left() < open.left())
            open = e;
    }
    m_display.click(global(QPoint(open.center().x(), open.top() + 12)));
    QTest::qWait(1000);

    // Accepted: the setting holds the folder and the library shows.
    QSettings stored(m_settingsFile, QSettings::IniFormat);
    QCOMPARE(stored.value(QStringLiteral("libraryRoot")).toUrl(), QUrl::fromLocalFile(m_library));
    const QImage shown = shoot(QStringLiteral("02d-folder-chosen.png"));
    QVERIFY(popupFrame(shown).isEmpty());
    QVERIFY(runsWhere(shown, shown.rect(), white, 200).isEmpty()); // the dialog is gone
    QVERIFY(near(shown.pixel(w / 2, 5), HeaderColour, 3));
}

void TestNorplayLibraryE2e::listIsSortedAndHidesAtsc3()
{
    m_display.moveTo(global(QPoint(scene().width() / 2, scene().height() - 10)));
    QTest::qWait(300);
    const QImage shot = shoot(QStringLiteral("03-library.png"));
    QVERIFY(!shot.isNull());

    // Five of the six recordings: the ATSC 3.0 one is hidden by default.
    QCOMPARE(rowsShown(shot), 5);
    for (int row = 0; row < 5; ++row) {
        QVERIFY2(countWhere(shot, QRect(16, ListTop + row * RowHeight + 8, 150, 24), brightText) >
                     40,
                 qPrintable(QStringLiteral("row %1 has no name").arg(row)));
        QVERIFY(!rowLit(shot, row));
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
    QTest::qWait(500);
    const QImage shot = shoot(QStringLiteral("04-search-no-match.png"));

    // No rows; the message and a "Clear search" button in the middle; the field's own clear
    // button at its right end.
    QCOMPARE(rowsShown(shot), 0);
    const int middle = ListTop + (shot.height() - ListTop) / 2;
    QVERIFY(countWhere(shot, QRect(w / 2 - 200, middle - 40, 400, 40), brightText) > 100);
    const QRect clear = runsWhere(shot, QRect(w / 2 - 150, middle, 300, 80), buttonFace, 20);
    QVERIFY2(!clear.isEmpty(), "no Clear search button");
    const QRect fieldClear(w - 16 - 32, 56 + 8, 32, 32);
    QVERIFY(countWhere(shot, fieldClear, white) > 10);

    // Esc leaves the search as it is.
    m_display.key(QStringLiteral("Escape"));
    QTest::qWait(400);
    const QImage kept = shoot(QStringLiteral("04b-search-after-esc.png"));
    QCOMPARE(rowsShown(kept), 0);
    QVERIFY(countWhere(kept, fieldClear, white) > 10);

    m_display.click(global(clear.center()));
    QTest::qWait(500);
    const QImage cleared = shoot(QStringLiteral("04c-search-cleared.png"));
    QCOMPARE(rowsShown(cleared), 5);
    QCOMPARE(countWhere(cleared, fieldClear, white), 0);
}

void TestNorplayLibraryE2e::brokenFolderFailsGenerationWithItsReason()
{
    // Kitchen Classics, the last row: its video file ends before its third fragment.
    m_display.click(global(rowPoint(4)));
    QTest::qWait(800);
    const QImage shot = shoot(QStringLiteral("05-generation-failed.png"));
    const QRect frame = popupFrame(shot);
    VERIFY_POPUP(shot, frame, 420);
    QVERIFY(!progressBarIn(shot, frame)); // the error state
    QVERIFY(!runsWhere(shot, frame.adjusted(frame.width() / 2, frame.height() / 2, -20, -20),
                       buttonFace, 20)
                 .isEmpty()); // "Close" at the bottom right
    QVERIFY(countWhere(shot, frame.adjusted(24, 24, -24, -60), brightText) > 400);

    QVERIFY(!QFile::exists(folder(QStringLiteral("f-kitchen/master.m3u8"))));
    static const QRegularExpression failure(
        QStringLiteral("PlaylistGenerator failed for \"[^\"]*/f-kitchen\" : \"fragment .* "
                       "outside the file of \\d+ bytes\""));
    QVERIFY2(failure.match(log()).hasMatch(), qPrintable(log().right(2000)));

    // The failure can be dismissed with Esc; nothing plays.
    m_display.key(QStringLiteral("Escape"));
    QTest::qWait(500);
    const QImage after = shoot(QStringLiteral("05b-generation-failed-closed.png"));
    QVERIFY(popupFrame(after).isEmpty());
    QCOMPARE(rowsShown(after), 5);
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
    QTest::qWait(700);
    const QImage running = shoot(QStringLiteral("06-generation-running.png"));
    const QRect frame = popupFrame(running);
    const bool progress = progressBarIn(running, frame);
    m_display.key(QStringLiteral("Escape"));
    QTest::qWait(500);
    const QImage stillRunning = shoot(QStringLiteral("06b-generation-running-after-esc.png"));
    const QRect stillFrame = popupFrame(stillRunning);
    const bool generatedEarly = QFile::exists(news + QStringLiteral("/master.m3u8"));
    release();

    VERIFY_POPUP(running, frame, 420);
    QVERIFY(progress);
    QVERIFY(!generatedEarly);
    QCOMPARE(stillFrame, frame); // Esc does not close it while it runs

    // Released, the generation finishes, the popup closes and the recording plays.
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(news + QStringLiteral("/master.m3u8")), 10000);
    m_sincePlayStart.start();
    QVERIFY(QFile::exists(news + QStringLiteral("/video.m3u8")));
    QVERIFY(QFile::exists(news + QStringLiteral("/audio1.m3u8")));
    QTest::qWait(2500);
    const QImage playing = shoot(QStringLiteral("07-playing.png"));
    QVERIFY(popupFrame(playing).isEmpty());
    QVERIFY2(coarseColours(playing, playing.rect()) >= 8, "the video area shows no picture");
    QVERIFY(meanLuma(playing, playing.rect()) > 60);
    QVERIFY(alive());

    // The bar's info button (third from the left) shows the playing recording's details: no
    // poster, so 480 wide. Esc closes them; the video plays on.
    m_display.moveTo(global(QPoint(scene().width() / 2, scene().height() / 2)));
    QTest::qWait(400);
    m_display.click(global(QPoint(12 + 2 * (40 + 12) + 20, scene().height() - 36)));
    QTest::qWait(800);
    const QImage details = shoot(QStringLiteral("07b-details-from-bar.png"));
    const QRect detailsFrame = popupFrame(details);
    VERIFY_POPUP(details, detailsFrame, 480);
    QVERIFY(countWhere(details, detailsFrame.adjusted(24, 24, -24, -24), brightText) > 300);
    m_display.key(QStringLiteral("Escape"));
    QTest::qWait(500);
    const QImage closed = shoot(QStringLiteral("07c-details-closed.png"));
    QVERIFY(popupFrame(closed).isEmpty());
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
    m_display.moveTo(global(onRow));
    QTest::qWait(300);
    m_display.key(QStringLiteral("Escape"));
    QTest::qWait(600);
    const QImage overlay = shoot(QStringLiteral("08-library-over-video.png"));
    QVERIFY(backButtonShown(overlay));
    QCOMPARE(rowsShown(overlay), 5);
    for (int row = 1; row < 5; ++row)
        QVERIFY2(!rowLit(overlay, row), qPrintable(QStringLiteral("row %1 lit").arg(row)));

    // Picking it again saves where it is and offers to resume there.
    const int watched = int(m_sincePlayStart.elapsed() / 1000);
    m_display.click(global(onRow));
    QTest::qWait(800);
    const QImage offer = shoot(QStringLiteral("09-resume-offered.png"));
    const QRect frame = popupFrame(offer);
    VERIFY_POPUP(offer, frame, 420);
    const int saved = savedPosition(folder(QStringLiteral("c-news")));
    QVERIFY2(saved >= 6 && saved < 12 && saved <= watched + 1,
             qPrintable(QStringLiteral("saved %1 after %2 s").arg(saved).arg(watched)));
    m_firstSaved = saved;

    // "Resume from" (the first of the two wide buttons): playback goes on from there. libvlc
    // starts a playlist at the beginning of the 6-second segment holding the start time, so
    // with 6 to 11 s saved it goes on from 0:06, well ahead of a start from the beginning.
    const QList<QRect> choices = fullWidthButtons(offer, frame);
    QCOMPARE(choices.size(), 2);
    m_display.click(global(choices.first().center()));
    QElapsedTimer sinceResume;
    sinceResume.start();
    QTest::qWait(1500);
    const QImage resumed = shoot(QStringLiteral("10-resumed.png"));
    QVERIFY(popupFrame(resumed).isEmpty());
    QVERIFY(coarseColours(resumed, resumed.rect()) >= 8);
    QTest::qWait(2500);

    m_display.moveTo(global(onRow));
    QTest::qWait(300);
    m_display.key(QStringLiteral("Escape"));
    QTest::qWait(600);
    const int resumedFor = int(sinceResume.elapsed() / 1000);
    m_display.click(global(onRow));
    QTest::qWait(800);
    const QImage again = shoot(QStringLiteral("11-resume-offered-again.png"));
    const QRect againFrame = popupFrame(again);
    QVERIFY(!againFrame.isEmpty());
    const int later = savedPosition(folder(QStringLiteral("c-news")));
    QVERIFY2(later >= resumedFor + 4 && later <= saved + resumedFor + 1,
             qPrintable(QStringLiteral("resumed at %1, %2 s later saved %3")
                            .arg(saved)
                            .arg(resumedFor)
                            .arg(later)));
    const QList<QRect> againChoices = fullWidthButtons(again, againFrame);
    QCOMPARE(againChoices.size(), 2);
    m_display.click(global(againChoices.first().center()));
    m_display.moveTo(global(QPoint(scene().width() / 2, scene().height() - 10)));
}

void TestNorplayLibraryE2e::playedToTheEndStartsOverNextTime()
{
    // The recording is 20 s long: once it ends, the library is the scene again and the saved
    // position is back at the start.
    const QString news = folder(QStringLiteral("c-news"));
    QTRY_COMPARE_WITH_TIMEOUT(savedPosition(news), 0, 25000);
    QTest::qWait(500);
    const QImage ended = shoot(QStringLiteral("12-ended.png"));
    QVERIFY(!backButtonShown(ended));
    QCOMPARE(rowsShown(ended), 5);
    QVERIFY(popupFrame(ended).isEmpty());
    QVERIFY(alive());
}

void TestNorplayLibraryE2e::savedPositionCanBeDeclined()
{
    // Harbor Lights S1E2, the third row, was saved at 1:35: the offer shows; Esc declines it
    // and nothing plays.
    const QString nightWatch = folder(QStringLiteral("b-harbor-s1e2"));
    QCOMPARE(savedPosition(nightWatch), 95);
    m_display.click(global(rowPoint(2)));
    QTest::qWait(800);
    const QImage offer = shoot(QStringLiteral("13-resume-saved-position.png"));
    const QRect frame = popupFrame(offer);
    VERIFY_POPUP(offer, frame, 420);
    QCOMPARE(fullWidthButtons(offer, frame).size(), 2);

    m_display.key(QStringLiteral("Escape"));
    QTest::qWait(800);
    const QImage after = shoot(QStringLiteral("13b-resume-declined.png"));
    QVERIFY(popupFrame(after).isEmpty());
    QVERIFY(!backButtonShown(after));
    QCOMPARE(rowsShown(after), 5);
    QCOMPARE(savedPosition(nightWatch), 95);
}

void TestNorplayLibraryE2e::detailsShowPosterAndLocation()
{
    // The second row's info button: the recording with the poster. The details are 560 wide,
    // the poster (colour bars) at the top right.
    const int infoX = scene().width() - 16 - 18;
    m_display.click(global(QPoint(infoX, rowMiddle(1))));
    QTest::qWait(1000);
    const QImage poster = shoot(QStringLiteral("14-details-poster.png"));
    QRect frame = popupFrame(poster);
    VERIFY_POPUP(poster, frame, 560);
    const QRect slot(frame.right() - 24 - 200, frame.top() + 24, 200, 150);
    QVERIFY(countNear(poster, slot, qRgb(192, 192, 0), 40) > 500); // yellow
    QVERIFY(countNear(poster, slot, qRgb(0, 192, 192), 40) > 500); // cyan
    QVERIFY(countNear(poster, slot, qRgb(192, 0, 192), 40) > 500); // magenta
    QVERIFY(countWhere(poster, QRect(frame.left() + 24, frame.top() + 24, 250, 150), brightText) >
            300);
    // Below the poster: the description, the location line, and "Close".
    QVERIFY(countWhere(poster, QRect(frame.left() + 24, slot.bottom() + 8, frame.width() - 48, 60),
                       [](QRgb p) { return qGray(p) > 90; }) > 200);
    QVERIFY(!runsWhere(poster, frame.adjusted(frame.width() / 2, frame.height() / 2, -20, -20),
                       buttonFace, 20)
                 .isEmpty());
    m_display.key(QStringLiteral("Escape"));
    QTest::qWait(500);
    QVERIFY(popupFrame(shoot(QStringLiteral("14b-details-closed.png"))).isEmpty());

    // The fourth row (S2E1) has no poster: 480 wide, no colour bars; its info button does not
    // play it either.
    m_display.click(global(QPoint(infoX, rowMiddle(3))));
    QTest::qWait(1000);
    const QImage plain = shoot(QStringLiteral("15-details-plain.png"));
    frame = popupFrame(plain);
    VERIFY_POPUP(plain, frame, 480);
    QCOMPARE(countNear(plain, frame, qRgb(192, 192, 0), 40), 0);
    m_display.key(QStringLiteral("Escape"));
    QTest::qWait(500);
    const QImage closed = shoot(QStringLiteral("15b-details-closed.png"));
    QVERIFY(popupFrame(closed).isEmpty());
    QVERIFY(!backButtonShown(closed));
}

void TestNorplayLibraryE2e::fileMenuShowsAtsc3()
{
    m_display.key(QStringLiteral("alt+f"));
    QTest::qWait(400);
    shoot(QStringLiteral("16-file-menu.png"));
    m_display.key(QStringLiteral("s"));
    QTest::qWait(600);
    const QImage shot = shoot(QStringLiteral("16b-atsc3-shown.png"));
    QCOMPARE(rowsShown(shot), 6);
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
