// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include <selftest.h>

#include <QProcess>
#include <QTest>
#include <QTextStream>

namespace {

const QStringList kCaseNames{
    QStringLiteral("svp_ping"),
    QStringLiteral("svp_dvr_list_play"),
    QStringLiteral("svp_dvr_start"),
    QStringLiteral("svp_dvr_delete"),
    QStringLiteral("svp_file_download_header"),
    QStringLiteral("svp_unpack_ok"),
    QStringLiteral("svp_roundtrip"),
    QStringLiteral("svp_roundtrip_tail"),
    QStringLiteral("fnv_solvane"),
    QStringLiteral("ping_sign_verify"),
    QStringLiteral("ping_expected_hash"),
    QStringLiteral("inflate_roundtrip"),
    QStringLiteral("imgr_discover"),
    QStringLiteral("imgr_response"),
    QStringLiteral("imgr_unpack"),
};

QString allPassReport()
{
    QString text = QStringLiteral("SVP/SVnv protocol self-test\n");
    for (const QString &name : kCaseNames)
        text += QStringLiteral("  OK   ") + name + QLatin1Char('\n');
    return text + QStringLiteral("\nALL PASS\n");
}

SelfTestCase passed(const QString &name)
{
    SelfTestCase c;
    c.name = name;
    c.passed = true;
    return c;
}

} // namespace

class TestSelfTest : public QObject
{
    Q_OBJECT

private slots:
    void everyCasePasses();
    void failureReports_data();
    void failureReports();
    void processOutputAndStatus();
};

void TestSelfTest::everyCasePasses()
{
    const QList<SelfTestCase> cases = selfTestCases();
    QStringList names;
    for (const SelfTestCase &c : cases) {
        names << c.name;
        QVERIFY2(c.passed, qPrintable(c.name));
    }
    QCOMPARE(names, kCaseNames);
}

void TestSelfTest::failureReports_data()
{
    QTest::addColumn<QList<SelfTestCase>>("cases");
    QTest::addColumn<QString>("report");
    QTest::addColumn<int>("failures");

    SelfTestCase vector;
    vector.name = QStringLiteral("svp_ping");
    vector.kind = SelfTestCase::Kind::Vector;
    vector.got = QByteArray::fromHex("5356727000");
    vector.want = QByteArray::fromHex("53567270ff");
    QTest::newRow("vector") << QList<SelfTestCase>{vector, passed(QStringLiteral("svp_unpack_ok"))}
                            << QStringLiteral("SVP/SVnv protocol self-test\n"
                                              "  FAIL svp_ping\n"
                                              "    got:  5356727000\n"
                                              "    want: 53567270ff\n"
                                              "  OK   svp_unpack_ok\n"
                                              "\n1 FAILURE(S)\n")
                            << 1;

    SelfTestCase hash;
    hash.name = QStringLiteral("fnv_solvane");
    hash.kind = SelfTestCase::Kind::Hash;
    hash.gotHash = 0x00abcdefu;
    hash.wantHash = 0xbc3ffe18u;
    SelfTestCase check;
    check.name = QStringLiteral("svp_unpack_ok");
    check.kind = SelfTestCase::Kind::Check;
    QTest::newRow("hash and check")
        << QList<SelfTestCase>{hash, check}
        << QStringLiteral("SVP/SVnv protocol self-test\n"
                          "  FAIL fnv_solvane got=abcdef want=bc3ffe18\n"
                          "  FAIL svp_unpack_ok\n"
                          "\n2 FAILURE(S)\n")
        << 2;
}

void TestSelfTest::failureReports()
{
    QFETCH(QList<SelfTestCase>, cases);
    QFETCH(QString, report);
    QFETCH(int, failures);
    QString text;
    QTextStream out(&text);
    QCOMPARE(writeSelfTestReport(cases, out), failures);
    QCOMPARE(text, report);
}

void TestSelfTest::processOutputAndStatus()
{
    QProcess process;
    process.start(QStringLiteral(SELFTEST_RUNNER_PATH), {});
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(QString::fromLatin1(process.readAllStandardOutput()), allPassReport());
    QCOMPARE(process.exitCode(), 0);
}

QTEST_GUILESS_MAIN(TestSelfTest)
#include "tst_selftest.moc"
