// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include <imgr.h>
#include <svp.h>

#include <QTest>

namespace {

imgr::ImgrMsg livingRoom()
{
    imgr::ImgrMsg m;
    m.control0 = 0;
    m.type = 2;
    m.flags = 3;
    m.control3 = 1;
    m.id = "001122334455";
    m.ip = "192.168.11.126";
    m.name = "Living Room";
    m.model = "NV-1000";
    m.numTuners = 4;
    m.subscription = 1;
    m.value0 = 1700000000u;
    return m;
}

const char kV6[] = "53566e7600030001616364626461363133636239000000003139322e3136382e"
                   "31312e3530000000507974686f6e205465737400000000000000000000000000"
                   "00000000000000000000000000000000000000000000000000000000";
const char kV7[] = "53566e7600020301303031313232333334343535000000003139322e3136382e"
                   "31312e31323600004c6976696e6720526f6f6d00000000004e562d3130303000"
                   "0000000000000000040100006553f100000000000000000000000000";

} // namespace

class TestImgr : public QObject
{
    Q_OBJECT

private slots:
    void vectors_data();
    void vectors();
    void makeDiscoverFields();
    void textFieldsAreCutAndFilled();
    void parseReadsEveryField();
    void parseLengths_data();
    void parseLengths();
    void parseRefusesWrongMagic();
};

void TestImgr::vectors_data()
{
    QTest::addColumn<QByteArray>("packed");
    QTest::addColumn<QByteArray>("want");
    QTest::newRow("imgr_discover")
        << imgr::makeDiscover("acdbda613cb9", "Python Test", QStringLiteral("192.168.11.50")).pack()
        << QByteArray(kV6);
    QTest::newRow("imgr_response") << livingRoom().pack() << QByteArray(kV7);
}

void TestImgr::vectors()
{
    QFETCH(QByteArray, packed);
    QFETCH(QByteArray, want);
    QCOMPARE(packed.size(), 92);
    QCOMPARE(packed.toHex(), want);
}

void TestImgr::makeDiscoverFields()
{
    const imgr::ImgrMsg m = imgr::makeDiscover(QByteArray("6e6f74616e76").append(4, '\0'),
                                               "Norplay", QStringLiteral("10.0.0.7"));
    QCOMPARE(m.control0, quint8(0));
    QCOMPARE(m.type, quint8(3));
    QCOMPARE(m.flags, quint8(0));
    QCOMPARE(m.control3, quint8(1));
    QCOMPARE(fixedText(m.id), QStringLiteral("6e6f74616e76"));
    QCOMPARE(m.ip, QByteArray("10.0.0.7"));
    QCOMPARE(m.name, QByteArray("Norplay"));
    QVERIFY(m.model.isEmpty());
    QCOMPARE(m.numTuners, quint8(0));
    QCOMPARE(m.value0, 0u);
}

void TestImgr::textFieldsAreCutAndFilled()
{
    imgr::ImgrMsg m;
    m.name = "A name longer than sixteen bytes";
    m.model = "M";
    const QByteArray packed = m.pack();
    QCOMPARE(packed.size(), 92);
    QCOMPARE(packed.mid(40, 16), QByteArray("A name longer th"));
    QCOMPARE(packed.mid(56, 16), QByteArray("M").append(15, '\0'));
    QCOMPARE(packed.mid(72, 1), QByteArray(1, '\0')); // nothing spills into numTuners
}

void TestImgr::parseReadsEveryField()
{
    imgr::ImgrMsg sent = livingRoom();
    sent.control0 = 9;
    sent.extra74 = 0x74;
    sent.extra75 = 0x75;
    sent.value1 = 0x01020304u;
    sent.value2 = 0xa0b0c0d0u;
    sent.value3 = 0xffffffffu;
    imgr::ImgrMsg got;
    QVERIFY(imgr::parseImgr(sent.pack(), got));
    QCOMPARE(got.control0, quint8(9));
    QCOMPARE(got.type, quint8(2));
    QCOMPARE(got.flags, quint8(3));
    QCOMPARE(got.control3, quint8(1));
    QCOMPARE(got.id, QByteArray("001122334455").append(4, '\0'));
    QCOMPARE(got.ip, QByteArray("192.168.11.126").append(2, '\0'));
    QCOMPARE(fixedText(got.name), QStringLiteral("Living Room"));
    QCOMPARE(got.name.size(), 16);
    QCOMPARE(fixedText(got.model), QStringLiteral("NV-1000"));
    QCOMPARE(got.numTuners, quint8(4));
    QCOMPARE(got.subscription, quint8(1));
    QCOMPARE(got.extra74, quint8(0x74));
    QCOMPARE(got.extra75, quint8(0x75));
    QCOMPARE(got.value0, 1700000000u);
    QCOMPARE(got.value1, 0x01020304u);
    QCOMPARE(got.value2, 0xa0b0c0d0u);
    QCOMPARE(got.value3, 0xffffffffu);
    QCOMPARE(got.pack(), sent.pack());
}

void TestImgr::parseLengths_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("91") << 91 << false;
    QTest::newRow("92") << 92 << true;
    QTest::newRow("120") << 120 << true;
    QTest::newRow("4") << 4 << false;
}

void TestImgr::parseLengths()
{
    QFETCH(int, size);
    QFETCH(bool, accepted);
    QByteArray bytes = livingRoom().pack();
    // Bytes past 92 must not be read: fill them with something that would show.
    bytes = size <= 92 ? bytes.left(size) : bytes + QByteArray(size - 92, '\x7f');
    imgr::ImgrMsg out;
    out.name = "untouched";
    out.numTuners = 77;
    QCOMPARE(imgr::parseImgr(bytes, out), accepted);
    if (accepted) {
        QCOMPARE(out.pack(), livingRoom().pack());
    } else {
        QCOMPARE(out.name, QByteArray("untouched"));
        QCOMPARE(out.numTuners, quint8(77));
    }
}

void TestImgr::parseRefusesWrongMagic()
{
    QByteArray bytes = livingRoom().pack();
    bytes.replace(0, 4, "SVrp");
    imgr::ImgrMsg out;
    out.type = 42;
    QVERIFY(!imgr::parseImgr(bytes, out));
    QCOMPARE(out.type, quint8(42));
}

QTEST_GUILESS_MAIN(TestImgr)
#include "tst_imgr.moc"
