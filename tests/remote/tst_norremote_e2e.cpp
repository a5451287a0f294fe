// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// Norremote in a real window under Xvfb, inside the test network: the first start opens the
// device picker, which finds the two stand-in boxes; a chosen box gets the keys pressed on the
// keyboard; a box that never answers brings the red toast; the remote scales to a wide window;
// and Norplay's Library menu starts Norremote. Screenshots of every step are kept.
#include "boxsimprocess.h"
#include "e2eharness.h"
#include "testnet.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace e2e;

namespace {
constexpr int ScreenWidth = 1400;
constexpr int ScreenHeight = 1000;
const QRgb PickerBorder = qRgb(0x3a, 0x3a, 0x3a);
const QRgb ToastRed = qRgb(0xb3, 0x27, 0x1e);
const QRgb BodyTop = qRgb(0x25, 0x25, 0x25);
} // namespace

class TestNorremoteE2e : public QObject
{
    Q_OBJECT

public:
    bool noNetwork() const { return m_noNetwork; }

private slots:
    void initTestCase();
    void cleanupTestCase();

    void firstStartPicksAFoundBox();
    void keyboardKeysReachTheBox();
    void silentBoxBringsTheToast();
    void wideWindowScalesTheRemote();
    void norplayStartsNorremote();

private:
    QImage shootWindow(const QString &name) const;
    QRect pickerFrame(const QImage &shot) const;
    bool waitForKeys(BoxSimProcess &box, int count, int timeoutMs);

    bool m_noNetwork = false;
    QTemporaryDir m_tmp;
    QString m_shotDir;
    VirtualDisplay m_display;
    std::unique_ptr<BoxSimProcess> m_livingRoom;
    std::unique_ptr<BoxSimProcess> m_bedroom;
    std::unique_ptr<QProcess> m_remote;
    QString m_window;
};

void TestNorremoteE2e::initTestCase()
{
    // Discovery broadcasts: only inside the namespaced test network. Entered before any thread
    // starts, so the display and every program here live on the client host too.
    QString reason;
    if (!testnet::enterClient(&reason)) {
        m_noNetwork = true;
        QSKIP(qPrintable(reason));
    }
    QVERIFY(m_tmp.isValid());
    m_shotDir = QStringLiteral(E2E_SHOT_DIR);
    QVERIFY(QDir().mkpath(m_shotDir));

    // The Living Room box answers keys; the Bedroom box hears them and never answers.
    m_livingRoom = std::make_unique<BoxSimProcess>(
        QStringList{QStringLiteral("--address"), QStringLiteral("10.231.1.2"),
                    QStringLiteral("--discovery-address"), QStringLiteral("0.0.0.0"),
                    QStringLiteral("--id"), QStringLiteral("0a1b2c3d4e01"),
                    QStringLiteral("--name"), QStringLiteral("Living Room"),
                    QStringLiteral("--tuners"), QStringLiteral("4")},
        QStringLiteral("box1"));
    m_bedroom = std::make_unique<BoxSimProcess>(
        QStringList{QStringLiteral("--address"), QStringLiteral("10.231.2.2"),
                    QStringLiteral("--discovery-address"), QStringLiteral("0.0.0.0"),
                    QStringLiteral("--id"), QStringLiteral("0a1b2c3d4e02"),
                    QStringLiteral("--name"), QStringLiteral("Bedroom"), QStringLiteral("--tuners"),
                    QStringLiteral("2"), QStringLiteral("--key-fault"), QStringLiteral("silent")},
        QStringLiteral("box2"));
    QString error;
    QVERIFY2(m_livingRoom->start(&error), qPrintable(error));
    QVERIFY2(m_bedroom->start(&error), qPrintable(error));
    QCOMPARE(m_livingRoom->keyPort(), quint16(31063));

    const QString home = m_tmp.filePath(QStringLiteral("home"));
    QVERIFY(QDir().mkpath(home + QStringLiteral("/.config")));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_tmp.path());
    QVERIFY2(m_display.start(ScreenWidth, ScreenHeight, env), "could not start the display");
}

void TestNorremoteE2e::cleanupTestCase()
{
    if (m_remote)
        stopProcess(m_remote.get());
    m_display.stop();
    m_livingRoom.reset();
    m_bedroom.reset();
}

