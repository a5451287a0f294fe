// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include <deviceidentity.h>

#include <QTest>

class TestDeviceIdentity : public QObject
{
    Q_OBJECT

private slots:
    void wireForm();
    void displayForm();
    void groupId_data();
    void groupId();
};

void TestDeviceIdentity::wireForm()
{
    const QByteArray bytes = DeviceIdentity().idBytes();
    QCOMPARE(bytes.size(), 16);
    QCOMPARE(bytes.left(12), QByteArray("6e6f74616e76"));
    QCOMPARE(bytes.mid(12), QByteArray(4, '\0'));
}

void TestDeviceIdentity::displayForm()
{
    DeviceIdentity identity;
    QCOMPARE(identity.deviceId(), QStringLiteral("6e6f-7461-6e76"));
    // The scene reads it as a property.
    QCOMPARE(identity.property("deviceId").toString(), QStringLiteral("6e6f-7461-6e76"));
}

void TestDeviceIdentity::groupId_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("grouped");
    QTest::newRow("12") << "001122334455"
                        << "0011-2233-4455";
    QTest::newRow("11 unchanged") << "00112233445"
                                  << "00112233445";
    QTest::newRow("14 cut to 12") << "00112233445566"
                                  << "0011-2233-4455";
    QTest::newRow("empty") << ""
                           << "";
}

void TestDeviceIdentity::groupId()
{
    QFETCH(QString, text);
    QFETCH(QString, grouped);
    QCOMPARE(DeviceIdentity::groupId(text), grouped);
}

QTEST_GUILESS_MAIN(TestDeviceIdentity)
#include "tst_deviceidentity.moc"
