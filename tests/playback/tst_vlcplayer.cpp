// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// VlcPlayer against the real libvlc, with short ffmpeg-made streams. A video item (without a
// window) is attached throughout, as in the program, so libvlc renders into memory instead of
// opening a window of its own.
#include "testmedia.h"

#include "vlcplayer.h"
#include "vlcvideoitem.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QUrl>
#include <cmath>
#include <limits>
#include <memory>

class TestVlcPlayer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void defaults();
    void volumeClamping_data();
    void volumeClamping();
    void mutedEmitsOnlyOnChange();
    void invalidUrlChangesNothing_data();
    void invalidUrlChangesNothing();
    void playsAndAdvances();
    void audioTracksListedAndSwitchable();
    void seekClampsAndMovesAtOnce_data();
    void seekClampsAndMovesAtOnce();
    void seekRelativeAccumulatesQuickPresses();
    void seekRelativeTrustExpires();
    void seekRelativeBackFromStartLandsAtZero();
    void openAtStartsAtStartSeconds_data();
    void openAtStartsAtStartSeconds();
    void endEmitsInOrder();
    void staleEndDoesNotEndTheNextMedia();
    void stopForgetsMediaAndToggleDoesNotRevive();
    void togglePausesAndResumes();
    void videoAspectResolved_data();
    void videoAspectResolved();
    void aspectModeForcesAndResetsOnOpen();

private:
    bool openAndWaitPlaying(const QString &path, int startSeconds = 0);
    // Waits until libvlc reports a time of at least `ms` (playback really advances).
    bool waitForTime(qint64 ms, int timeoutMs = 10000);

    QTemporaryDir m_dir;
    QString m_av;  // 20 s, 320x240, two AC-3 audio tracks
    QString m_sar; // 3 s, 1440x1080 with a sample aspect of 4:3
    std::unique_ptr<VlcPlayer> m_player;
    std::unique_ptr<VlcVideoItem> m_item;
};

void TestVlcPlayer::initTestCase()
{
    QVERIFY(m_dir.isValid());
    testmedia::StreamOptions av;
    av.seconds = 20;
    av.audioTracks = 2;
    m_av = testmedia::make(m_dir.path(), QStringLiteral("av.ts"), av);
    QVERIFY(!m_av.isEmpty());

    testmedia::StreamOptions sar;
    sar.width = 1440;
    sar.height = 1080;
    sar.seconds = 3;
    sar.sar = QStringLiteral("4/3");
    m_sar = testmedia::make(m_dir.path(), QStringLiteral("sar.ts"), sar);
    QVERIFY(!m_sar.isEmpty());
}

void TestVlcPlayer::init()
{
    m_player = std::make_unique<VlcPlayer>();
    QVERIFY(m_player->hasEngine());
    m_item = std::make_unique<VlcVideoItem>();
    m_item->setPlayer(m_player.get());
    QCOMPARE(m_player->videoItem(), m_item.get());
}

void TestVlcPlayer::cleanup()
{
    m_player.reset();
    m_item.reset();
}

bool TestVlcPlayer::openAndWaitPlaying(const QString &path, int startSeconds)
{
    m_player->openAt(QUrl::fromLocalFile(path), startSeconds);
    QElapsedTimer clock;
    clock.start();
    while (!m_player->playing() && clock.elapsed() < 10000)
        QTest::qWait(20);
    return m_player->playing();
}

bool TestVlcPlayer::waitForTime(qint64 ms, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (m_player->time() < ms && clock.elapsed() < timeoutMs)
        QTest::qWait(20);
    return m_player->time() >= ms;
}

void TestVlcPlayer::defaults()
{
    QCOMPARE(m_player->playing(), false);
    QCOMPARE(m_player->volume(), 80);
    QCOMPARE(m_player->muted(), false);
    QCOMPARE(m_player->position(), 0.0);
    QCOMPARE(m_player->time(), 0);
    QCOMPARE(m_player->length(), -1);
    QCOMPARE(m_player->currentAudioTrack(), -1);
    QCOMPARE(m_player->currentSubtitleTrack(), -1);
    QVERIFY(m_player->currentMedia().isEmpty());
    QCOMPARE(m_player->aspectMode(), 0);

    const QVariantList modes = m_player->aspectModes();
    QCOMPARE(modes.size(), 3);
    const QStringList names{QStringLiteral("Auto"), QStringLiteral("16:9"), QStringLiteral("4:3")};
    for (int i = 0; i < modes.size(); ++i) {
        const QVariantMap mode = modes.at(i).toMap();
        QCOMPARE(mode.value(QStringLiteral("id")).toInt(), i);
        QCOMPARE(mode.value(QStringLiteral("name")).toString(), names.at(i));
    }
}

