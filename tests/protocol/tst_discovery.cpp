// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// Discovery: the sweeps and the service inside the namespaced test network, with stand-in boxes
// on two subnets of the client. Without the network (it needs root) initTestCase skips the whole
// case and the program exits with testnet::kSkippedExitCode, which CTest reports as skipped.
#include "boxsimprocess.h"
#include "testnet.h"

#include <deviceidentity.h>
#include <discovery.h>
#include <discoveryservice.h>
#include <remotedevicemodel.h>
#include <svp.h>

#include <QElapsedTimer>
#include <QMutex>
#include <QSignalSpy>
#include <QTest>
#include <QtConcurrent/QtConcurrentRun>

#include <memory>
#include <vector>

namespace {

QMutex g_logMutex;
QStringList g_log;
QtMessageHandler g_previousHandler = nullptr;

void captureMessages(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    {
        QMutexLocker lock(&g_logMutex);
        g_log << message;
    }
    if (g_previousHandler)
        g_previousHandler(type, context, message);
}

QStringList takeLog()
{
    QMutexLocker lock(&g_logMutex);
    QStringList log = g_log;
    g_log.clear();
    return log;
}

const QByteArray kClientId = DeviceIdentity().idBytes();
const QHostAddress kEverywhere(QHostAddress::Broadcast);

// A discovery-only stand-in box on one of the test network's box hosts.
QStringList boxArgs(const QString &address, const QString &id, const QString &name)
{
    return {QStringLiteral("--address"),
            address,
            QStringLiteral("--discovery-address"),
            QStringLiteral("0.0.0.0"),
            QStringLiteral("--no-svp"),
            QStringLiteral("--no-keys"),
            QStringLiteral("--trace"),
            QStringLiteral("--id"),
            id,
            QStringLiteral("--name"),
            name};
}

QStringList box1Args(const QString &id, const QString &name)
{
    return boxArgs(QStringLiteral("10.231.1.2"), id, name);
}

QStringList box2Args(const QString &id, const QString &name)
{
    return boxArgs(QStringLiteral("10.231.2.2"), id, name);
}

QMap<QString, imgr::ImgrMsg> byId(const QList<imgr::ImgrMsg> &devices)
{
    QMap<QString, imgr::ImgrMsg> map;
    for (const imgr::ImgrMsg &d : devices)
        map.insert(fixedText(d.id), d);
    return map;
}

} // namespace

class TestDiscovery : public QObject
{
    Q_OBJECT

public:
    // True when initTestCase found no test network, so that nothing else ran.
    bool noNetwork() const { return m_noNetwork; }

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void playerSweepReachesBothSubnets();
    void answersAreFiltered();
    void explicitTarget();
    void remoteSweep();
    void zeroTimeoutStillSends();
    void failedSendEndsTheSweepQuietly();
    void cancelEndsTheSweepQuickly();
    void serviceRunsOneSweepAtATime_data();
    void serviceRunsOneSweepAtATime();
    void serviceDestructionCancels();

private:
    bool startBox(const QStringList &args, const QString &host);

    bool m_noNetwork = false;
    std::vector<std::unique_ptr<BoxSimProcess>> m_boxes;
};

void TestDiscovery::initTestCase()
{
    // Before any thread exists: every thread started later is in the client host too.
    QString reason;
    if (!testnet::enterClient(&reason)) {
        m_noNetwork = true;
        QSKIP(qPrintable(reason));
    }
    g_previousHandler = qInstallMessageHandler(captureMessages);
}

void TestDiscovery::cleanupTestCase()
{
    m_boxes.clear();
    testnet::leave();
}

void TestDiscovery::init()
{
    takeLog();
}

void TestDiscovery::cleanup()
{
    m_boxes.clear(); // stops every box of the test
}

bool TestDiscovery::startBox(const QStringList &args, const QString &host)
{
    auto box = std::make_unique<BoxSimProcess>(args, host);
    QString error;
    if (!box->start(&error)) {
        qWarning("%s", qPrintable(error));
        return false;
    }
    m_boxes.push_back(std::move(box));
    return true;
}

