// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "vlcplayer.h"

#include "playbacklog.h"
#include "vlcvideoitem.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <QVariantMap>
#include <QtDebug>
#include <algorithm>
#include <iterator>

#include <vlc/vlc.h>

namespace {

// The player events we listen to, attached in this order and detached again on destruction.
constexpr libvlc_event_e kEvents[] = {
    libvlc_MediaPlayerPlaying,
    libvlc_MediaPlayerPaused,
    libvlc_MediaPlayerStopped,
    libvlc_MediaPlayerEndReached,
    libvlc_MediaPlayerPositionChanged,
    libvlc_MediaPlayerTimeChanged,
    libvlc_MediaPlayerLengthChanged,
    libvlc_MediaPlayerESAdded,
    libvlc_MediaPlayerESDeleted,
    libvlc_MediaPlayerESSelected,
    libvlc_MediaPlayerVout,
};

QVariantList readTrackList(libvlc_track_description_t *list)
{
    QVariantList tracks;
    for (libvlc_track_description_t *entry = list; entry; entry = entry->p_next) {
        QVariantMap track;
        track.insert(QStringLiteral("id"), entry->i_id);
        track.insert(QStringLiteral("name"),
                     entry->psz_name ? QString::fromUtf8(entry->psz_name) : QString());
        tracks.append(track);
    }
    if (list)
        libvlc_track_description_list_release(list);
    return tracks;
}

} // namespace

VlcPlayer::VlcPlayer(QObject *parent)
    : QObject(parent)
{
    const QByteArray pluginDir = QDir::toNativeSeparators(QCoreApplication::applicationDirPath() +
                                                          QStringLiteral("/plugins"))
                                     .toLocal8Bit();
    const QByteArray pluginArg = QByteArrayLiteral("--plugin-path=") + pluginDir;
    const char *const args[] = {
        "--no-video-title-show",          "--no-snapshot-preview", "--sub-text-scale=80",
        "--freetype-outline-thickness=4", pluginArg.constData(),
    };
    m_instance = libvlc_new(int(std::size(args)), args);
    if (!m_instance) {
        qCWarning(lcPlayback,
                  "VlcPlayer: libvlc_new() failed — check that the libvlc shared library and "
                  "plugins/ are next to the exe (or VLC_PLUGIN_PATH points at the right plugins/ "
                  "dir)");
        return;
    }

    m_mediaPlayer = libvlc_media_player_new(m_instance);
    if (!m_mediaPlayer) {
        qCWarning(lcPlayback, "VlcPlayer: libvlc_media_player_new() failed");
        return;
    }

    libvlc_event_manager_t *events = libvlc_media_player_event_manager(m_mediaPlayer);
    for (libvlc_event_e type : kEvents)
        libvlc_event_attach(events, type, &VlcPlayer::handleEvent, this);

    libvlc_audio_set_volume(m_mediaPlayer, m_volume);
}

VlcPlayer::~VlcPlayer()
{
    if (m_mediaPlayer) {
        // Detaching waits for a callback that is running, so no event reaches us afterwards.
        libvlc_event_manager_t *events = libvlc_media_player_event_manager(m_mediaPlayer);
        for (libvlc_event_e type : kEvents)
            libvlc_event_detach(events, type, &VlcPlayer::handleEvent, this);
        libvlc_media_player_stop(m_mediaPlayer);
        libvlc_video_set_callbacks(m_mediaPlayer, nullptr, nullptr, nullptr, nullptr);
        libvlc_video_set_format_callbacks(m_mediaPlayer, nullptr, nullptr);
        libvlc_media_player_release(m_mediaPlayer);
        m_mediaPlayer = nullptr;
    }
    if (m_instance) {
        libvlc_release(m_instance);
        m_instance = nullptr;
    }
}

bool VlcPlayer::engineAtEnd() const
{
    return m_mediaPlayer && libvlc_media_player_get_state(m_mediaPlayer) == libvlc_Ended;
}

VlcVideoItem *VlcPlayer::videoItem() const
{
    return m_videoItem.data();
}

QVariantList VlcPlayer::aspectModes() const
{
    const auto mode = [](int id, const char *name) {
        QVariantMap entry;
        entry.insert(QStringLiteral("id"), id);
        entry.insert(QStringLiteral("name"), tr(name));
        return QVariant(entry);
    };
    return {mode(0, QT_TR_NOOP("Auto")), mode(1, QT_TR_NOOP("16:9")), mode(2, QT_TR_NOOP("4:3"))};
}

