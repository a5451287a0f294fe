// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#pragma once

#include <QByteArray>
#include <QFutureWatcher>
#include <QObject>
#include <QPointer>
#include <QPromise>
#include <QString>

class DeviceIdentity;

// Copies one recording from a box into the local library: each file in 4 MiB FILE_DOWNLOAD
// chunks into the staging folder <library>/.norplay-dl/<basename>, then the finished folder into
// place with one rename. Partial data only ever exists in the staging folder, which every
// outcome removes. One download at a time, on the thread pool; progress in thousandths; the GUI
// thread only starts, cancels and collects.
class RemoteDownload : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool active READ active NOTIFY activeChanged)
    Q_PROPERTY(QString activeBasename READ activeBasename NOTIFY activeChanged)
    Q_PROPERTY(int progress READ progress NOTIFY progressChanged)
    Q_PROPERTY(QString statusText READ statusText NOTIFY statusTextChanged)

public:
    static constexpr qint64 DOWNLOAD_CHUNK_BYTES = 4194304;
    static constexpr int ChunkTimeoutMs = 30000;
    static constexpr int ProgressMax = 1000;

    // What the download worker returns.
    struct Result
    {
        bool ok = false;
        QString error;
        QString path; // the final folder in the library
    };

    // What one download needs, taken by value by the worker.
    struct Job
    {
        QString host;
        quint16 port = 0;
        QByteArray deviceId;
        QString basename;
        qint64 numBytes = 0;
        QString root; // the library folder
    };

    // `settings` is the program's settings object: the library root is read from its
    // "libraryRoot" property (a URL) at every download. Without it the stored "libraryRoot"
    // setting is read directly.
    RemoteDownload(DeviceIdentity *identity, QObject *settings, QObject *parent = nullptr);
    ~RemoteDownload() override;

    RemoteDownload(const RemoteDownload &) = delete;
    RemoteDownload &operator=(const RemoteDownload &) = delete;

    bool active() const { return m_active; }
    QString activeBasename() const { return m_activeBasename; }
    int progress() const { return m_progress; }
    QString statusText() const { return m_statusText; }

    // The box's SVP port; SVP_PORT unless a test or tool points elsewhere.
    quint16 svpPort() const { return m_svpPort; }
    void setSvpPort(quint16 port) { m_svpPort = port; }

    Q_INVOKABLE void download(const QString &host, const QString &basename, qlonglong numBytes,
                              const QString &name);
    Q_INVOKABLE void cancel();

    // Blocks until the running download has finished (tests, tools).
    void waitForFinished();

    // The worker. Blocks; runs on the thread pool.
    static void runDownload(QPromise<Result> &promise, const Job &job);

    // Names inside the library.
    static QString stagingParent(const QString &root);
    static QString stagingFolder(const QString &root, const QString &basename);
    static QString finalFolder(const QString &root, const QString &basename);

signals:
    void activeChanged();
    void progressChanged();
    void statusTextChanged();
    void downloaded(const QString &path);
    void finishedOk(const QString &name);
    void error(const QString &message);

private slots:
    void onFinished();

private:
    QString libraryRoot() const;
    void setStatusText(const QString &text);
    void setProgressValue(int value);

    DeviceIdentity *m_identity;
    QPointer<QObject> m_settings;
    quint16 m_svpPort;
    bool m_active = false;
    QString m_activeBasename;
    QString m_activeName;
    int m_progress = 0;
    QString m_statusText;
    QFutureWatcher<Result> m_watcher;
};
