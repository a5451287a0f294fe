// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// The Norplay program's command-line switches: "--selftest" runs the protocol self-test instead of
// the window, wherever it stands and whatever else is given; anything else starts the window.
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>

namespace {

const char *const kCaseNames[] = {
    "svp_ping",
    "svp_dvr_list_play",
    "svp_dvr_start",
    "svp_dvr_delete",
    "svp_file_download_header",
    "svp_unpack_ok",
    "svp_roundtrip",
    "svp_roundtrip_tail",
    "fnv_solvane",
    "ping_sign_verify",
    "ping_expected_hash",
    "inflate_roundtrip",
    "imgr_discover",
    "imgr_response",
    "imgr_unpack",
};

QByteArray allPassReport()
{
    QByteArray text("SVP/SVnv protocol self-test\n");
    for (const char *name : kCaseNames)
        text += QByteArray("  OK   ") + name + '\n';
    return text + "\nALL PASS\n";
}

} // namespace

class TestNorplaySwitches : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void selfTest_data();
    void selfTest();
    void otherArgumentsStartTheWindow_data();
    void otherArgumentsStartTheWindow();

private:
    // Norplay with settings of its own, so a run never reads or writes the user's.
    void setUp(QProcess &process);

    QTemporaryDir m_config;
};

void TestNorplaySwitches::init()
{
    QVERIFY(m_config.isValid());
}

void TestNorplaySwitches::setUp(QProcess &process)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_config.path());
    process.setProcessEnvironment(env);
    process.setProgram(QStringLiteral(NORPLAY_EXE));
}

void TestNorplaySwitches::selfTest_data()
{
    QTest::addColumn<QStringList>("arguments");

    QTest::newRow("alone") << QStringList{QStringLiteral("--selftest")};
    QTest::newRow("with --console")
        << QStringList{QStringLiteral("--console"), QStringLiteral("--selftest")};
    QTest::newRow("twice, after a file")
        << QStringList{QStringLiteral("/nowhere/master.m3u8"), QStringLiteral("--selftest"),
                       QStringLiteral("--console"), QStringLiteral("--selftest")};
}

void TestNorplaySwitches::selfTest()
{
    QFETCH(QStringList, arguments);
    QProcess process;
    setUp(process);
    process.setArguments(arguments);
    process.start();
    // No window and no event loop: the program ends by itself.
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.readAllStandardOutput(), allPassReport());
    QCOMPARE(process.exitCode(), 0);
}

void TestNorplaySwitches::otherArgumentsStartTheWindow_data()
{
    QTest::addColumn<QStringList>("arguments");

    QTest::newRow("another letter case") << QStringList{QStringLiteral("--SelfTest")};
    QTest::newRow("a file") << QStringList{QStringLiteral("/nowhere/master.m3u8")};
    QTest::newRow("--console") << QStringList{QStringLiteral("--console"),
                                              QStringLiteral("--console")};
}

void TestNorplaySwitches::otherArgumentsStartTheWindow()
{
    QFETCH(QStringList, arguments);
    QProcess process;
    setUp(process);
    process.setArguments(arguments);
    process.start();
    QVERIFY(process.waitForStarted(10000));
    // The window's event loop keeps the program running; the self-test would have ended it.
    QVERIFY2(!process.waitForFinished(4000),
             qPrintable(QStringLiteral("ended with %1: %2")
                            .arg(process.exitCode())
                            .arg(QString::fromLocal8Bit(process.readAllStandardError()))));
    QVERIFY(!process.readAllStandardOutput().contains("protocol self-test"));
    process.kill();
    QVERIFY(process.waitForFinished(10000));
}

QTEST_GUILESS_MAIN(TestNorplaySwitches)
#include "tst_norplayswitches.moc"