double VlcPlayer::forcedAspectForMode(int mode)
{
    switch (mode) {
    case 1:
        return 16.0 / 9.0;
    case 2:
        return 4.0 / 3.0;
    default:
        return 0.0;
    }
}

// Runs on a libvlc thread: copy what the event carries and hand it to the GUI thread. Nothing
// here touches the player's members.
void VlcPlayer::handleEvent(const libvlc_event_t *event, void *opaque)
{
    auto *self = static_cast<VlcPlayer *>(opaque);
    switch (event->type) {
    case libvlc_MediaPlayerPlaying:
        QMetaObject::invokeMethod(
            self, [self] { self->setPlayingState(true); }, Qt::QueuedConnection);
        break;
    case libvlc_MediaPlayerPaused:
    case libvlc_MediaPlayerStopped:
        QMetaObject::invokeMethod(
            self, [self] { self->setPlayingState(false); }, Qt::QueuedConnection);
        break;
    case libvlc_MediaPlayerEndReached: {
        // The end of a media that has since been replaced must not end its successor.
        const quint64 serial = self->m_mediaSerial.load();
        QMetaObject::invokeMethod(
            self,
            [self, serial] {
                if (serial == self->m_mediaSerial.load())
                    self->onEndReached();
            },
            Qt::QueuedConnection);
        break;
    }
    case libvlc_MediaPlayerPositionChanged: {
        const double position = event->u.media_player_position_changed.new_position;
        QMetaObject::invokeMethod(
            self, [self, position] { self->setPositionValue(position); }, Qt::QueuedConnection);
        break;
    }
    case libvlc_MediaPlayerTimeChanged: {
        const qint64 time = event->u.media_player_time_changed.new_time;
        QMetaObject::invokeMethod(
            self, [self, time] { self->setTimeValue(time); }, Qt::QueuedConnection);
        break;
    }
    case libvlc_MediaPlayerLengthChanged: {
        const qint64 length = event->u.media_player_length_changed.new_length;
        QMetaObject::invokeMethod(
            self, [self, length] { self->setLengthValue(length); }, Qt::QueuedConnection);
        break;
    }
    case libvlc_MediaPlayerESAdded:
    case libvlc_MediaPlayerESDeleted: {
        const int trackType = event->u.media_player_es_changed.i_type;
        QMetaObject::invokeMethod(
            self, [self, trackType] { self->onElementaryStreamChanged(trackType); },
            Qt::QueuedConnection);
        break;
    }
    case libvlc_MediaPlayerESSelected: {
        const int trackType = event->u.media_player_es_changed.i_type;
        const int id = event->u.media_player_es_changed.i_id;
        QMetaObject::invokeMethod(
            self, [self, trackType, id] { self->onElementaryStreamSelected(trackType, id); },
            Qt::QueuedConnection);
        break;
    }
    case libvlc_MediaPlayerVout:
        QMetaObject::invokeMethod(
            self, [self] { self->resolveVideoAspect(); }, Qt::QueuedConnection);
        break;
    default:
        break;
    }
}

void VlcPlayer::setPlayingState(bool playing)
{
    if (m_playing == playing)
        return;
    m_playing = playing;
    emit playingChanged();
}

void VlcPlayer::setPositionValue(double position)
{
    if (m_position == position)
        return;
    m_position = position;
    emit positionChanged();
}

void VlcPlayer::setTimeValue(qint64 time)
{
    if (m_time == time)
        return;
    m_time = time;
    emit timeChanged();
}

void VlcPlayer::setLengthValue(qint64 length)
{
    if (m_length == length)
        return;
    m_length = length;
    emit lengthChanged();
}

void VlcPlayer::setCurrentMediaValue(const QUrl &url)
{
    if (m_currentMedia == url)
        return;
    m_currentMedia = url;
    emit currentMediaChanged();
}

void VlcPlayer::onElementaryStreamChanged(int trackType)
{
    switch (trackType) {
    case libvlc_track_audio:
        refreshAudioTracks();
        break;
    case libvlc_track_video:
        resolveVideoAspect();
        break;
    case libvlc_track_text:
        refreshSubtitleTracks();
        break;
    default:
        break;
    }
}

