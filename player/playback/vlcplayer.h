// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QUrl>
#include <QVariantList>
#include <atomic>

struct libvlc_instance_t;
struct libvlc_media_player_t;
struct libvlc_media_t;
struct libvlc_event_t;

class VlcVideoItem;

// The one playback engine of Norplay: owns a libvlc instance and media player and exposes the
// playback state as properties. libvlc events arrive on libvlc's threads and are re-posted onto
// the GUI thread; every property changes and every signal is emitted there only.
class VlcPlayer : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool playing READ playing NOTIFY playingChanged)
    Q_PROPERTY(int volume READ volume WRITE setVolume NOTIFY volumeChanged)
    Q_PROPERTY(bool muted READ muted WRITE setMuted NOTIFY mutedChanged)
    Q_PROPERTY(double position READ position NOTIFY positionChanged)
    Q_PROPERTY(qlonglong time READ time NOTIFY timeChanged)
    Q_PROPERTY(qlonglong length READ length NOTIFY lengthChanged)
    Q_PROPERTY(QVariantList audioTracks READ audioTracks NOTIFY audioTracksChanged)
    Q_PROPERTY(int currentAudioTrack READ currentAudioTrack WRITE setCurrentAudioTrack NOTIFY
                   currentAudioTrackChanged)
    Q_PROPERTY(QVariantList subtitleTracks READ subtitleTracks NOTIFY subtitleTracksChanged)
    Q_PROPERTY(int currentSubtitleTrack READ currentSubtitleTrack WRITE setCurrentSubtitleTrack
                   NOTIFY currentSubtitleTrackChanged)
    Q_PROPERTY(QUrl currentMedia READ currentMedia NOTIFY currentMediaChanged)
    Q_PROPERTY(int aspectMode READ aspectMode WRITE setAspectMode NOTIFY aspectModeChanged)
    Q_PROPERTY(QVariantList aspectModes READ aspectModes CONSTANT)

public:
    explicit VlcPlayer(QObject *parent = nullptr);
    ~VlcPlayer() override;

    VlcPlayer(const VlcPlayer &) = delete;
    VlcPlayer &operator=(const VlcPlayer &) = delete;

    // Window in which a remembered seek target is trusted over libvlc's reported time.
    static constexpr qint64 SeekTrustMs = 1500;
    // Aspect lookup: one retry per second, at most this many per media.
    static constexpr int AspectPollLimit = 15;
    static constexpr int AspectPollIntervalMs = 1000;

    bool playing() const { return m_playing; }
    int volume() const { return m_volume; }
    bool muted() const { return m_muted; }
    double position() const { return m_position; }
    qlonglong time() const { return m_time; }
    qlonglong length() const { return m_length; }
    QVariantList audioTracks() const { return m_audioTracks; }
    int currentAudioTrack() const { return m_currentAudioTrack; }
    QVariantList subtitleTracks() const { return m_subtitleTracks; }
    int currentSubtitleTrack() const { return m_currentSubtitleTrack; }
    QUrl currentMedia() const { return m_currentMedia; }
    int aspectMode() const { return m_aspectMode; }
    QVariantList aspectModes() const;

    // True when libvlc started and the media player exists.
    bool hasEngine() const { return m_mediaPlayer != nullptr; }
    // libvlc's own state, read at the call rather than through its queued events: true once it
    // has reached the end of the current media, also while that event is still on its way here.
    bool engineAtEnd() const;

    // The forced display aspect of an aspect mode: 16/9 for 1, 4/3 for 2, 0 (none) otherwise.
    static double forcedAspectForMode(int mode);

    void setVolume(int volume);
    void setMuted(bool muted);
    void setCurrentAudioTrack(int id);
    void setCurrentSubtitleTrack(int id);
    void setAspectMode(int mode);

    // Called by VlcVideoItem when its player changes. Attaching installs the item's rendering
    // callbacks; detaching stops playback and removes them.
    void attachVideoItem(VlcVideoItem *item);
    void detachVideoItem();
    VlcVideoItem *videoItem() const;

    Q_INVOKABLE void open(const QUrl &url);
    Q_INVOKABLE void openAt(const QUrl &url, int startSeconds);
    Q_INVOKABLE void stop();
    Q_INVOKABLE void toggle();
    Q_INVOKABLE void seek(double pos);
    Q_INVOKABLE void seekRelative(qlonglong deltaMs);

signals:
    void playingChanged();
    void volumeChanged();
    void mutedChanged();
    void positionChanged();
    void timeChanged();
    void lengthChanged();
    void audioTracksChanged();
    void currentAudioTrackChanged();
    void subtitleTracksChanged();
    void currentSubtitleTrackChanged();
    void currentMediaChanged();
    void aspectModeChanged();
    void playbackEnded();

private:
    static void handleEvent(const libvlc_event_t *event, void *opaque);

    void startMedia(libvlc_media_t *media, int startSeconds);
    void setPlayingState(bool playing);
    void setPositionValue(double position);
    void setTimeValue(qint64 time);
    void setLengthValue(qint64 length);
    void setCurrentMediaValue(const QUrl &url);
    void onElementaryStreamChanged(int trackType);
    void onElementaryStreamSelected(int trackType, int id);
    void onEndReached();
    void refreshAudioTracks();
    void refreshSubtitleTracks();
    void resolveVideoAspect();

    libvlc_instance_t *m_instance = nullptr;
    libvlc_media_player_t *m_mediaPlayer = nullptr;
    QPointer<VlcVideoItem> m_videoItem;
    int m_aspectMode = 0;
    bool m_aspectResolved = false;
    bool m_aspectPollPending = false;
    int m_aspectPollCount = 0;
    quint64 m_aspectGeneration = 0; // bumped per media; stale retries see a different value
    bool m_playing = false;
    int m_volume = 80;
    bool m_muted = false;
    double m_position = 0.0;
    qint64 m_time = 0;
    qint64 m_length = -1;
    qint64 m_pendingSeekTarget = -1;
    QElapsedTimer m_seekClock;
    QVariantList m_audioTracks;
    int m_currentAudioTrack = -1;
    QVariantList m_subtitleTracks;
    int m_currentSubtitleTrack = -1;
    QUrl m_currentMedia;
    // Counts started media; read on libvlc's thread to tell a stale end-of-media event.
    std::atomic<quint64> m_mediaSerial{0};
};