void TestVlcPlayer::volumeClamping_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("expected");
    QTest::addColumn<int>("emits");

    QTest::newRow("above range") << 80 << 150 << 100 << 1;
    QTest::newRow("below range") << 80 << -3 << 0 << 1;
    QTest::newRow("inside range") << 80 << 55 << 55 << 1;
    QTest::newRow("same value") << 80 << 80 << 80 << 0;
    QTest::newRow("clamps to the current maximum") << 100 << 150 << 100 << 0;
    QTest::newRow("clamps to the current minimum") << 0 << -40 << 0 << 0;
}

void TestVlcPlayer::volumeClamping()
{
    QFETCH(int, start);
    QFETCH(int, value);
    QFETCH(int, expected);
    QFETCH(int, emits);

    m_player->setVolume(start);
    QSignalSpy spy(m_player.get(), &VlcPlayer::volumeChanged);
    m_player->setVolume(value);
    QCOMPARE(m_player->volume(), expected);
    QCOMPARE(spy.count(), emits);
    m_player->setVolume(value);
    QCOMPARE(spy.count(), emits);
}

void TestVlcPlayer::mutedEmitsOnlyOnChange()
{
    QSignalSpy spy(m_player.get(), &VlcPlayer::mutedChanged);
    m_player->setMuted(true);
    m_player->setMuted(true);
    QCOMPARE(m_player->muted(), true);
    QCOMPARE(spy.count(), 1);
    m_player->setMuted(false);
    QCOMPARE(spy.count(), 2);
}

void TestVlcPlayer::invalidUrlChangesNothing_data()
{
    QTest::addColumn<QUrl>("url");
    QTest::newRow("empty") << QUrl();
    QTest::newRow("bad host") << QUrl(QStringLiteral("http://[::1"));
    QTest::newRow("empty local path") << QUrl::fromLocalFile(QString());
}

void TestVlcPlayer::invalidUrlChangesNothing()
{
    QFETCH(QUrl, url);
    QVERIFY(!url.isValid());

    QVERIFY(openAndWaitPlaying(m_av));
    QTRY_VERIFY(m_player->length() > 0);
    QTRY_COMPARE(m_player->audioTracks().size(), 3);
    const QUrl before = m_player->currentMedia();
    const qint64 length = m_player->length();

    QSignalSpy mediaSpy(m_player.get(), &VlcPlayer::currentMediaChanged);
    QSignalSpy lengthSpy(m_player.get(), &VlcPlayer::lengthChanged);
    QSignalSpy tracksSpy(m_player.get(), &VlcPlayer::audioTracksChanged);
    m_player->open(url);
    QTest::qWait(500);

    QCOMPARE(m_player->currentMedia(), before);
    QCOMPARE(m_player->length(), length);
    QCOMPARE(m_player->audioTracks().size(), 3);
    QVERIFY(m_player->playing());
    QCOMPARE(mediaSpy.count(), 0);
    QCOMPARE(lengthSpy.count(), 0);
    QCOMPARE(tracksSpy.count(), 0);
}

void TestVlcPlayer::playsAndAdvances()
{
    QSignalSpy mediaSpy(m_player.get(), &VlcPlayer::currentMediaChanged);
    const QUrl url = QUrl::fromLocalFile(m_av);
    QVERIFY(openAndWaitPlaying(m_av));
    QCOMPARE(m_player->currentMedia(), url);
    QCOMPARE(mediaSpy.count(), 1);

    QTRY_VERIFY(m_player->length() > 0);
    QVERIFY2(qAbs(m_player->length() - 20000) < 500,
             qPrintable(QString::number(m_player->length())));

    // No sound device on this machine: playback must advance all the same.
    const qint64 first = m_player->time();
    QVERIFY(waitForTime(first + 1500));
    QVERIFY(m_player->position() > 0.0);
    QVERIFY(qAbs(m_player->position() * m_player->length() - m_player->time()) < 1000);
    qInfo("time %lld -> %lld ms, position %.3f", first, m_player->time(), m_player->position());

    // Opening the URL that is current restarts it without announcing a new media.
    m_player->open(url);
    QCOMPARE(mediaSpy.count(), 1);
    QCOMPARE(m_player->time(), 0);
    QCOMPARE(m_player->length(), -1);
    QTRY_VERIFY(m_player->length() > 0);
}

