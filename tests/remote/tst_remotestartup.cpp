// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// Norremote's settings and the start-up rules that pick the box: the stored one, or a valid
// address from the command line.
#include "keysender.h"
#include "settings.h"
#include "startup.h"

#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestRemoteStartup : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void settingsWriteOnlyRealChanges();
    void deviceFromSettingsAndArgument_data();
    void deviceFromSettingsAndArgument();

private:
    QTemporaryDir m_configDir;
};

void TestRemoteStartup::initTestCase()
{
    QVERIFY(m_configDir.isValid());
    QCoreApplication::setOrganizationName(QStringLiteral("Norvale"));
    QCoreApplication::setApplicationName(QStringLiteral("Norremote"));
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_configDir.path());
}

void TestRemoteStartup::init()
{
    QSettings().clear();
}

void TestRemoteStartup::settingsWriteOnlyRealChanges()
{
    Settings settings;
    QCOMPARE(settings.lastDeviceIp(), QString());
    QCOMPARE(settings.lastDeviceName(), QString());
    QSignalSpy ipSpy(&settings, &Settings::lastDeviceIpChanged);
    QSignalSpy nameSpy(&settings, &Settings::lastDeviceNameChanged);

    settings.setLastDeviceName(QString()); // the default: nothing stored
    QVERIFY(!QSettings().contains(QStringLiteral("lastDeviceName")));
    settings.setLastDeviceIp(QStringLiteral("10.0.0.5"));
    settings.setLastDeviceIp(QStringLiteral("10.0.0.5"));
    settings.setLastDeviceName(QStringLiteral("Den"));
    QCOMPARE(ipSpy.count(), 1);
    QCOMPARE(nameSpy.count(), 1);
    QCOMPARE(QSettings().value(QStringLiteral("lastDeviceIp")).toString(),
             QStringLiteral("10.0.0.5"));

    // Seen at the next read, though written behind its back.
    QSettings().setValue(QStringLiteral("lastDeviceName"), QStringLiteral("Attic"));
    QCOMPARE(settings.lastDeviceName(), QStringLiteral("Attic"));
}

void TestRemoteStartup::deviceFromSettingsAndArgument_data()
{
    QTest::addColumn<QString>("storedIp");
    QTest::addColumn<QString>("storedName");
    QTest::addColumn<QStringList>("arguments"); // after the program name
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("warning");
    QTest::addColumn<int>("writes"); // change signals of the settings

    const QString ip = QStringLiteral("10.0.0.5");
    const QString den = QStringLiteral("Den");
    const QString other = QStringLiteral("10.0.0.7");
    QTest::newRow("first start") << QString() << QString() << QStringList() << QString()
                                 << QString() << QString() << 0;
    QTest::newRow("stored box") << ip << den << QStringList() << ip << den << QString() << 0;
    QTest::newRow("new address clears the name")
        << ip << den << QStringList{other} << other << QString() << QString() << 2;
    QTest::newRow("new address, first start")
        << QString() << QString() << QStringList{other} << other << QString() << QString() << 1;
    QTest::newRow("stored address keeps its name")
        << ip << den << QStringList{ip} << ip << den << QString() << 0;
    QTest::newRow("IPv6 address") << ip << den << QStringList{QStringLiteral("fd00::5")}
                                  << QStringLiteral("fd00::5") << QString() << QString() << 2;
    QTest::newRow("only the first argument counts")
        << ip << den << QStringList{other, QStringLiteral("10.0.0.9")} << other << QString()
        << QString() << 2;
    QTest::newRow("not an address")
        << ip << den << QStringList{QStringLiteral("den.local")} << ip << den
        << QStringLiteral("Ignoring device argument \"den.local\": not an IP address") << 0;
    QTest::newRow("a later address does not rescue a bad first")
        << ip << den << QStringList{QStringLiteral("--console"), other} << ip << den
        << QStringLiteral("Ignoring device argument \"--console\": not an IP address") << 0;
}

void TestRemoteStartup::deviceFromSettingsAndArgument()
{
    QFETCH(QString, storedIp);
    QFETCH(QString, storedName);
    QFETCH(QStringList, arguments);
    QFETCH(QString, host);
    QFETCH(QString, name);
    QFETCH(QString, warning);
    QFETCH(int, writes);

    if (!storedIp.isEmpty())
        QSettings().setValue(QStringLiteral("lastDeviceIp"), storedIp);
    if (!storedName.isEmpty())
        QSettings().setValue(QStringLiteral("lastDeviceName"), storedName);

    Settings settings;
    KeySender sender;
    QSignalSpy ipSpy(&settings, &Settings::lastDeviceIpChanged);
    QSignalSpy nameSpy(&settings, &Settings::lastDeviceNameChanged);
    if (!warning.isEmpty())
        QTest::ignoreMessage(QtWarningMsg, qPrintable(warning));
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));

    restoreDevice(settings, sender, QStringList{QStringLiteral("Norremote")} + arguments);

    QCOMPARE(sender.host(), host);
    QCOMPARE(sender.deviceName(), name);
    QCOMPARE(settings.lastDeviceIp(), host);
    QCOMPARE(settings.lastDeviceName(), name);
    QCOMPARE(ipSpy.count() + nameSpy.count(), writes);
}

QTEST_GUILESS_MAIN(TestRemoteStartup)
#include "tst_remotestartup.moc"
