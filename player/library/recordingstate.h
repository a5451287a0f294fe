// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#pragma once

#include <QFutureWatcher>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>

class VlcPlayer;

// Remembers where the user stopped in each local recording (state.position in the folder's
// sv_metadata.db), offers to resume there, and writes the position back every 10 seconds while
// the recording plays and once more when it stops, ends or is replaced.
class RecordingState : public QObject
{
    Q_OBJECT

public:
    static constexpr int ResumeThresholdSeconds = 5;
    static constexpr int WriteIntervalMs = 10000;
    // How long an access waits for another program's lock on the database: the read blocks the
    // GUI thread, and so may a write that the next play() has to wait for.
    static constexpr int ReadBusyMs = 250;
    static constexpr int WriteBusyMs = 1000;

    explicit RecordingState(VlcPlayer *player, QObject *parent = nullptr);
    ~RecordingState() override;

    RecordingState(const RecordingState &) = delete;
    RecordingState &operator=(const RecordingState &) = delete;

    Q_INVOKABLE void play(const QUrl &masterUrl, const QString &subdirPath);
    Q_INVOKABLE void confirmResume();
    Q_INVOKABLE void startOver();
    Q_INVOKABLE void cancelResume();

    // Workers. doRead runs on the calling thread; doWrite runs on the thread pool.
    static int doRead(const QString &dbPath);
    static void doWrite(const QString &dbPath, int seconds);

    // For tests and diagnostics.
    QString currentDbPath() const { return m_currentDbPath; }
    QString pendingDbPath() const { return m_pendingDbPath; }
    bool writeTimerActive() const { return m_writeTimer.isActive(); }
    // Blocks until the last started write has finished.
    void waitForWrites();

signals:
    void resumeRequested(const QUrl &url, int savedSeconds);
    void playReady(const QUrl &url, int startSeconds);

public slots:
    void onPlaybackEnded();
    void onCurrentMediaChanged();
    void onWriteTimer();

private:
    int playerSeconds() const;
    void startWrite(const QString &dbPath, int seconds);
    void clearPending();
    void track(const QString &dbPath, const QUrl &url);
    void untrack();

    QPointer<VlcPlayer> m_player;
    QString m_currentDbPath;
    QUrl m_currentUrl; // master URL of the tracked recording
    QUrl m_pendingUrl;
    QString m_pendingDbPath;
    int m_pendingSeconds = 0;
    QTimer m_writeTimer;
    QFutureWatcher<void> m_writeWatcher;
};