void TestVlcPlayer::audioTracksListedAndSwitchable()
{
    QVERIFY(openAndWaitPlaying(m_av));
    // libvlc lists a disabling entry (-1) before the two tracks of the stream.
    QTRY_COMPARE(m_player->audioTracks().size(), 3);
    QList<int> ids;
    for (const QVariant &entry : m_player->audioTracks()) {
        const QVariantMap track = entry.toMap();
        QVERIFY(track.contains(QStringLiteral("name")));
        ids << track.value(QStringLiteral("id")).toInt();
    }
    QCOMPARE(ids.first(), -1);
    const int first = ids.at(1);
    const int second = ids.at(2);
    QVERIFY(first != second);
    QTRY_COMPARE(m_player->currentAudioTrack(), first);

    QSignalSpy spy(m_player.get(), &VlcPlayer::currentAudioTrackChanged);
    m_player->setCurrentAudioTrack(second);
    QCOMPARE(m_player->currentAudioTrack(), second);
    QCOMPARE(spy.count(), 1);
    // libvlc confirms the selection with its own event; the value stays.
    QTest::qWait(700);
    QCOMPARE(m_player->currentAudioTrack(), second);

    QTest::ignoreMessage(QtWarningMsg, "VlcPlayer: libvlc_audio_set_track(4242) failed");
    m_player->setCurrentAudioTrack(4242);
    QCOMPARE(m_player->currentAudioTrack(), second);

    m_player->setCurrentAudioTrack(first);
    QCOMPARE(m_player->currentAudioTrack(), first);
}

void TestVlcPlayer::seekClampsAndMovesAtOnce_data()
{
    QTest::addColumn<double>("pos");
    QTest::addColumn<double>("expected");

    QTest::newRow("beyond the end") << 1.7 << 1.0;
    QTest::newRow("before the start") << -0.2 << 0.0;
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << 0.0;
    QTest::newRow("middle") << 0.5 << 0.5;
}

void TestVlcPlayer::seekClampsAndMovesAtOnce()
{
    QFETCH(double, pos);
    QFETCH(double, expected);

    QVERIFY(openAndWaitPlaying(m_av, 5));
    QTRY_VERIFY(m_player->length() > 0);
    QTRY_VERIFY(m_player->time() > 5000);

    m_player->seek(pos);
    // Before libvlc confirms anything.
    QCOMPARE(m_player->position(), expected);

    if (expected > 0.0 && expected < 1.0) {
        const qint64 target = qint64(m_player->length() * expected);
        QTRY_VERIFY_WITH_TIMEOUT(qAbs(m_player->time() - target) < 1500, 5000);
        // A key press right after the seek builds on the seek's target.
        m_player->seekRelative(-5000);
        QTRY_VERIFY_WITH_TIMEOUT(qAbs(m_player->time() - (target - 5000)) < 1500, 5000);
    }
}

void TestVlcPlayer::seekRelativeAccumulatesQuickPresses()
{
    QVERIFY(openAndWaitPlaying(m_av));
    QVERIFY(waitForTime(1000));

    const qint64 start = m_player->time();
    m_player->seekRelative(5000);
    QTest::qWait(200);
    m_player->seekRelative(5000);

    // Not accumulating would land near start + 5 s.
    QTRY_VERIFY_WITH_TIMEOUT(m_player->time() >= start + 9000, 5000);
    QVERIFY2(m_player->time() < start + 12500, qPrintable(QString::number(m_player->time())));
}

void TestVlcPlayer::seekRelativeTrustExpires()
{
    QVERIFY(openAndWaitPlaying(m_av));
    QVERIFY(waitForTime(500));

    const qint64 start = m_player->time();
    m_player->seekRelative(5000);
    QTRY_VERIFY_WITH_TIMEOUT(m_player->time() >= start + 4000, 5000);
    // Playback goes on past the remembered target; pausing keeps libvlc's time still.
    QTest::qWait(2500);
    m_player->toggle();
    QTRY_COMPARE(m_player->playing(), false);
    QTest::qWait(300);
    const qint64 reported = m_player->time();
    QVERIFY2(reported >= start + 6500, qPrintable(QString::number(reported)));

    // After the trust window the next press starts from libvlc's time, not from the old target
    // (which would land about 2.5 s short). libvlc reports no time while paused: resume and take
    // the first time it reports.
    m_player->seekRelative(5000);
    QList<qint64> times;
    connect(m_player.get(), &VlcPlayer::timeChanged, this, [&] { times << m_player->time(); });
    m_player->toggle();
    QTRY_VERIFY(!times.isEmpty());
    QVERIFY2(qAbs(times.first() - (reported + 5000)) < 1000,
             qPrintable(QStringLiteral("%1 after %2").arg(times.first()).arg(reported)));
}

