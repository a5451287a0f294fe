// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include <remotedevicemodel.h>

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

namespace {

// A device as parsed from the wire: 16-byte text fields.
imgr::ImgrMsg device(const QByteArray &name, const QByteArray &id, quint8 flags = 3,
                     const QByteArray &ip = "10.0.0.2")
{
    imgr::ImgrMsg m;
    m.type = 2;
    m.flags = flags;
    m.id = id.leftJustified(16, '\0', true);
    m.ip = ip.leftJustified(16, '\0', true);
    m.name = name.leftJustified(16, '\0', true);
    m.model = QByteArray("NV-1000").leftJustified(16, '\0');
    m.numTuners = 4;
    m.subscription = 1;
    return m;
}

QStringList column(const RemoteDeviceModel &model, int role)
{
    QStringList values;
    for (int row = 0; row < model.rowCount(); ++row)
        values << model.data(model.index(row, 0), role).toString();
    return values;
}

} // namespace

class TestRemoteDeviceModel : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void startsEmpty();
    void sortsByName_data();
    void sortsByName();
    void rolesOfARow();
    void flags_data();
    void flags();
    void outOfRange();
    void emptyListStillNotifies();
    void replacesTheWholeList();
    void takesListsFromQueuedSignals();
};

void TestRemoteDeviceModel::initTestCase()
{
    // Collation follows the locale; pin one where case does not decide the order.
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void TestRemoteDeviceModel::startsEmpty()
{
    RemoteDeviceModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.property("count").toInt(), 0);
}

void TestRemoteDeviceModel::sortsByName_data()
{
    QTest::addColumn<QList<imgr::ImgrMsg>>("devices");
    QTest::addColumn<QStringList>("ids");

    QTest::newRow("equal names by id")
        << QList<imgr::ImgrMsg>{device("Living Room", "002233445566"),
                                device("Living Room", "001122334455")}
        << QStringList{QStringLiteral("001122334455"), QStringLiteral("002233445566")};
    QTest::newRow("collation, not code units")
        << QList<imgr::ImgrMsg>{device("Kitchen", "000000000001"),
                                device("bedroom", "000000000002")}
        << QStringList{QStringLiteral("000000000002"), QStringLiteral("000000000001")};
    QTest::newRow("names before ids")
        << QList<imgr::ImgrMsg>{device("Zeta", "000000000001"), device("Alpha", "000000000009"),
                                device("Alpha", "000000000003"), device("Mid", "000000000005")}
        << QStringList{QStringLiteral("000000000003"), QStringLiteral("000000000009"),
                       QStringLiteral("000000000005"), QStringLiteral("000000000001")};
    // A control character is ignorable to the collation, so the two names collate equal while
    // their bytes differ. Both orders around it must still agree: same names by id, and the
    // look-alike name in one place of its own.
    QTest::newRow("look-alike name among equal names")
        << QList<imgr::ImgrMsg>{device("Living Room", "000000000001"),
                                device("Living Room", "000000000009"),
                                device("Living Room\x01", "000000000005"),
                                device("Living Room", "000000000003")}
        << QStringList{QStringLiteral("000000000001"), QStringLiteral("000000000003"),
                       QStringLiteral("000000000009"), QStringLiteral("000000000005")};
}

void TestRemoteDeviceModel::sortsByName()
{
    QFETCH(QList<imgr::ImgrMsg>, devices);
    QFETCH(QStringList, ids);
    RemoteDeviceModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.setDevices(devices);
    QCOMPARE(column(model, RemoteDeviceModel::DeviceIdRawRole), ids);
}

