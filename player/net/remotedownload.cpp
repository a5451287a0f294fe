// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "remotedownload.h"
#include "netlog.h"

#include "deviceidentity.h"
#include "recordinglist.h"
#include "storedsetting.h"
#include "svp.h"
#include "svptransport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QUuid>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>

namespace {

const QLatin1String StagingName(".norplay-dl");

QString unusableNameText()
{
    return QStringLiteral(
        "This recording can't be downloaded (its folder name on the device can't be used as a "
        "folder name here).");
}

// True when something, a dangling link included, has this name.
bool pathTaken(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

// Removes the file, link or folder tree at path; a link is removed itself, never followed.
void removeTree(const QString &path)
{
    const QFileInfo info(path);
    if (info.isSymLink() || info.isFile())
        QFile::remove(path);
    else if (info.isDir())
        QDir(path).removeRecursively();
}

void removeParentIfEmpty(const QString &root)
{
    QDir(root).rmdir(StagingName);
}

enum class FetchOutcome { Ok, Cancelled, Failed };

struct Worker
{
    QPromise<RemoteDownload::Result> &promise;
    const RemoteDownload::Job &job;
    QString staging;
    qint64 bytesDone = 0;
    QString error;

    void report(bool ok, const QString &text, const QString &path = QString())
    {
        RemoteDownload::Result result;
        result.ok = ok;
        result.error = text;
        result.path = path;
        promise.addResult(result);
    }

    // Removes the staging folder and, when empty, its parent; then reports the failure.
    void abandon(const QString &text)
    {
        removeTree(staging);
        removeParentIfEmpty(job.root);
        report(false, text);
    }

    FetchOutcome fetch(const QString &name)
    {
        QFile file(staging + QLatin1Char('/') + name);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            error = QStringLiteral("Cannot write %1: %2").arg(file.fileName(), file.errorString());
            return FetchOutcome::Failed;
        }
        if (promise.isCanceled())
            return FetchOutcome::Cancelled;
        const QString remotePath = job.basename + QLatin1Char('/') + name;
        qint64 offset = 0;
        for (;;) {
            QJsonObject piece;
            piece.insert(QStringLiteral("path"), remotePath);
            piece.insert(QStringLiteral("offset"), offset);
            piece.insert(QStringLiteral("length"), RemoteDownload::DOWNLOAD_CHUNK_BYTES);
            const QByteArray payload = QJsonDocument(piece).toJson(QJsonDocument::Compact);
            const SvpHeader header(SVP_API_FILE_DOWNLOAD, job.deviceId, 0, 0, 0, 0, 1);
            const SvpResponse response =
                svpRequestTcp(job.host, job.port, header, payload, RemoteDownload::ChunkTimeoutMs);
            if (!response.error.isEmpty()) {
                error = response.error;
                return FetchOutcome::Failed;
            }
            if (response.arg0 != SVP_STATUS_SUCCESS) {
                qCWarning(lcNet) << "RemoteDownload: FILE_DOWNLOAD error"
                                 << svpStatusName(response.arg0);
                error = QStringLiteral("Cannot download %1: %2")
                            .arg(name, svpStatusMessage(response.arg0));
                return FetchOutcome::Failed;
            }
            if (response.payload.isEmpty()) {
                if (quint32(offset) != response.arg1) {
                    error = QStringLiteral(
                                "Incomplete download of %1: got %2 bytes, server reported %3")
                                .arg(name)
                                .arg(offset)
                                .arg(response.arg1);
                    return FetchOutcome::Failed;
                }
                if (!file.flush()) {
                    error = QStringLiteral("Write failed for %1: %2")
                                .arg(file.fileName(), file.errorString());
                    return FetchOutcome::Failed;
                }
                file.close();
                return FetchOutcome::Ok;
            }
            if (file.write(response.payload) < response.payload.size()) {
                error = QStringLiteral("Write failed for %1: %2")
                            .arg(file.fileName(), file.errorString());
                return FetchOutcome::Failed;
            }
            bytesDone += response.payload.size();
            if (job.numBytes > 0) {
                promise.setProgressValue(
                    int(std::min<qint64>(bytesDone * 1000 / job.numBytes, 1000)));
            }
            if (promise.isCanceled())
                return FetchOutcome::Cancelled;
            offset += response.payload.size();
        }
    }

    // Fetches one file; false when the download ends here (cancelled or failed, both already
    // cleaned up and reported).
    bool fetchRequired(const QString &name)
    {
        switch (fetch(name)) {
        case FetchOutcome::Ok:
            return true;
        case FetchOutcome::Cancelled:
            removeTree(staging);
            removeParentIfEmpty(job.root);
            report(false, QString());
            return false;
        case FetchOutcome::Failed:
            abandon(error);
            return false;
        }
        return false;
    }

    // The audio track numbers the downloaded metadata lists; false after reporting a failure.
    bool audioTracks(QList<int> *tracks)
    {
        const QString connection =
            QStringLiteral("remotedl-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
        QString failure;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
            db.setDatabaseName(staging + QStringLiteral("/sv_metadata.db"));
            db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
            if (!db.open()) {
                failure = QStringLiteral("Open downloaded metadata: %1").arg(db.lastError().text());
            } else {
                QSqlQuery query(db);
                if (!query.exec(QStringLiteral(
                        "SELECT DISTINCT Track FROM flow WHERE Type = 'audio' ORDER BY Track"))) {
                    failure = QStringLiteral("Read audio tracks: %1").arg(query.lastError().text());
                } else {
                    while (query.next())
                        tracks->append(query.value(0).toInt());
                }
                query.finish();
                db.close();
            }
        }
        QSqlDatabase::removeDatabase(connection);
        if (failure.isEmpty() && tracks->isEmpty())
            failure = QStringLiteral("Recording metadata lists no audio tracks.");
        if (!failure.isEmpty()) {
            abandon(failure);
            return false;
        }
        return true;
    }

    void run()
    {
        promise.setProgressRange(0, RemoteDownload::ProgressMax);
        const QString root = job.root;
        // Nothing outside the staging and final folders is ever touched: a folder name that is
        // not a plain name of its own is refused before the disk is.
        if (!folderNameProblem(job.basename).isEmpty()) {
            report(false, unusableNameText());
            return;
        }
        staging = RemoteDownload::stagingFolder(root, job.basename);
        const QString parent = RemoteDownload::stagingParent(root);
        const QFileInfo parentInfo(parent);
        // The library must be there (an unplugged disk is not re-created), and the staging
        // parent must be a real folder: a link would lead the clean-up elsewhere.
        if (!QFileInfo(root).isDir() || parentInfo.isSymLink() ||
            (parentInfo.exists() && !parentInfo.isDir())) {
            report(false, QStringLiteral("Could not create a staging folder in %1.").arg(root));
            return;
        }
        removeTree(staging);
        if (!QDir(root).mkpath(StagingName + QLatin1Char('/') + job.basename)) {
            removeParentIfEmpty(root);
            report(false, QStringLiteral("Could not create a staging folder in %1.").arg(root));
            return;
        }

        if (!fetchRequired(QStringLiteral("sv_metadata.db")))
            return;
        QList<int> tracks;
        if (!audioTracks(&tracks))
            return;
        if (!fetchRequired(QStringLiteral("video1")))
            return;
        for (const int track : std::as_const(tracks)) {
            if (!fetchRequired(QStringLiteral("audio%1").arg(track)))
                return;
        }

        const QString poster = staging + QStringLiteral("/poster.png");
        switch (fetch(QStringLiteral("poster.png"))) {
        case FetchOutcome::Cancelled:
            removeTree(staging);
            removeParentIfEmpty(root);
            report(false, QString());
            return;
        case FetchOutcome::Failed:
            QFile::remove(poster);
            break;
        case FetchOutcome::Ok:
            if (QFileInfo(poster).size() == 0)
                QFile::remove(poster);
            break;
        }

        const QString target = RemoteDownload::finalFolder(root, job.basename);
        if (pathTaken(target)) {
            abandon(QStringLiteral("A folder named %1 already exists in the library.")
                        .arg(job.basename));
            return;
        }
        if (!QDir().rename(staging, target)) {
            abandon(QStringLiteral("Could not move the download into the library."));
            return;
        }
        removeParentIfEmpty(root);
        promise.setProgressValue(RemoteDownload::ProgressMax);
        report(true, QString(), target);
    }
};

} // namespace