QImage TestNorremoteE2e::shootWindow(const QString &name) const
{
    return m_display.shoot(m_shotDir + QLatin1Char('/') + name, m_display.windowGeometry(m_window));
}

QRect TestNorremoteE2e::pickerFrame(const QImage &shot) const
{
    return frameOf(shot, shot.rect(), PickerBorder, 6, 150);
}

bool TestNorremoteE2e::waitForKeys(BoxSimProcess &box, int count, int timeoutMs)
{
    for (int waited = 0; waited < timeoutMs; waited += 200) {
        if (box.keysReceived(200).size() >= count)
            return true;
    }
    return false;
}

void TestNorremoteE2e::firstStartPicksAFoundBox()
{
    m_remote = m_display.launch(QStringLiteral(NORREMOTE_EXE), {},
                                m_shotDir + QStringLiteral("/norremote.log"));
    QVERIFY2(m_remote->waitForStarted(10000), "Norremote did not start");
    QVERIFY2(m_display.waitForWindow(QStringLiteral("^Norremote$"), &m_window, 20000),
             "no Norremote window appeared");
    QVERIFY(m_display.activate(m_window));
    const QRect window = m_display.windowGeometry(m_window);
    QCOMPARE(window.size(), QSize(340, 920));

    // No box stored: the picker is open at once and sweeps; the sweep lasts about 8 s.
    QTest::qWait(1000);
    const QImage scanning = shootWindow(QStringLiteral("01-picker-scanning.png"));
    QVERIFY2(!pickerFrame(scanning).isEmpty(), "the device picker is open");
    QTest::qWait(9000);
    const QImage found = shootWindow(QStringLiteral("02-picker-found-boxes.png"));
    const QRect frame = pickerFrame(found);
    QVERIFY2(!frame.isEmpty(), "the device picker is still open");

    // Rows are 48 px high under the header; sorted by name, Bedroom comes first.
    const QPoint livingRoomRow =
        window.topLeft() + QPoint(frame.center().x(), frame.top() + 16 + 40 + 10 + 48 + 24);
    m_display.click(livingRoomRow);
    QTest::qWait(600);
    const QImage chosen = shootWindow(QStringLiteral("03-remote-initial-size.png"));
    QVERIFY2(pickerFrame(chosen).isEmpty(), "choosing a box closes the picker");
    // The drawn remote fills the window's width less the margins at its initial size.
    const QRect body = runsWhere(
        chosen, QRect(0, 40, chosen.width(), 60), [](QRgb p) { return near(p, BodyTop, 8); }, 100);
    QVERIFY2(!body.isEmpty(), "the remote's body is drawn under the device bar");
}

void TestNorremoteE2e::keyboardKeysReachTheBox()
{
    // G, 2, 3, "." and Return: the Living Room box hears the commands in order.
    for (const QString &key : {QStringLiteral("g"), QStringLiteral("2"), QStringLiteral("3"),
                               QStringLiteral("period"), QStringLiteral("Return")})
        m_display.key(key);
    QVERIFY2(waitForKeys(*m_livingRoom, 5, 5000), "the box did not hear five keys");
    const auto keys = m_livingRoom->keysReceived(0);
    QStringList commands;
    for (const auto &k : keys)
        commands << k.keys;
    QCOMPARE(commands,
             (QStringList{QStringLiteral("guide"), QStringLiteral("#2"), QStringLiteral("#3"),
                          QStringLiteral("."), QStringLiteral("ok")}));
    for (const auto &k : keys)
        QCOMPARE(k.result, 0);
    shootWindow(QStringLiteral("04-after-keys.png"));
    QVERIFY(m_bedroom->keysReceived(0).isEmpty());
}