void TestVlcPlayer::seekRelativeBackFromStartLandsAtZero()
{
    QVERIFY(openAndWaitPlaying(m_av, 3));
    QTRY_VERIFY(m_player->length() > 0);
    QTRY_VERIFY(m_player->time() >= 3000);
    QVERIFY(m_player->time() < 5000);

    m_player->seekRelative(-5000);
    QTRY_VERIFY_WITH_TIMEOUT(m_player->time() < 1500, 5000);
    QVERIFY(m_player->playing());
}

void TestVlcPlayer::openAtStartsAtStartSeconds_data()
{
    QTest::addColumn<int>("startSeconds");
    QTest::addColumn<qint64>("low");
    QTest::addColumn<qint64>("high");

    QTest::newRow("from the start") << 0 << qint64(0) << qint64(2500);
    QTest::newRow("twelve seconds in") << 12 << qint64(11500) << qint64(14500);
}

void TestVlcPlayer::openAtStartsAtStartSeconds()
{
    QFETCH(int, startSeconds);
    QFETCH(qint64, low);
    QFETCH(qint64, high);

    QList<qint64> times;
    connect(m_player.get(), &VlcPlayer::timeChanged, this, [&] { times << m_player->time(); });
    QVERIFY(openAndWaitPlaying(m_av, startSeconds));
    QTRY_VERIFY(times.size() >= 3);
    for (qint64 t : times) {
        if (t == 0)
            continue; // the reset of the new media
        QVERIFY2(t >= low && t <= high, qPrintable(QString::number(t)));
    }
}

void TestVlcPlayer::endEmitsInOrder()
{
    QVERIFY(openAndWaitPlaying(m_av, 17));
    const QUrl url = m_player->currentMedia();
    QVERIFY(!url.isEmpty());

    QStringList order;
    QSignalSpy playingSpy(m_player.get(), &VlcPlayer::playingChanged);
    QSignalSpy endedSpy(m_player.get(), &VlcPlayer::playbackEnded);
    QSignalSpy mediaSpy(m_player.get(), &VlcPlayer::currentMediaChanged);
    connect(m_player.get(), &VlcPlayer::playingChanged, this,
            [&] { order << QStringLiteral("playingChanged"); });
    connect(m_player.get(), &VlcPlayer::playbackEnded, this,
            [&] { order << QStringLiteral("playbackEnded"); });
    connect(m_player.get(), &VlcPlayer::currentMediaChanged, this,
            [&] { order << QStringLiteral("currentMediaChanged"); });

    QTRY_COMPARE_WITH_TIMEOUT(endedSpy.count(), 1, 10000);
    QTest::qWait(300);
    QCOMPARE(order, QStringList({QStringLiteral("playingChanged"), QStringLiteral("playbackEnded"),
                                 QStringLiteral("currentMediaChanged")}));
    QCOMPARE(playingSpy.count(), 1);
    QCOMPARE(mediaSpy.count(), 1);
    QCOMPARE(m_player->playing(), false);
    QVERIFY(m_player->currentMedia().isEmpty());
}

void TestVlcPlayer::staleEndDoesNotEndTheNextMedia()
{
    QVERIFY(openAndWaitPlaying(m_av, 18));
    QSignalSpy endedSpy(m_player.get(), &VlcPlayer::playbackEnded);

    // The GUI thread takes no events until libvlc itself has reached the end of the first media,
    // so its end event is still queued when the next media is opened.
    QElapsedTimer clock;
    clock.start();
    while (!m_player->engineAtEnd() && clock.elapsed() < 15000)
        QThread::msleep(20);
    QVERIFY2(m_player->engineAtEnd(), "libvlc did not reach the end of the first media");
    // libvlc posts the end event right after it enters that state, on its own thread.
    QThread::msleep(100);

    const QUrl next = QUrl::fromLocalFile(m_sar);
    m_player->open(next);
    QCOMPARE(m_player->currentMedia(), next);

    // Everything queued so far, the stale end among it, is delivered now.
    QCoreApplication::sendPostedEvents(m_player.get());
    QCOMPARE(endedSpy.count(), 0);
    QCOMPARE(m_player->currentMedia(), next);
}