void VlcPlayer::onElementaryStreamSelected(int trackType, int id)
{
    if (trackType == libvlc_track_audio) {
        if (m_currentAudioTrack != id) {
            m_currentAudioTrack = id;
            emit currentAudioTrackChanged();
        }
    } else if (trackType == libvlc_track_text) {
        if (m_currentSubtitleTrack != id) {
            m_currentSubtitleTrack = id;
            emit currentSubtitleTrackChanged();
        }
    }
}

void VlcPlayer::onEndReached()
{
    if (m_playing) {
        m_playing = false;
        emit playingChanged();
    }
    emit playbackEnded();
    if (!m_currentMedia.isEmpty()) {
        m_currentMedia.clear();
        emit currentMediaChanged();
    }
}

void VlcPlayer::refreshAudioTracks()
{
    if (!m_mediaPlayer)
        return;
    const QVariantList tracks = readTrackList(libvlc_audio_get_track_description(m_mediaPlayer));
    if (tracks != m_audioTracks) {
        m_audioTracks = tracks;
        emit audioTracksChanged();
    }
    const int current = libvlc_audio_get_track(m_mediaPlayer);
    if (current != m_currentAudioTrack) {
        m_currentAudioTrack = current;
        emit currentAudioTrackChanged();
    }
}

void VlcPlayer::refreshSubtitleTracks()
{
    if (!m_mediaPlayer)
        return;
    const QVariantList tracks = readTrackList(libvlc_video_get_spu_description(m_mediaPlayer));
    if (tracks != m_subtitleTracks) {
        m_subtitleTracks = tracks;
        emit subtitleTracksChanged();
    }
    const int current = libvlc_video_get_spu(m_mediaPlayer);
    if (current != m_currentSubtitleTrack) {
        m_currentSubtitleTrack = current;
        emit currentSubtitleTrackChanged();
    }
}

void VlcPlayer::open(const QUrl &url)
{
    openAt(url, 0);
}

void VlcPlayer::openAt(const QUrl &url, int startSeconds)
{
    if (!url.isValid())
        return;

    libvlc_media_t *media = nullptr;
    if (url.isLocalFile()) {
        const QString path = url.toLocalFile();
        if (m_mediaPlayer && !path.isEmpty()) {
            const QString absolute = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
            media = libvlc_media_new_path(m_instance, absolute.toLocal8Bit().constData());
            if (!media)
                qCWarning(lcPlayback, "VlcPlayer: libvlc_media_new_path() failed for %s",
                          path.toUtf8().constData());
        }
    } else {
        const QString text = url.toString();
        if (m_mediaPlayer && !text.isEmpty()) {
            media = libvlc_media_new_location(m_instance, text.toUtf8().constData());
            if (!media)
                qCWarning(lcPlayback, "VlcPlayer: libvlc_media_new_location() failed for %s",
                          text.toUtf8().constData());
        }
    }

    if (media)
        startMedia(media, startSeconds);

    setCurrentMediaValue(url);
}

void VlcPlayer::startMedia(libvlc_media_t *media, int startSeconds)
{
    libvlc_media_add_option(media, ":network-caching=1500");
    if (startSeconds > 0) {
        const QByteArray option =
            QByteArrayLiteral(":start-time=") + QByteArray::number(startSeconds);
        libvlc_media_add_option(media, option.constData());
    }
    ++m_mediaSerial;
    libvlc_media_player_set_media(m_mediaPlayer, media);
    libvlc_media_release(media);

    // Tracks, aspect and position belong to the media; volume and mute carry over.
    if (!m_audioTracks.isEmpty()) {
        m_audioTracks.clear();
        emit audioTracksChanged();
    }
    if (m_currentAudioTrack != -1) {
        m_currentAudioTrack = -1;
        emit currentAudioTrackChanged();
    }
    if (!m_subtitleTracks.isEmpty()) {
        m_subtitleTracks.clear();
        emit subtitleTracksChanged();
    }
    if (m_currentSubtitleTrack != -1) {
        m_currentSubtitleTrack = -1;
        emit currentSubtitleTrackChanged();
    }
    if (m_videoItem)
        m_videoItem->setSourceAspect(0.0);
    if (m_aspectMode != 0) {
        m_aspectMode = 0;
        emit aspectModeChanged();
    }
    if (m_videoItem)
        m_videoItem->setForcedAspect(0.0);
    m_aspectResolved = false;
    m_aspectPollPending = false;
    m_aspectPollCount = 0;
    ++m_aspectGeneration;

    libvlc_audio_set_volume(m_mediaPlayer, m_volume);
    libvlc_audio_set_mute(m_mediaPlayer, m_muted ? 1 : 0);

    setPositionValue(0.0);
    setTimeValue(0);
    setLengthValue(-1);
    m_pendingSeekTarget = -1;
    m_seekClock.invalidate();

    if (libvlc_media_player_play(m_mediaPlayer) != 0)
        qCWarning(lcPlayback, "VlcPlayer: libvlc_media_player_play() failed");
}