void TestRemoteDeviceModel::rolesOfARow()
{
    RemoteDeviceModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    imgr::ImgrMsg full = device("ABCDEFGHIJKLMNOP", "001122334455", 1, "192.168.11.126");
    full.subscription = 0;
    full.numTuners = 2;
    model.setDevices({full});

    const QHash<int, QByteArray> names = model.roleNames();
    const QHash<int, QByteArray> wantNames{
        {257, "name"},       {258, "deviceId"},    {259, "deviceIdRaw"},
        {260, "ip"},         {261, "deviceModel"}, {262, "numTuners"},
        {263, "hasLibrary"}, {264, "hasTuner"},    {265, "subscription"},
    };
    QCOMPARE(names, wantNames);

    const QVariantMap want{
        {QStringLiteral("name"), QStringLiteral("ABCDEFGHIJKLMNOP")}, // 16 characters, no zero byte
        {QStringLiteral("deviceId"), QStringLiteral("0011-2233-4455")},
        {QStringLiteral("deviceIdRaw"), QStringLiteral("001122334455")},
        {QStringLiteral("ip"), QStringLiteral("192.168.11.126")},
        {QStringLiteral("deviceModel"), QStringLiteral("NV-1000")},
        {QStringLiteral("numTuners"), 2},
        {QStringLiteral("hasLibrary"), true},
        {QStringLiteral("hasTuner"), false},
        {QStringLiteral("subscription"), false},
    };
    const QVariantMap got = model.deviceAt(0);
    QCOMPARE(got, want);
    const QModelIndex index = model.index(0, 0);
    for (auto it = wantNames.cbegin(); it != wantNames.cend(); ++it)
        QCOMPARE(model.data(index, it.key()), want.value(QString::fromLatin1(it.value())));
}

void TestRemoteDeviceModel::flags_data()
{
    QTest::addColumn<int>("flags");
    QTest::addColumn<bool>("hasLibrary");
    QTest::addColumn<bool>("hasTuner");
    QTest::newRow("3") << 3 << true << true;
    QTest::newRow("2") << 2 << false << true;
    QTest::newRow("1") << 1 << true << false;
    QTest::newRow("0") << 0 << false << false;
    QTest::newRow("other bits") << 0xfc << false << false;
}

void TestRemoteDeviceModel::flags()
{
    QFETCH(int, flags);
    QFETCH(bool, hasLibrary);
    QFETCH(bool, hasTuner);
    RemoteDeviceModel model;
    model.setDevices({device("Box", "001122334455", quint8(flags))});
    QCOMPARE(model.data(model.index(0, 0), RemoteDeviceModel::HasLibraryRole).toBool(), hasLibrary);
    QCOMPARE(model.data(model.index(0, 0), RemoteDeviceModel::HasTunerRole).toBool(), hasTuner);
}

void TestRemoteDeviceModel::outOfRange()
{
    RemoteDeviceModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.setDevices({device("A", "000000000001"), device("B", "000000000002")});
    QVERIFY(model.deviceAt(-1).isEmpty());
    QVERIFY(model.deviceAt(2).isEmpty());
    QVERIFY(!model.deviceAt(1).isEmpty());
    const QModelIndex index = model.index(0, 0);
    QVERIFY(!model.data(index, Qt::UserRole).isValid());
    QVERIFY(!model.data(index, Qt::UserRole + 10).isValid());
    QVERIFY(!model.data(index, Qt::DisplayRole).isValid());
    QVERIFY(!model.data(QModelIndex(), RemoteDeviceModel::NameRole).isValid());
    QCOMPARE(model.rowCount(index), 0); // a list has no children
}

void TestRemoteDeviceModel::emptyListStillNotifies()
{
    RemoteDeviceModel model;
    QSignalSpy count(&model, &RemoteDeviceModel::countChanged);
    model.setDevices({});
    QCOMPARE(count.size(), 1);
    QCOMPARE(model.count(), 0);
}

void TestRemoteDeviceModel::replacesTheWholeList()
{
    RemoteDeviceModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy count(&model, &RemoteDeviceModel::countChanged);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    model.setDevices({device("A", "000000000001"), device("B", "000000000002")});
    model.setDevices({device("C", "000000000003")});
    QCOMPARE(count.size(), 2);
    QCOMPARE(reset.size(), 2);
    QCOMPARE(column(model, RemoteDeviceModel::NameRole), QStringList{QStringLiteral("C")});
}

void TestRemoteDeviceModel::takesListsFromQueuedSignals()
{
    // The device list arrives through a signal carrying QList<imgr::ImgrMsg>.
    RemoteDeviceModel model;
    QMetaObject::invokeMethod(
        &model, "setDevices", Qt::QueuedConnection,
        Q_ARG(QList<imgr::ImgrMsg>, (QList<imgr::ImgrMsg>{device("Queued", "000000000007")})));
    QTRY_COMPARE(model.count(), 1);
    QCOMPARE(model.deviceAt(0).value(QStringLiteral("name")).toString(), QStringLiteral("Queued"));
}

QTEST_GUILESS_MAIN(TestRemoteDeviceModel)
#include "tst_remotedevicemodel.moc"