void TestVlcPlayer::stopForgetsMediaAndToggleDoesNotRevive()
{
    QVERIFY(openAndWaitPlaying(m_av));
    QVERIFY(waitForTime(1000));

    QSignalSpy mediaSpy(m_player.get(), &VlcPlayer::currentMediaChanged);
    QSignalSpy endedSpy(m_player.get(), &VlcPlayer::playbackEnded);
    m_player->stop();
    QCOMPARE(mediaSpy.count(), 1);
    QVERIFY(m_player->currentMedia().isEmpty());
    QTRY_COMPARE(m_player->playing(), false);
    const qint64 time = m_player->time();
    QVERIFY(time >= 1000); // kept, not reset
    QCOMPARE(endedSpy.count(), 0);

    m_player->stop();
    QCOMPARE(mediaSpy.count(), 1);

    // Nothing is loaded any more: the space key must not start the forgotten media unseen.
    m_player->toggle();
    QTest::qWait(1000);
    QCOMPARE(m_player->playing(), false);
    QCOMPARE(m_player->time(), time);
}

void TestVlcPlayer::togglePausesAndResumes()
{
    QVERIFY(openAndWaitPlaying(m_av));
    QVERIFY(waitForTime(500));

    m_player->toggle();
    QTRY_COMPARE(m_player->playing(), false);
    QTest::qWait(300);
    const qint64 paused = m_player->time();
    QTest::qWait(700);
    QCOMPARE(m_player->time(), paused);

    m_player->toggle();
    QTRY_COMPARE(m_player->playing(), true);
    QVERIFY(waitForTime(paused + 500));
}

void TestVlcPlayer::videoAspectResolved_data()
{
    QTest::addColumn<bool>("anamorphic");
    QTest::addColumn<double>("expected");
    QTest::addColumn<QString>("log");

    QTest::newRow("1440x1080, sample aspect 4:3") << true << 16.0 / 9.0
                                                  << QStringLiteral("VlcPlayer: video aspect "
                                                                    "1440x1080 SAR 4:3 -> 1.7778");
    QTest::newRow("320x240, square pixels")
        << false << 4.0 / 3.0
        << QStringLiteral("VlcPlayer: video aspect 320x240 SAR 1:1 -> 1.3333");
}

void TestVlcPlayer::videoAspectResolved()
{
    QFETCH(bool, anamorphic);
    QFETCH(double, expected);
    QFETCH(QString, log);

    QTest::ignoreMessage(QtInfoMsg, qPrintable(log));
    QVERIFY(openAndWaitPlaying(anamorphic ? m_sar : m_av));
    QTRY_VERIFY(m_item->sourceAspect() > 0.0);
    QVERIFY(qFuzzyCompare(m_item->sourceAspect(), expected));
    QCOMPARE(m_item->forcedAspect(), 0.0);
}

void TestVlcPlayer::aspectModeForcesAndResetsOnOpen()
{
    QVERIFY(openAndWaitPlaying(m_av));
    QSignalSpy spy(m_player.get(), &VlcPlayer::aspectModeChanged);

    m_player->setAspectMode(1);
    QCOMPARE(m_item->forcedAspect(), 16.0 / 9.0);
    m_player->setAspectMode(2);
    QCOMPARE(m_item->forcedAspect(), 4.0 / 3.0);
    m_player->setAspectMode(7); // unknown modes behave like Auto
    QCOMPARE(m_player->aspectMode(), 7);
    QCOMPARE(m_item->forcedAspect(), 0.0);
    m_player->setAspectMode(1);
    m_player->setAspectMode(1);
    QCOMPARE(spy.count(), 4);
    QTRY_VERIFY(m_item->sourceAspect() > 0.0);

    // A forced aspect never carries over to the next media.
    QVERIFY(openAndWaitPlaying(m_sar));
    QCOMPARE(m_player->aspectMode(), 0);
    QCOMPARE(spy.count(), 5);
    QCOMPARE(m_item->forcedAspect(), 0.0);
    QTRY_VERIFY(qFuzzyCompare(m_item->sourceAspect(), 16.0 / 9.0));
}

QTEST_MAIN(TestVlcPlayer)
#include "tst_vlcplayer.moc"
