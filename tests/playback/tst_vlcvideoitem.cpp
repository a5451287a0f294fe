// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// VlcVideoItem: the letterbox geometry as a table, the libvlc callbacks driven by hand with
// known pictures (painted through the software scene graph and measured in a window grab), and
// the item together with a real VlcPlayer and libvlc.
#include "recordingmaker.h"
#include "testmedia.h"
#include "vlcplayer.h"
#include "vlcvideoitem.h"

#include <QDir>
#include <QImage>
#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace {

// A picture of one colour, handed to the item the way libvlc does: format set-up (optional),
// lock, write, unlock, display.
void feedFrame(VlcVideoItem *item, unsigned width, unsigned height, QRgb colour, bool setUp = true)
{
    void *opaque = item;
    if (setUp) {
        char chroma[5] = {};
        unsigned w = width;
        unsigned h = height;
        unsigned pitches[3] = {};
        unsigned lines[3] = {};
        QCOMPARE(VlcVideoItem::formatSetup(&opaque, chroma, &w, &h, pitches, lines), 1u);
        QCOMPARE(QByteArray(chroma), QByteArray("RV32"));
        QCOMPARE(pitches[0], width * 4);
        QCOMPARE(lines[0], height);
    }
    void *planes[3] = {};
    void *picture = VlcVideoItem::lockFrame(opaque, planes);
    QVERIFY(planes[0]);
    QCOMPARE(picture, planes[0]);
    auto *pixels = static_cast<quint32 *>(planes[0]);
    std::fill(pixels, pixels + size_t(width) * height, quint32(colour));
    VlcVideoItem::unlockFrame(opaque, picture, planes);
    VlcVideoItem::displayFrame(opaque, picture);
}

// Bounding box of the pixels that are not (nearly) black.
QRect pictureBounds(const QImage &image)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(line[x]) > 40)
                box |= QRect(x, y, 1, 1);
        }
    }
    return box;
}

bool near(const QRect &actual, const QRectF &expected, double slack = 1.5)
{
    return qAbs(actual.left() - expected.left()) <= slack &&
           qAbs(actual.top() - expected.top()) <= slack &&
           qAbs(actual.right() + 1 - expected.right()) <= slack &&
           qAbs(actual.bottom() + 1 - expected.bottom()) <= slack;
}

QString describe(const QRect &actual, const QRectF &expected)
{
    return QStringLiteral("painted (%1,%2 %3x%4), expected (%5,%6 %7x%8)")
        .arg(actual.x())
        .arg(actual.y())
        .arg(actual.width())
        .arg(actual.height())
        .arg(expected.x())
        .arg(expected.y())
        .arg(expected.width())
        .arg(expected.height());
}

} // namespace

class TestVlcVideoItem : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void geometry_data();
    void geometry();
    void callbacksAnnounceFirstFrameOncePerSetup();
    void paintsLetterboxed_data();
    void paintsLetterboxed();
    void stillPictureFollowsResize_data();
    void stillPictureFollowsResize();
    void cleanupRemovesPicture();

    void framesFromLibvlc();
    void settingSamePlayerTwiceEmitsOnce();
    void settingNullStopsPlayback();
    void destroyingItemDetachesFromPlayer();
    void destroyingPlayerFirstLeavesItemSafe();
    void sampleRecordingFirstFrame();

private:
    void showWindow(int width, int height);
    bool waitPlaying(int timeoutMs = 10000);

    QTemporaryDir m_dir;
    QString m_first;  // 4 s, 320x240
    QString m_second; // 3 s, 480x270
    std::unique_ptr<QQuickWindow> m_window;
    std::unique_ptr<VlcPlayer> m_player;
    VlcVideoItem *m_item = nullptr; // child of the window's content item
};