void TestDiscovery::playerSweepReachesBothSubnets()
{
    QVERIFY(startBox(box1Args(QStringLiteral("0000000000b1"), QStringLiteral("Box One")),
                     QStringLiteral("box1")));
    QVERIFY(startBox(box2Args(QStringLiteral("0000000000b2"), QStringLiteral("Box Two")),
                     QStringLiteral("box2")));

    const QList<imgr::ImgrMsg> devices =
        svpDiscover(kClientId, "Norplay", 1500, nullptr, kEverywhere);
    const auto found = byId(devices);
    QCOMPARE(found.keys(),
             (QStringList{QStringLiteral("0000000000b1"), QStringLiteral("0000000000b2")}));
    QCOMPARE(fixedText(found[QStringLiteral("0000000000b1")].name), QStringLiteral("Box One"));
    QCOMPARE(fixedText(found[QStringLiteral("0000000000b1")].ip), QStringLiteral("10.231.1.2"));
    QCOMPARE(fixedText(found[QStringLiteral("0000000000b2")].ip), QStringLiteral("10.231.2.2"));
    QCOMPARE(found[QStringLiteral("0000000000b2")].type, quint8(2));

    const QStringList log = takeLog();
    QVERIFY2(log.contains(QStringLiteral(
                 "svpDiscover: DISCOVER on nvc-b1  src=10.231.1.1  bcast=10.231.1.255")),
             qPrintable(log.join(QLatin1Char('\n'))));
    QVERIFY2(log.contains(QStringLiteral(
                 "svpDiscover: DISCOVER on nvc-b2  src=10.231.2.1  bcast=10.231.2.255")),
             qPrintable(log.join(QLatin1Char('\n'))));
    // Loopback is never swept, and the sweep hears (and drops) its own DISCOVERs.
    QVERIFY(log.filter(QStringLiteral("DISCOVER on lo ")).isEmpty());
    QVERIFY(log.contains(
        QStringLiteral("svpDiscover: recv from 10.231.1.1:31064  type=3  id=6e6f74616e76")));
    QVERIFY(log.contains(
        QStringLiteral("svpDiscover: recv from 10.231.2.2:31064  type=2  id=0000000000b2")));

    // What each box captured: both passes of the sweep, byte for byte the layout of the
    // self-test's DISCOVER vector with this client's id, its address on that net and its name.
    const QByteArray v6 =
        QByteArray::fromHex("53566e7600030001616364626461363133636239000000003139322e3136382e"
                            "31312e3530000000507974686f6e205465737400000000000000000000000000"
                            "00000000000000000000000000000000000000000000000000000000");
    for (int box = 0; box < 2; ++box) {
        QByteArray want = v6;
        want.replace(8, 16, QByteArray("6e6f74616e76").append(4, '\0'));
        want.replace(24, 16,
                     QByteArray(box == 0 ? "10.231.1.1" : "10.231.2.1").leftJustified(16, '\0'));
        want.replace(40, 16, QByteArray("Norplay").leftJustified(16, '\0'));
        const QString line = QStringLiteral("discover ") + QString::fromLatin1(want.toHex());
        QCOMPARE(m_boxes[size_t(box)]->received(), (QStringList{line, line}));
    }
}

void TestDiscovery::answersAreFiltered()
{
    // Several stand-in boxes share box1; each shows one rule of the answer filter.
    QVERIFY(startBox(box1Args(QStringLiteral("000000000000"), QStringLiteral("Old answer"))
                         << QStringLiteral("--answer-type") << QStringLiteral("0"),
                     QStringLiteral("box1")));
    QVERIFY(startBox(box1Args(QStringLiteral("000000000001"), QStringLiteral("Type one"))
                         << QStringLiteral("--answer-type") << QStringLiteral("1"),
                     QStringLiteral("box1")));
    QVERIFY(startBox(box1Args(QStringLiteral("000000000003"), QStringLiteral("Other client"))
                         << QStringLiteral("--answer-type") << QStringLiteral("3"),
                     QStringLiteral("box1")));
    QVERIFY(startBox(box1Args(QStringLiteral("000000000091"), QStringLiteral("Short"))
                         << QStringLiteral("--answer-size") << QStringLiteral("91"),
                     QStringLiteral("box1")));
    QVERIFY(startBox(box1Args(QStringLiteral("000000000120"), QStringLiteral("Long"))
                         << QStringLiteral("--answer-size") << QStringLiteral("120"),
                     QStringLiteral("box1")));
    QVERIFY(startBox(box1Args(QStringLiteral("0000000000dd"), QStringLiteral("First")),
                     QStringLiteral("box1")));
    QVERIFY(startBox(box1Args(QStringLiteral("0000000000dd"), QStringLiteral("Second"))
                         << QStringLiteral("--answer-delay-ms") << QStringLiteral("400"),
                     QStringLiteral("box1")));

    const auto found = byId(svpDiscover(kClientId, "Norplay", 1500, nullptr, kEverywhere));
    QCOMPARE(found.keys(),
             (QStringList{QStringLiteral("000000000000"), QStringLiteral("0000000000dd"),
                          QStringLiteral("000000000120")}));
    QCOMPARE(fixedText(found[QStringLiteral("0000000000dd")].name), QStringLiteral("Second"));
    QCOMPARE(fixedText(found[QStringLiteral("000000000120")].name), QStringLiteral("Long"));

    const QStringList log = takeLog();
    QVERIFY2(log.contains(
                 QStringLiteral("svpDiscover: recv 91 bytes from 10.231.1.2:31064 (unparsable)")),
             qPrintable(log.join(QLatin1Char('\n'))));
    QVERIFY(log.contains(
        QStringLiteral("svpDiscover: recv from 10.231.1.2:31064  type=1  id=000000000001")));
}

