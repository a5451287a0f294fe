// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#pragma once

#include <QByteArray>
#include <QFuture>
#include <QFutureWatcher>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QUrl>

class DeviceIdentity;
class VlcPlayer;

// A playback session with a box: asks the box to start a recording (DVR_START), fetches and
// rewrites its HLS master into a local file for the player, reports the position over UDP every
// 3 s once the player shows the media (PLAY_POS), and closes the session with the final position
// (DVR_STOP) when the user leaves, the recording ends or another one starts. Members change on
// the GUI thread only; the start, the reports and the stop run on the thread pool and take
// everything by value.
class RemotePlayback : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool active READ active NOTIFY activeChanged)
    Q_PROPERTY(uint activePlayId READ activePlayId NOTIFY activeChanged)

public:
    static constexpr int ResumeThresholdSeconds = 5;
    static constexpr int PositionIntervalMs = 3000;
    static constexpr int StartTimeoutMs = 5000;
    static constexpr int MasterFetchTimeoutMs = 5000;
    static constexpr int PositionTimeoutMs = 1000;
    static constexpr int StopTimeoutMs = 5000;
    static constexpr int ShutdownStopTimeoutMs = 1500;

    // What the start worker returns.
    struct StartResult
    {
        bool ok = false;
        QString error;
        QString url;            // what the player opens
        QString tempMasterPath; // the local master written, or empty
    };

    RemotePlayback(VlcPlayer *player, DeviceIdentity *identity, QObject *parent = nullptr);
    ~RemotePlayback() override;

    RemotePlayback(const RemotePlayback &) = delete;
    RemotePlayback &operator=(const RemotePlayback &) = delete;

    bool active() const { return m_activePlayId != 0; }
    uint activePlayId() const { return m_activePlayId; }

    // The box's SVP port; SVP_PORT unless a test or tool points elsewhere.
    quint16 svpPort() const { return m_svpPort; }
    void setSvpPort(quint16 port) { m_svpPort = port; }

    // For tests and diagnostics.
    bool starting() const { return m_startWatcher.isRunning(); }
    QUrl pendingUrl() const { return m_pendingUrl; }
    QString tempMasterPath() const { return m_tempMasterPath; }
    int lastPosition() const { return m_pos; }
    bool writeTimerActive() const { return m_writeTimer.isActive(); }
    // Blocks until the running start, report and stop tasks have finished.
    void waitForTasks();

    Q_INVOKABLE void play(const QString &host, uint playId, uint instance, int savedPos,
                          const QString &name, const QString &title);
    Q_INVOKABLE void confirmResume();
    Q_INVOKABLE void startOver();
    Q_INVOKABLE void cancelResume();

    // Workers; they block and run on the thread pool. startSession first waits for
    // `previousStop` (a stop of an earlier session still on its way), then stops the session
    // given by oldPlayId (when not 0), then starts playId.
    static StartResult startSession(const QString &host, quint16 port, const QByteArray &deviceId,
                                    quint32 playId, quint32 instance, const QString &oldHost,
                                    quint32 oldPlayId, int oldPos, QFuture<void> previousStop);
    // Waits for `reportInFlight` first, so the box never sees a report after the stop.
    static void sendDvrStop(const QString &host, quint16 port, const QByteArray &deviceId,
                            quint32 playId, int pos, int timeoutMs,
                            QFuture<void> reportInFlight = QFuture<void>());
    static void sendPlayPos(const QString &host, quint16 port, const QByteArray &deviceId,
                            quint32 playId, int pos);
    // Writes the local master "Norplay_master_<playId>.m3u8" into `dir` (the temporary folder
    // when empty) and returns its path, or an empty string. Whatever sits at that name, a
    // symbolic link included, is replaced, never written through.
    static QString writeTempMaster(quint32 playId, const QString &text,
                                   const QString &dir = QString());
    // True for the only playback addresses used: http and https URLs with a host.
    static bool isPlayableUrl(const QUrl &url);

signals:
    void resumeRequested(const QString &name, const QString &title, int savedSeconds);
    void playReady(const QUrl &url, int startSeconds);
    void error(const QString &message);
    void activeChanged();
    void positionPersisted(uint playId, int pos);

private slots:
    void onStartFinished();
    void onWriteTimer();
    void onPlaybackEnded();
    void onCurrentMediaChanged();

private:
    void doStart(int start);
    void startPositionReport(int pos);
    void stopSession(int finalPos, int timeoutMs);
    void endActive();
    QByteArray deviceId() const;

    QPointer<VlcPlayer> m_player;
    DeviceIdentity *m_identity;
    quint16 m_svpPort;

    // The requested recording, set by play().
    QString m_host;
    quint32 m_playId = 0;
    quint32 m_instance = 0;
    int m_savedPos = 0;
    QString m_name;
    QString m_title;

    int m_startPos = 0;
    QUrl m_pendingUrl;

    // The active session.
    QString m_activeHost;
    quint32 m_activePlayId = 0;
    QUrl m_activeUrl;
    int m_pos = 0;

    QString m_tempMasterPath;
    QTimer m_writeTimer;
    QFutureWatcher<StartResult> m_startWatcher;
    QFutureWatcher<void> m_positionWatcher;
    QFutureWatcher<void> m_stopWatcher;
};