void TestVlcVideoItem::initTestCase()
{
    // No GPU here: the software scene graph paints, and grabbing the window reads it back.
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    QVERIFY(m_dir.isValid());
    testmedia::StreamOptions first;
    first.seconds = 4;
    m_first = testmedia::make(m_dir.path(), QStringLiteral("first.ts"), first);
    QVERIFY(!m_first.isEmpty());
    testmedia::StreamOptions second;
    second.width = 480;
    second.height = 270;
    second.seconds = 3;
    m_second = testmedia::make(m_dir.path(), QStringLiteral("second.ts"), second);
    QVERIFY(!m_second.isEmpty());
}

void TestVlcVideoItem::init()
{
    m_window = std::make_unique<QQuickWindow>();
    m_window->setColor(Qt::black);
    m_item = new VlcVideoItem(m_window->contentItem());
}

void TestVlcVideoItem::cleanup()
{
    m_player.reset();
    m_window.reset();
    m_item = nullptr;
}

void TestVlcVideoItem::showWindow(int width, int height)
{
    m_window->resize(width, height);
    m_item->setSize(QSizeF(width, height));
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

bool TestVlcVideoItem::waitPlaying(int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!m_player->playing() && clock.elapsed() < timeoutMs)
        QTest::qWait(20);
    return m_player->playing();
}

void TestVlcVideoItem::geometry_data()
{
    QTest::addColumn<QSizeF>("bounds");
    QTest::addColumn<double>("forced");
    QTest::addColumn<double>("source");
    QTest::addColumn<QSize>("frame");
    QTest::addColumn<QRectF>("expected");

    const double wide = 16.0 / 9.0;
    const double standard = 4.0 / 3.0;
    QTest::newRow("16:9 in a 4:3 item: bars above and below")
        << QSizeF(800, 600) << 0.0 << wide << QSize(1280, 720) << QRectF(0, 75, 800, 450);
    QTest::newRow("forced 4:3 on a 16:9 stream in a 16:9 item: bars left and right")
        << QSizeF(1600, 900) << standard << wide << QSize(1920, 1080) << QRectF(200, 0, 1200, 900);
    QTest::newRow("720x480 before the aspect is measured: its pixel ratio 1.5")
        << QSizeF(1600, 900) << 0.0 << 0.0 << QSize(720, 480) << QRectF(125, 0, 1350, 900);
    QTest::newRow("1440x1080 with SAR 4:3 is drawn at 16:9")
        << QSizeF(800, 600) << 0.0 << 1440.0 / 1080.0 * (4.0 / 3.0) << QSize(1440, 1080)
        << QRectF(0, 75, 800, 450);
    QTest::newRow("1440x1080 unmeasured fills a 4:3 item")
        << QSizeF(800, 600) << 0.0 << 0.0 << QSize(1440, 1080) << QRectF(0, 0, 800, 600);
    QTest::newRow("forced aspect wins over the measured one")
        << QSizeF(900, 900) << wide << standard << QSize(640, 480)
        << QRectF(0, 196.875, 900, 506.25);
    QTest::newRow("padded decoder size: measured aspect wins over the frame's")
        << QSizeF(1280, 720) << 0.0 << wide << QSize(1280, 738) << QRectF(0, 0, 1280, 720);
    QTest::newRow("no size known: nothing drawn")
        << QSizeF(800, 600) << 0.0 << 0.0 << QSize(0, 0) << QRectF();
    QTest::newRow("empty item: nothing drawn")
        << QSizeF(0, 600) << 0.0 << wide << QSize(1280, 720) << QRectF();
}

void TestVlcVideoItem::geometry()
{
    QFETCH(QSizeF, bounds);
    QFETCH(double, forced);
    QFETCH(double, source);
    QFETCH(QSize, frame);
    QFETCH(QRectF, expected);

    const QRectF actual = letterboxRect(bounds, effectiveVideoAspect(forced, source, frame));
    if (expected.isNull()) {
        QVERIFY(actual.isEmpty());
        return;
    }
    QVERIFY2(qAbs(actual.x() - expected.x()) < 1e-6 && qAbs(actual.y() - expected.y()) < 1e-6 &&
                 qAbs(actual.width() - expected.width()) < 1e-6 &&
                 qAbs(actual.height() - expected.height()) < 1e-6,
             qPrintable(QStringLiteral("%1,%2 %3x%4")
                            .arg(actual.x())
                            .arg(actual.y())
                            .arg(actual.width())
                            .arg(actual.height())));
}

