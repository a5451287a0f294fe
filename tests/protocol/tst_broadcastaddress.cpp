// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// The broadcast address a discovery sweep sends to for one interface address entry: a pure rule,
// tested without sockets (the sweeps themselves are in tst_discovery, inside the test network).
#include <discovery.h>

#include <QNetworkAddressEntry>
#include <QTest>

class TestBroadcastAddress : public QObject
{
    Q_OBJECT

private slots:
    void broadcastAddress_data();
    void broadcastAddress();
};

void TestBroadcastAddress::broadcastAddress_data()
{
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QString>("netmask");
    QTest::addColumn<QString>("broadcast");
    QTest::addColumn<QString>("want");
    QTest::newRow("own broadcast wins") << "192.168.11.50"
                                        << "255.255.255.0"
                                        << "192.168.11.127"
                                        << "192.168.11.127";
    QTest::newRow("from netmask /24") << "192.168.11.50"
                                      << "255.255.255.0"
                                      << ""
                                      << "192.168.11.255";
    QTest::newRow("from netmask /20") << "10.1.37.9"
                                      << "255.255.240.0"
                                      << ""
                                      << "10.1.47.255";
    QTest::newRow("no netmask") << "192.168.11.50"
                                << "0.0.0.0"
                                << ""
                                << "";
}

void TestBroadcastAddress::broadcastAddress()
{
    QFETCH(QString, ip);
    QFETCH(QString, netmask);
    QFETCH(QString, broadcast);
    QFETCH(QString, want);
    QNetworkAddressEntry entry;
    entry.setIp(QHostAddress(ip));
    entry.setNetmask(QHostAddress(netmask));
    if (!broadcast.isEmpty())
        entry.setBroadcast(QHostAddress(broadcast));
    const QHostAddress got = discoveryBroadcastFor(entry);
    QCOMPARE(got.isNull() ? QString() : got.toString(), want);
}

QTEST_GUILESS_MAIN(TestBroadcastAddress)
#include "tst_broadcastaddress.moc"