void VlcPlayer::stop()
{
    if (!m_mediaPlayer)
        return;
    libvlc_media_player_stop(m_mediaPlayer);
    m_pendingSeekTarget = -1;
    m_seekClock.invalidate();
    if (!m_currentMedia.isEmpty()) {
        m_currentMedia.clear();
        emit currentMediaChanged();
    }
}

void VlcPlayer::toggle()
{
    if (!m_mediaPlayer)
        return;
    switch (libvlc_media_player_get_state(m_mediaPlayer)) {
    case libvlc_Playing:
        libvlc_media_player_set_pause(m_mediaPlayer, 1);
        break;
    case libvlc_Paused:
    case libvlc_Stopped:
    case libvlc_Ended:
        // After stop() or the end the media is forgotten (currentMedia is empty, the scene shows
        // the library): starting it again would play it unseen and untracked.
        if (!m_currentMedia.isEmpty())
            libvlc_media_player_play(m_mediaPlayer);
        break;
    default:
        break;
    }
}

void VlcPlayer::seek(double pos)
{
    if (!m_mediaPlayer)
        return;
    if (!(pos > 0.0))
        pos = 0.0;
    else if (pos > 1.0)
        pos = 1.0;
    libvlc_media_player_set_position(m_mediaPlayer, float(pos));
    setPositionValue(pos);
    if (m_length > 0) {
        m_pendingSeekTarget = qint64(double(m_length) * pos);
        m_seekClock.restart();
    }
}

void VlcPlayer::seekRelative(qlonglong deltaMs)
{
    if (!m_mediaPlayer)
        return;
    const qint64 length = libvlc_media_player_get_length(m_mediaPlayer);
    if (length <= 0)
        return;

    qint64 base = 0;
    if (m_pendingSeekTarget >= 0 && m_seekClock.isValid() && m_seekClock.elapsed() < SeekTrustMs) {
        base = m_pendingSeekTarget;
    } else {
        base = libvlc_media_player_get_time(m_mediaPlayer);
        if (base < 0)
            return;
    }

    const qint64 target = std::clamp<qint64>(base + deltaMs, 0, length);
    libvlc_media_player_set_time(m_mediaPlayer, target);
    m_pendingSeekTarget = target;
    m_seekClock.restart();
}

void VlcPlayer::setVolume(int volume)
{
    volume = std::clamp(volume, 0, 100);
    if (m_volume == volume)
        return;
    m_volume = volume;
    if (m_mediaPlayer)
        libvlc_audio_set_volume(m_mediaPlayer, m_volume);
    emit volumeChanged();
}

void VlcPlayer::setMuted(bool muted)
{
    if (m_muted == muted)
        return;
    m_muted = muted;
    if (m_mediaPlayer)
        libvlc_audio_set_mute(m_mediaPlayer, m_muted ? 1 : 0);
    emit mutedChanged();
}

void VlcPlayer::setCurrentAudioTrack(int id)
{
    if (!m_mediaPlayer)
        return;
    if (libvlc_audio_set_track(m_mediaPlayer, id) != 0) {
        qCWarning(lcPlayback, "VlcPlayer: libvlc_audio_set_track(%d) failed", id);
        return;
    }
    if (m_currentAudioTrack != id) {
        m_currentAudioTrack = id;
        emit currentAudioTrackChanged();
    }
}

void VlcPlayer::setCurrentSubtitleTrack(int id)
{
    if (!m_mediaPlayer)
        return;
    if (libvlc_video_set_spu(m_mediaPlayer, id) != 0) {
        qCWarning(lcPlayback, "VlcPlayer: libvlc_video_set_spu(%d) failed", id);
        return;
    }
    if (m_currentSubtitleTrack != id) {
        m_currentSubtitleTrack = id;
        emit currentSubtitleTrackChanged();
    }
}