void TestVlcVideoItem::callbacksAnnounceFirstFrameOncePerSetup()
{
    QSignalSpy first(m_item, &VlcVideoItem::firstFrameReceived);

    feedFrame(m_item, 64, 36, qRgb(200, 30, 30));
    QCOMPARE(m_item->frameSize(), QSize(64, 36));
    QCOMPARE(first.count(), 0); // announced on the GUI thread, not from libvlc's
    QTRY_COMPARE(first.count(), 1);

    for (int i = 0; i < 5; ++i)
        feedFrame(m_item, 64, 36, qRgb(30, 200, 30), false);
    QTest::qWait(100);
    QCOMPARE(first.count(), 1);

    // A new format set-up (a new media, or a format change) announces its first picture again.
    feedFrame(m_item, 32, 18, qRgb(30, 30, 200));
    QCOMPARE(m_item->frameSize(), QSize(32, 18));
    QTRY_COMPARE(first.count(), 2);

    VlcVideoItem::formatCleanup(m_item);
    QCOMPARE(m_item->frameSize(), QSize(0, 0));
}

void TestVlcVideoItem::paintsLetterboxed_data()
{
    QTest::addColumn<QSize>("window");
    QTest::addColumn<QSize>("frame");
    QTest::addColumn<double>("source");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QRectF>("expected");

    QTest::newRow("16:9 picture in a 4:3 item")
        << QSize(400, 300) << QSize(320, 180) << 0.0 << 0 << QRectF(0, 37.5, 400, 225);
    QTest::newRow("aspect mode 4:3 on 16:9 in a 16:9 item")
        << QSize(480, 270) << QSize(320, 180) << 16.0 / 9.0 << 2 << QRectF(60, 0, 360, 270);
    QTest::newRow("720x480 at its pixel ratio")
        << QSize(480, 270) << QSize(720, 480) << 0.0 << 0 << QRectF(37.5, 0, 405, 270);
    QTest::newRow("1440x1080 with a measured 16:9")
        << QSize(400, 300) << QSize(1440, 1080) << 16.0 / 9.0 << 0 << QRectF(0, 37.5, 400, 225);
    QTest::newRow("aspect mode 16:9 on a 4:3 picture")
        << QSize(400, 300) << QSize(320, 240) << 0.0 << 1 << QRectF(0, 37.5, 400, 225);
}

void TestVlcVideoItem::paintsLetterboxed()
{
    QFETCH(QSize, window);
    QFETCH(QSize, frame);
    QFETCH(double, source);
    QFETCH(int, mode);
    QFETCH(QRectF, expected);

    showWindow(window.width(), window.height());
    m_item->setSourceAspect(source);
    m_item->setForcedAspect(VlcPlayer::forcedAspectForMode(mode));
    feedFrame(m_item, unsigned(frame.width()), unsigned(frame.height()), qRgb(240, 240, 240));
    QSignalSpy first(m_item, &VlcVideoItem::firstFrameReceived);
    QTRY_COMPARE(first.count(), 1);

    const QImage grab = m_window->grabWindow();
    QCOMPARE(grab.size(), window);
    const QRect painted = pictureBounds(grab);
    QVERIFY2(near(painted, expected), qPrintable(describe(painted, expected)));
}

void TestVlcVideoItem::stillPictureFollowsResize_data()
{
    QTest::addColumn<QSize>("before");
    QTest::addColumn<QSize>("after");
    QTest::addColumn<QRectF>("expected");

    // A 16:9 picture, painted once and then left alone (paused): the window changes under it.
    QTest::newRow("wider window: the bars move to the sides")
        << QSize(400, 300) << QSize(600, 250) << QRectF(77.7778, 0, 444.4444, 250);
    QTest::newRow("full-screen size: the picture grows with the window")
        << QSize(400, 300) << QSize(640, 360) << QRectF(0, 0, 640, 360);
    QTest::newRow("back to a small window")
        << QSize(640, 360) << QSize(320, 240) << QRectF(0, 30, 320, 180);
}