RemoteDownload::RemoteDownload(DeviceIdentity *identity, QObject *settings, QObject *parent)
    : QObject(parent)
    , m_identity(identity)
    , m_settings(settings)
    , m_svpPort(SVP_PORT)
{
    connect(&m_watcher, &QFutureWatcher<Result>::finished, this, &RemoteDownload::onFinished);
    connect(&m_watcher, &QFutureWatcher<Result>::progressValueChanged, this,
            &RemoteDownload::setProgressValue);
}

RemoteDownload::~RemoteDownload()
{
    m_watcher.cancel();
    m_watcher.waitForFinished();
}

QString RemoteDownload::stagingParent(const QString &root)
{
    return root + QLatin1Char('/') + StagingName;
}

QString RemoteDownload::stagingFolder(const QString &root, const QString &basename)
{
    return stagingParent(root) + QLatin1Char('/') + basename;
}

QString RemoteDownload::finalFolder(const QString &root, const QString &basename)
{
    return root + QLatin1Char('/') + basename;
}

QString RemoteDownload::libraryRoot() const
{
    const QVariant value = m_settings ? m_settings->property("libraryRoot")
                                      : storedsetting::read(QStringLiteral("libraryRoot"));
    return value.toUrl().toLocalFile();
}

void RemoteDownload::download(const QString &host, const QString &basename, qlonglong numBytes,
                              const QString &name)
{
    if (m_active) {
        emit error(QStringLiteral("A download is already in progress."));
        return;
    }
    if (basename.isEmpty()) {
        emit error(QStringLiteral("This recording can't be downloaded (no source path)."));
        return;
    }
    if (const QString problem = folderNameProblem(basename); !problem.isEmpty()) {
        qCWarning(lcNet).noquote() << "RemoteDownload: refused folder name:" << problem;
        emit error(unusableNameText());
        return;
    }
    const QString root = libraryRoot();
    if (root.isEmpty()) {
        emit error(
            QStringLiteral("Choose a local library folder first (Library ▸ Local Recordings)."));
        return;
    }
    if (pathTaken(finalFolder(root, basename))) {
        emit error(QStringLiteral("“%1” is already in your local library.").arg(name));
        return;
    }

    m_activeBasename = basename;
    m_activeName = name;
    m_active = true;
    emit activeChanged();
    setProgressValue(0);
    setStatusText(QStringLiteral("Downloading “%1”…").arg(name));

    Job job;
    job.host = host;
    job.port = m_svpPort;
    job.deviceId =
        m_identity ? m_identity->idBytes() : DeviceIdentity::wireField(DeviceIdentity::ID_TEXT);
    job.basename = basename;
    job.numBytes = numBytes;
    job.root = root;
    m_watcher.setFuture(QtConcurrent::run(&RemoteDownload::runDownload, job));
}