void VlcPlayer::setAspectMode(int mode)
{
    if (m_aspectMode == mode)
        return;
    m_aspectMode = mode;
    if (m_videoItem)
        m_videoItem->setForcedAspect(forcedAspectForMode(mode));
    emit aspectModeChanged();
}

void VlcPlayer::attachVideoItem(VlcVideoItem *item)
{
    if (!m_mediaPlayer || !item)
        return;
    libvlc_video_set_callbacks(m_mediaPlayer, &VlcVideoItem::lockFrame, &VlcVideoItem::unlockFrame,
                               &VlcVideoItem::displayFrame, item);
    libvlc_video_set_format_callbacks(m_mediaPlayer, &VlcVideoItem::formatSetup,
                                      &VlcVideoItem::formatCleanup);
    if (m_videoItem != item) {
        if (m_videoItem)
            disconnect(m_videoItem, &VlcVideoItem::firstFrameReceived, this, nullptr);
        // Some streams report no picture size when the video output is created; by the first
        // shown picture the decoder knows it, so look again there instead of showing the first
        // second at the wrong shape.
        connect(item, &VlcVideoItem::firstFrameReceived, this, &VlcPlayer::resolveVideoAspect);
    }
    m_videoItem = item;
    item->setForcedAspect(forcedAspectForMode(m_aspectMode));
    item->setSourceAspect(0.0);
}

void VlcPlayer::detachVideoItem()
{
    if (m_videoItem)
        disconnect(m_videoItem, &VlcVideoItem::firstFrameReceived, this, nullptr);
    m_videoItem = nullptr;
    if (!m_mediaPlayer)
        return;
    // Stopping joins libvlc's video output, so no callback into the item runs after this.
    libvlc_media_player_stop(m_mediaPlayer);
    libvlc_video_set_callbacks(m_mediaPlayer, nullptr, nullptr, nullptr, nullptr);
    libvlc_video_set_format_callbacks(m_mediaPlayer, nullptr, nullptr);
}

void VlcPlayer::resolveVideoAspect()
{
    if (!m_mediaPlayer || !m_videoItem || m_aspectResolved)
        return;

    libvlc_media_t *media = libvlc_media_player_get_media(m_mediaPlayer);
    if (!media)
        return;

    double aspect = 0.0;
    unsigned width = 0;
    unsigned height = 0;
    unsigned sarNum = 0;
    unsigned sarDen = 0;
    libvlc_media_track_t **tracks = nullptr;
    const unsigned count = libvlc_media_tracks_get(media, &tracks);
    for (unsigned i = 0; i < count; ++i) {
        const libvlc_media_track_t *track = tracks[i];
        if (track->i_type != libvlc_track_video || !track->video)
            continue;
        if (track->video->i_width == 0 || track->video->i_height == 0)
            continue;
        width = track->video->i_width;
        height = track->video->i_height;
        sarNum = track->video->i_sar_num;
        sarDen = track->video->i_sar_den;
        aspect = double(width) / double(height);
        if (sarNum != 0 && sarDen != 0)
            aspect *= double(sarNum) / double(sarDen);
        break;
    }
    if (tracks)
        libvlc_media_tracks_release(tracks, count);
    libvlc_media_release(media);

    if (aspect > 0.0) {
        m_aspectResolved = true;
        m_videoItem->setSourceAspect(aspect);
        qCInfo(lcPlayback, "VlcPlayer: video aspect %ux%u SAR %u:%u -> %.4f", width, height, sarNum,
               sarDen, aspect);
        return;
    }

    if (m_aspectPollPending)
        return;
    if (m_aspectPollCount < AspectPollLimit) {
        m_aspectPollPending = true;
        ++m_aspectPollCount;
        const quint64 generation = m_aspectGeneration;
        QTimer::singleShot(AspectPollIntervalMs, this, [this, generation] {
            // A retry scheduled for an earlier media must not disturb the current one's count.
            if (generation != m_aspectGeneration)
                return;
            m_aspectPollPending = false;
            resolveVideoAspect();
        });
        return;
    }
    m_aspectResolved = true;
    qCInfo(lcPlayback,
           "VlcPlayer: video aspect unresolved after %d polls; using pixel ratio (manual override "
           "available)",
           AspectPollLimit);
}