void TestVlcVideoItem::stillPictureFollowsResize()
{
    QFETCH(QSize, before);
    QFETCH(QSize, after);
    QFETCH(QRectF, expected);

    showWindow(before.width(), before.height());
    feedFrame(m_item, 320, 180, qRgb(240, 240, 240));
    const QRectF first = letterboxRect(QSizeF(before), 16.0 / 9.0);
    QTRY_VERIFY2(near(pictureBounds(m_window->grabWindow()), first),
                 qPrintable(describe(pictureBounds(m_window->grabWindow()), first)));

    // No further frame arrives: only the new size can bring the picture to its new place.
    m_window->resize(after);
    m_item->setSize(QSizeF(after));
    QTRY_COMPARE(m_window->grabWindow().size(), after);
    QTRY_VERIFY2(near(pictureBounds(m_window->grabWindow()), expected),
                 qPrintable(describe(pictureBounds(m_window->grabWindow()), expected)));
}

void TestVlcVideoItem::cleanupRemovesPicture()
{
    showWindow(320, 240);
    feedFrame(m_item, 64, 48, qRgb(240, 240, 240));
    QTRY_VERIFY(!pictureBounds(m_window->grabWindow()).isEmpty());

    VlcVideoItem::formatCleanup(m_item);
    m_item->update();
    QTRY_VERIFY(pictureBounds(m_window->grabWindow()).isEmpty());
}

void TestVlcVideoItem::framesFromLibvlc()
{
    showWindow(320, 240);
    m_player = std::make_unique<VlcPlayer>();
    QSignalSpy playerSpy(m_item, &VlcVideoItem::playerChanged);
    m_item->setPlayer(m_player.get());
    QCOMPARE(playerSpy.count(), 1);
    QCOMPARE(m_player->videoItem(), m_item);

    QSignalSpy first(m_item, &VlcVideoItem::firstFrameReceived);
    m_player->open(QUrl::fromLocalFile(m_first));
    QTRY_COMPARE_WITH_TIMEOUT(first.count(), 1, 10000);
    // libvlc may set up the format more than once before showing anything, and never shows the
    // picture smaller than the stream.
    const QSize frame = m_item->frameSize();
    QVERIFY2(frame.width() >= 320 && frame.height() >= 240,
             qPrintable(QStringLiteral("%1x%2").arg(frame.width()).arg(frame.height())));
    QTRY_VERIFY(m_player->time() >= 1500);
    QCOMPARE(first.count(), 1);
    QVERIFY(!pictureBounds(m_window->grabWindow()).isEmpty());

    m_player->open(QUrl::fromLocalFile(m_second));
    QTRY_COMPARE_WITH_TIMEOUT(first.count(), 2, 10000);
    QTRY_VERIFY(m_player->time() >= 1000);
    QCOMPARE(first.count(), 2);
    QVERIFY(m_item->frameSize().width() >= 480);
}

void TestVlcVideoItem::settingSamePlayerTwiceEmitsOnce()
{
    showWindow(320, 240);
    m_player = std::make_unique<VlcPlayer>();
    QSignalSpy playerSpy(m_item, &VlcVideoItem::playerChanged);
    m_item->setPlayer(m_player.get());
    m_player->open(QUrl::fromLocalFile(m_first));
    QVERIFY(waitPlaying());

    m_item->setPlayer(m_player.get());
    QCOMPARE(playerSpy.count(), 1);
    const qint64 before = m_player->time();
    QTRY_VERIFY(m_player->time() >= before + 500);
    QVERIFY(m_player->playing());
}

