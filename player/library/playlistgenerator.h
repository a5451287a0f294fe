// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#pragma once

#include <QFutureWatcher>
#include <QList>
#include <QObject>
#include <QString>

// Makes a recording folder playable: writes one HLS media playlist per stream that addresses
// the fragments of the media files by byte range, copies the init segments out of the database,
// and writes master.m3u8 last. The work runs on the global thread pool, one run at a time.
class PlaylistGenerator : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool busy READ busy NOTIFY busyChanged)

public:
    struct Result
    {
        bool ok = false;
        QString path;
        QString error;
    };

    static constexpr int TARGET_SEGMENT_SECONDS = 6;
    static constexpr qint64 START_PROBE_BYTES = 200000;
    static constexpr qint64 END_PROBE_BYTES = 4194304;
    static constexpr double DEFAULT_NOMINAL_SECONDS = 1.0;
    static constexpr double TIMESTAMP_CLOCK = 90000.0;
    static constexpr qint64 TIMESTAMP_WRAP = qint64(1) << 33;
    static constexpr int BANDWIDTH = 2000000;

    explicit PlaylistGenerator(QObject *parent = nullptr);
    ~PlaylistGenerator() override;

    PlaylistGenerator(const PlaylistGenerator &) = delete;
    PlaylistGenerator &operator=(const PlaylistGenerator &) = delete;

    bool busy() const { return m_busy; }

    Q_INVOKABLE void generate(const QString &recordingDir);

    // The worker: every playlist of dir, master.m3u8 last. Never throws.
    static Result generatePlaylists(const QString &dir);

    // Fragments per output segment: TARGET_SEGMENT_SECONDS / nominal, rounded half away from
    // zero, at least 1.
    static qint64 groupFactor(double nominal);

    // The media playlist of one stream. Throws std::runtime_error with the user-facing text.
    static QString buildMediaPlaylist(const QString &filePath, const QString &fileName,
                                      const QList<qint64> &ranges, const QString &initName,
                                      double nominal);
    static QString buildMasterPlaylist(bool hasVideoInit, const QList<int> &tracks);

    // Atomic UTF-8 text write. Throws std::runtime_error on failure.
    static void writeTextFile(const QString &path, const QString &text);

signals:
    void started(const QString &path);
    void finished(bool ok, const QString &path, const QString &error);
    void busyChanged();

public slots:
    void onWatcherFinished();

private:
    QFutureWatcher<Result> m_watcher;
    bool m_busy = false;
};