void TestDiscovery::explicitTarget()
{
    QVERIFY(startBox(box1Args(QStringLiteral("0000000000b1"), QStringLiteral("Box One")),
                     QStringLiteral("box1")));
    QVERIFY(startBox(box2Args(QStringLiteral("0000000000b2"), QStringLiteral("Box Two")),
                     QStringLiteral("box2")));

    const auto found = byId(svpDiscover(kClientId, "Norplay", 800, nullptr,
                                        QHostAddress(QStringLiteral("10.231.2.2"))));
    QCOMPARE(found.keys(), QStringList{QStringLiteral("0000000000b2")});
    // The source is the address of the default route's interface.
    const QStringList log = takeLog();
    QVERIFY2(log.contains(QStringLiteral(
                 "svpDiscover: DISCOVER on (explicit)  src=10.231.1.1  bcast=10.231.2.2")),
             qPrintable(log.join(QLatin1Char('\n'))));
    QCOMPARE(m_boxes[0]->received().size(), 0);
    QCOMPARE(m_boxes[1]->received().size(), 2);
}

void TestDiscovery::remoteSweep()
{
    QVERIFY(startBox(box1Args(QStringLiteral("0000000000b1"), QStringLiteral("Box One")),
                     QStringLiteral("box1")));
    QVERIFY(startBox(box2Args(QStringLiteral("0000000000b2"), QStringLiteral("Box Two")),
                     QStringLiteral("box2")));

    const auto found = byId(svpDiscoverRemote(kClientId, "Norremote", 1000, nullptr, kEverywhere));
    QVERIFY2(found.contains(QStringLiteral("0000000000b1")),
             qPrintable(found.keys().join(QLatin1Char(','))));
    QCOMPARE(fixedText(found[QStringLiteral("0000000000b1")].name), QStringLiteral("Box One"));
    QVERIFY(takeLog().filter(QStringLiteral("svpDiscover")).isEmpty()); // this sweep is quiet

    // One DISCOVER, from the route's source address, to 255.255.255.255 and each broadcast
    // address: box1 hears both passes of at least its own network's broadcast.
    const QStringList heard = m_boxes[0]->received();
    QVERIFY(heard.size() >= 2);
    imgr::ImgrMsg discover;
    QVERIFY(imgr::parseImgr(QByteArray::fromHex(heard[0].section(QLatin1Char(' '), 1).toLatin1()),
                            discover));
    QCOMPARE(fixedText(discover.name), QStringLiteral("Norremote"));
    QCOMPARE(fixedText(discover.ip), QStringLiteral("10.231.1.1"));
}

void TestDiscovery::zeroTimeoutStillSends()
{
    QVERIFY(startBox(box1Args(QStringLiteral("0000000000b1"), QStringLiteral("Box One")),
                     QStringLiteral("box1")));
    QElapsedTimer clock;
    clock.start();
    const auto devices = svpDiscover(kClientId, "Norplay", 0, nullptr, kEverywhere);
    QVERIFY(devices.isEmpty());
    QVERIFY(clock.elapsed() < 1000);
    QCOMPARE(m_boxes[0]->received().size(), 2);
}