void TestVlcVideoItem::settingNullStopsPlayback()
{
    showWindow(320, 240);
    m_player = std::make_unique<VlcPlayer>();
    m_item->setPlayer(m_player.get());
    QSignalSpy first(m_item, &VlcVideoItem::firstFrameReceived);
    m_player->open(QUrl::fromLocalFile(m_first));
    QVERIFY(waitPlaying());
    QTRY_COMPARE(first.count(), 1);

    QSignalSpy playerSpy(m_item, &VlcVideoItem::playerChanged);
    m_item->setPlayer(nullptr);
    QCOMPARE(playerSpy.count(), 1);
    QCOMPARE(m_item->player(), nullptr);
    QCOMPARE(m_player->videoItem(), nullptr);
    QTRY_COMPARE(m_player->playing(), false);
    const qint64 stoppedAt = m_player->time();
    QTest::qWait(500);
    QCOMPARE(m_player->time(), stoppedAt);
}

void TestVlcVideoItem::destroyingItemDetachesFromPlayer()
{
    showWindow(320, 240);
    m_player = std::make_unique<VlcPlayer>();
    m_item->setPlayer(m_player.get());
    QSignalSpy first(m_item, &VlcVideoItem::firstFrameReceived);
    m_player->open(QUrl::fromLocalFile(m_first));
    QTRY_COMPARE_WITH_TIMEOUT(first.count(), 1, 10000);

    // Frames are flowing; libvlc must not reach the item once it is gone.
    delete m_item;
    m_item = nullptr;
    QCOMPARE(m_player->videoItem(), nullptr);
    QTRY_COMPARE(m_player->playing(), false);
    QTest::qWait(500);
}

void TestVlcVideoItem::destroyingPlayerFirstLeavesItemSafe()
{
    showWindow(320, 240);
    m_player = std::make_unique<VlcPlayer>();
    m_item->setPlayer(m_player.get());
    QSignalSpy first(m_item, &VlcVideoItem::firstFrameReceived);
    m_player->open(QUrl::fromLocalFile(m_first));
    QTRY_COMPARE_WITH_TIMEOUT(first.count(), 1, 10000);

    // The program's own order: the player goes first, then the scene.
    m_player.reset();
    QCOMPARE(m_item->player(), nullptr);
    QTest::qWait(200);
    delete m_item;
    m_item = nullptr;
}

void TestVlcVideoItem::sampleRecordingFirstFrame()
{
    // An anamorphic sample recording: 1440x1080 stored, 16:9 shown.
    mkrec::RecordingOptions options;
    options.folder = m_dir.filePath(QStringLiteral("sample"));
    options.durationSeconds = 3;
    options.width = 1440;
    options.height = 1080;
    options.sarNum = 4;
    options.sarDen = 3;
    options.audioTracks = 1;
    const QString error = mkrec::makeRecording(options);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    const QString video = QDir(options.folder).filePath(QStringLiteral("video1.ts"));
    QVERIFY(QFileInfo::exists(video));

    showWindow(640, 480);
    m_player = std::make_unique<VlcPlayer>();
    m_item->setPlayer(m_player.get());

    QImage firstFrame;
    connect(m_item, &VlcVideoItem::firstFrameReceived, this,
            [&] { firstFrame = m_window->grabWindow(); });
    m_player->open(QUrl::fromLocalFile(video));
    QTRY_VERIFY_WITH_TIMEOUT(!firstFrame.isNull(), 10000);

    const QString png =
        QDir(QStringLiteral(QT_TESTCASE_BUILDDIR)).filePath(QStringLiteral("first_frame.png"));
    QVERIFY(firstFrame.save(png));
    qInfo("first frame of the sample recording: %s", qPrintable(png));

    // 16:9 in the 4:3 window from the very first picture: 360 lines high, bars of 60 above and
    // below (the stream reports its size only once decoding has begun).
    QVERIFY(qFuzzyCompare(m_item->sourceAspect(), 16.0 / 9.0));
    const QRect painted = pictureBounds(firstFrame);
    const QRectF expected(0, 60, 640, 360);
    QVERIFY2(near(painted, expected, 2.0), qPrintable(describe(painted, expected)));
}

QTEST_MAIN(TestVlcVideoItem)
#include "tst_vlcvideoitem.moc"