void RemoteDownload::runDownload(QPromise<Result> &promise, const Job &job)
{
    Worker worker{promise, job, QString(), 0, QString()};
    worker.run();
}

void RemoteDownload::cancel()
{
    if (!m_active)
        return;
    m_watcher.cancel();
    setStatusText(QStringLiteral("Cancelling…"));
}

void RemoteDownload::waitForFinished()
{
    m_watcher.waitForFinished();
}

void RemoteDownload::onFinished()
{
    const QFuture<Result> future = m_watcher.future();
    Result result;
    bool haveResult = future.resultCount() > 0;
    if (haveResult)
        result = future.result();
    // A cancel that came after the folder was moved into place changes nothing: the recording
    // is in the library, and the user learns so.
    const bool cancelled = !haveResult || (future.isCanceled() && !result.ok);

    const QString name = m_activeName;
    m_activeBasename.clear();
    m_activeName.clear();
    if (m_active) {
        m_active = false;
        emit activeChanged();
    }
    setProgressValue(0);
    setStatusText(QString());

    if (cancelled)
        return;
    if (!result.ok) {
        emit error(result.error.isEmpty() ? QStringLiteral("Download failed.") : result.error);
        return;
    }
    emit downloaded(result.path);
    emit finishedOk(name);
}

void RemoteDownload::setStatusText(const QString &text)
{
    if (text == m_statusText)
        return;
    m_statusText = text;
    emit statusTextChanged();
}

void RemoteDownload::setProgressValue(int value)
{
    if (value == m_progress)
        return;
    m_progress = value;
    emit progressChanged();
}