void TestNorremoteE2e::silentBoxBringsTheToast()
{
    const QRect window = m_display.windowGeometry(m_window);
    // The gear at the right end of the device bar opens the picker again.
    m_display.click(window.topLeft() + QPoint(window.width() - 8 - 12, 8 + 12));
    QTest::qWait(9500); // a new sweep
    const QImage picker = shootWindow(QStringLiteral("05-picker-again.png"));
    const QRect frame = pickerFrame(picker);
    QVERIFY2(!frame.isEmpty(), "the gear opens the picker");
    m_display.click(window.topLeft() +
                    QPoint(frame.center().x(), frame.top() + 16 + 40 + 10 + 24)); // Bedroom
    QTest::qWait(500);

    m_display.key(QStringLiteral("Up"));
    QVERIFY2(waitForKeys(*m_bedroom, 1, 3000), "the Bedroom box did not hear the key");
    QTest::qWait(2300); // the time limit, and the toast fading in
    const QImage toast = shootWindow(QStringLiteral("06-toast-no-response.png"));
    const QRect red = runsWhere(
        toast, QRect(0, toast.height() - 80, toast.width(), 80),
        [](QRgb p) { return near(p, ToastRed, 24); }, 20);
    QVERIFY2(!red.isEmpty(), "a red toast at the bottom");
    QVERIFY2(red.bottom() < toast.height() - 12 && red.bottom() > toast.height() - 30,
             qPrintable(QStringLiteral("toast bottom at %1").arg(red.bottom())));
    QVERIFY2(std::abs(red.center().x() - toast.width() / 2) <= 3, "centred");
    QTest::qWait(3000);
    const QImage gone = shootWindow(QStringLiteral("07-toast-gone.png"));
    QCOMPARE(countNear(gone, QRect(0, gone.height() - 80, gone.width(), 80), ToastRed, 24), 0);
}

void TestNorremoteE2e::wideWindowScalesTheRemote()
{
    m_display.xdotool(
        {QStringLiteral("windowsize"), m_window, QStringLiteral("1200"), QStringLiteral("600")});
    QTest::qWait(800);
    const QImage wide = shootWindow(QStringLiteral("08-wide-window.png"));
    QCOMPARE(wide.size(), QSize(1200, 600));
    // Scaled by the height: the body is about 556 / 1000 of its design, centred.
    const QRect body = runsWhere(
        wide, wide.rect(), [](QRgb p) { return near(p, BodyTop, 8); }, 60);
    QVERIFY2(!body.isEmpty(), "the remote is drawn");
    QVERIFY2(std::abs(body.center().x() - 600) <= 4,
             qPrintable(QStringLiteral("centre at %1").arg(body.center().x())));
    QVERIFY2(body.width() < 300 * 0.6, qPrintable(QString::number(body.width())));
}

void TestNorremoteE2e::norplayStartsNorremote()
{
    stopProcess(m_remote.get());
    m_remote.reset();

    auto norplay = m_display.launch(QStringLiteral(NORPLAY_EXE), {},
                                    m_shotDir + QStringLiteral("/norplay.log"));
    QVERIFY2(norplay->waitForStarted(10000), "Norplay did not start");
    QString norplayWindow;
    QVERIFY2(m_display.waitForWindow(QStringLiteral("^Norplay$"), &norplayWindow, 20000),
             "no Norplay window appeared");
    QVERIFY(m_display.activate(norplayWindow));
    QTest::qWait(800);
    m_display.key(QStringLiteral("alt+l"));
    QTest::qWait(500);
    m_display.shoot(m_shotDir + QStringLiteral("/09-norplay-library-menu.png"),
                    m_display.windowGeometry(norplayWindow));
    m_display.key(QStringLiteral("r"));
    QString started;
    const bool appeared = m_display.waitForWindow(QStringLiteral("^Norremote$"), &started, 20000);
    m_display.shoot(m_shotDir + QStringLiteral("/10-norremote-from-norplay.png"),
                    m_display.screen());
    // Started with the box stored last (Bedroom), so it opens without the picker and a key goes
    // there.
    const int before = int(m_bedroom->keysReceived(0).size());
    if (appeared) {
        m_display.activate(started);
        QTest::qWait(500);
        m_display.key(QStringLiteral("m"));
    }
    const bool heard = appeared && waitForKeys(*m_bedroom, before + 1, 5000);
    // Norremote outlives Norplay; end the one this test started.
    m_display.xdotool({QStringLiteral("windowclose"), started});
    stopProcess(norplay.get());
    QVERIFY2(appeared, "Library > Remote Control started no Norremote");
    QVERIFY2(heard, "the started Norremote did not send to the stored box");
}

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    TestNorremoteE2e test;
    QTEST_SET_MAIN_SOURCE_PATH
    const int failures = QTest::qExec(&test, argc, argv);
    return failures == 0 && test.noNetwork() ? testnet::kSkippedExitCode : failures;
}
#include "tst_norremote_e2e.moc"