void TestDiscovery::failedSendEndsTheSweepQuietly()
{
    // An IPv6 target cannot be reached from the IPv4 socket: the send fails locally. Qt then
    // closes the socket at the next timed-out wait; the sweep must end instead of spinning on
    // a closed socket until its deadline.
    QElapsedTimer clock;
    clock.start();
    const auto devices = svpDiscover(kClientId, "Norplay", 4000, nullptr,
                                     QHostAddress(QStringLiteral("2001:db8::1")));
    QVERIFY(devices.isEmpty());
    QVERIFY2(clock.elapsed() < 1500, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(takeLog().filter(QStringLiteral("QUdpSocket")).isEmpty());
}

void TestDiscovery::cancelEndsTheSweepQuickly()
{
    QVERIFY(startBox(box1Args(QStringLiteral("0000000000b1"), QStringLiteral("Box One")),
                     QStringLiteral("box1")));
    QAtomicInt cancel;
    QFuture<QList<imgr::ImgrMsg>> sweep = QtConcurrent::run(
        svpDiscover, kClientId, QByteArray("Norplay"), 8000, &cancel, kEverywhere);
    QTest::qWait(700);
    QVERIFY(sweep.isRunning());
    QElapsedTimer clock;
    clock.start();
    cancel.fetchAndStoreOrdered(1);
    sweep.waitForFinished();
    const qint64 elapsed = clock.elapsed();
    QVERIFY2(elapsed <= 350, qPrintable(QString::number(elapsed)));
    // What was stored before the cancel comes back.
    QCOMPARE(byId(sweep.result()).keys(), QStringList{QStringLiteral("0000000000b1")});
}

void TestDiscovery::serviceRunsOneSweepAtATime_data()
{
    QTest::addColumn<int>("client");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("discovers");
    // Per pass box1 hears the player once (its network's broadcast) and the remote control
    // twice (255.255.255.255 through the default route, and its network's broadcast).
    QTest::newRow("Norplay") << int(DiscoveryService::Client::Norplay) << "Norplay" << 2;
    QTest::newRow("Norremote") << int(DiscoveryService::Client::Norremote) << "Norremote" << 4;
}

void TestDiscovery::serviceRunsOneSweepAtATime()
{
    QFETCH(int, client);
    QFETCH(QString, name);
    QFETCH(int, discovers);
    QVERIFY(startBox(box1Args(QStringLiteral("0000000000b1"), QStringLiteral("Box One")),
                     QStringLiteral("box1")));

    DeviceIdentity identity;
    DiscoveryService service(&identity, DiscoveryService::Client(client));
    RemoteDeviceModel model; // wired as the programs wire it
    connect(&service, &DiscoveryService::finished, &model, &RemoteDeviceModel::setDevices);
    QSignalSpy scanning(&service, &DiscoveryService::scanningChanged);
    QSignalSpy finished(&service, &DiscoveryService::finished);
    QElapsedTimer clock;
    clock.start();
    service.refresh();
    service.refresh();
    QCOMPARE(scanning.size(), 1);
    QVERIFY(service.property("scanning").toBool());

    QVERIFY(finished.wait(12000));
    const qint64 elapsed = clock.elapsed();
    QVERIFY2(elapsed >= 7900 && elapsed < 10000, qPrintable(QString::number(elapsed)));
    QCOMPARE(scanning.size(), 2);
    QVERIFY(!service.scanning());
    const auto devices = finished.at(0).at(0).value<QList<imgr::ImgrMsg>>();
    QCOMPARE(byId(devices).keys(), QStringList{QStringLiteral("0000000000b1")});
    QCOMPARE(model.count(), 1);
    QCOMPARE(model.deviceAt(0).value(QStringLiteral("deviceId")).toString(),
             QStringLiteral("0000-0000-00b1"));

    // One sweep of two passes (a second sweep would double the count), carrying this
    // program's name.
    const QStringList heard = m_boxes[0]->received();
    QCOMPARE(heard.size(), discovers);
    imgr::ImgrMsg discover;
    QVERIFY(imgr::parseImgr(QByteArray::fromHex(heard[0].section(QLatin1Char(' '), 1).toLatin1()),
                            discover));
    QCOMPARE(fixedText(discover.name), name);
    QCOMPARE(discover.id, identity.idBytes());
}

void TestDiscovery::serviceDestructionCancels()
{
    auto service = std::make_unique<DiscoveryService>(nullptr);
    QSignalSpy finished(service.get(), &DiscoveryService::finished);
    service->refresh();
    QTest::qWait(500);
    QVERIFY(service->scanning());
    QElapsedTimer clock;
    clock.start();
    service.reset();
    QVERIFY2(clock.elapsed() <= 350, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(finished.size(), 0);
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    TestDiscovery test;
    QTEST_SET_MAIN_SOURCE_PATH
    const int failures = QTest::qExec(&test, argc, argv);
    return failures == 0 && test.noNetwork() ? testnet::kSkippedExitCode : failures;
}
#include "tst_discovery.moc"
