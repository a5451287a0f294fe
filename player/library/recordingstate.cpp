// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "recordingstate.h"
#include "librarylog.h"

#include "recordingfolder.h"
#include "vlcplayer.h"

#include <QDebug>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlError>
#include <QSqlQuery>
#include <QtConcurrent/QtConcurrentRun>

#include <cmath>

RecordingState::RecordingState(VlcPlayer *player, QObject *parent)
    : QObject(parent)
    , m_player(player)
{
    m_writeTimer.setInterval(WriteIntervalMs);
    m_writeTimer.setSingleShot(false);
    connect(&m_writeTimer, &QTimer::timeout, this, &RecordingState::onWriteTimer);
    if (player) {
        connect(player, &VlcPlayer::currentMediaChanged, this,
                &RecordingState::onCurrentMediaChanged);
        connect(player, &VlcPlayer::playbackEnded, this, &RecordingState::onPlaybackEnded);
    }
}

RecordingState::~RecordingState()
{
    // The program is closing while a recording plays: like any other way out of tracking,
    // store where it is, so the next start resumes there rather than at the last periodic write.
    if (!m_currentDbPath.isEmpty() && m_player) {
        const int seconds = playerSeconds();
        const QString path = m_currentDbPath;
        untrack();
        startWrite(path, seconds);
    }
    m_writeWatcher.waitForFinished();
}

int RecordingState::playerSeconds() const
{
    return int(m_player->time() / 1000);
}

void RecordingState::play(const QUrl &masterUrl, const QString &subdirPath)
{
    if (!m_currentDbPath.isEmpty() && m_player) {
        const int seconds = playerSeconds();
        const QString path = m_currentDbPath;
        untrack();
        startWrite(path, seconds);
        // The read below must see this write.
        m_writeWatcher.waitForFinished();
    }
    const QString dbPath = subdirPath + QStringLiteral("/sv_metadata.db");
    const int saved = doRead(dbPath);
    if (saved < ResumeThresholdSeconds) {
        track(dbPath, masterUrl);
        emit playReady(masterUrl, 0);
        return;
    }
    m_pendingUrl = masterUrl;
    m_pendingDbPath = dbPath;
    m_pendingSeconds = saved;
    emit resumeRequested(masterUrl, saved);
}

void RecordingState::confirmResume()
{
    if (m_pendingDbPath.isEmpty())
        return;
    const QUrl url = m_pendingUrl;
    const int seconds = m_pendingSeconds;
    track(m_pendingDbPath, url);
    clearPending();
    emit playReady(url, seconds);
}

void RecordingState::startOver()
{
    if (m_pendingDbPath.isEmpty())
        return;
    const QUrl url = m_pendingUrl;
    track(m_pendingDbPath, url);
    clearPending();
    emit playReady(url, 0);
}

void RecordingState::cancelResume()
{
    clearPending();
}

void RecordingState::onWriteTimer()
{
    if (!m_currentDbPath.isEmpty() && m_player)
        startWrite(m_currentDbPath, playerSeconds());
}

void RecordingState::onCurrentMediaChanged()
{
    if (!m_player || m_currentDbPath.isEmpty())
        return;
    const QUrl media = m_player->currentMedia();
    if (!media.isEmpty() && media == m_currentUrl)
        return;
    if (!media.isEmpty()) {
        // Something else was opened straight into the player (File > Open): its time is not
        // this recording's, and the player has already reset it, so tracking ends without a
        // write and the recording keeps its last periodic position.
        untrack();
        return;
    }
    const int seconds = playerSeconds();
    const QString path = m_currentDbPath;
    untrack();
    startWrite(path, seconds);
}

void RecordingState::onPlaybackEnded()
{
    if (m_currentDbPath.isEmpty())
        return;
    const QString path = m_currentDbPath;
    untrack();
    startWrite(path, 0);
}

void RecordingState::waitForWrites()
{
    m_writeWatcher.waitForFinished();
}

void RecordingState::startWrite(const QString &dbPath, int seconds)
{
    // One write at a time, in the order they were started.
    m_writeWatcher.waitForFinished();
    m_writeWatcher.setFuture(QtConcurrent::run(&RecordingState::doWrite, dbPath, seconds));
}

void RecordingState::clearPending()
{
    m_pendingUrl = QUrl();
    m_pendingDbPath.clear();
    m_pendingSeconds = 0;
}

void RecordingState::track(const QString &dbPath, const QUrl &url)
{
    m_currentDbPath = dbPath;
    m_currentUrl = url;
    m_writeTimer.start();
}

void RecordingState::untrack()
{
    m_currentDbPath.clear();
    m_currentUrl = QUrl();
    m_writeTimer.stop();
}

int RecordingState::doRead(const QString &dbPath)
{
    if (!QFileInfo(dbPath).isFile())
        return 0;
    if (const QString link = recfolder::linkedCompanionFile(dbPath); !link.isEmpty()) {
        qCWarning(lcLibrary) << "RecordingState::doRead: not opening" << dbPath
                             << ": its companion file" << link << "is a symbolic link";
        return 0;
    }
    QByteArray bytes;
    {
        recfolder::ReadConnection conn(QStringLiteral("recstate-r-"), dbPath, ReadBusyMs);
        if (!conn.open()) {
            qCWarning(lcLibrary) << "RecordingState::doRead: cannot open" << dbPath << ":"
                                 << conn.errorText();
        } else {
            QSqlQuery q(conn.database());
            if (q.exec(QStringLiteral("SELECT Json FROM state WHERE ID=1")) && q.next())
                bytes = q.value(0).toByteArray();
        }
    }
    bool ok = false;
    const QJsonObject state = recfolder::parseJsonObject(bytes, &ok);
    if (!ok)
        return 0;
    // Only an integral number counts; 12.5 is no position.
    const QJsonValue v = state.value(QStringLiteral("position"));
    if (!v.isDouble())
        return 0;
    const double d = v.toDouble();
    if (d != std::floor(d) || d < -2147483648.0 || d > 2147483647.0)
        return 0;
    return int(d);
}

void RecordingState::doWrite(const QString &dbPath, int seconds)
{
    if (!QFileInfo(dbPath).isFile()) {
        qCWarning(lcLibrary) << "RecordingState::doWrite: db missing" << dbPath;
        return;
    }
    // A recording folder is not trusted: SQLite would write through a link at the database's
    // name, or at the name of its journal or write-ahead log, into whatever file it points at.
    QString link = recfolder::isLinkOrNotRegularFile(dbPath) ? dbPath : QString();
    if (link.isEmpty())
        link = recfolder::linkedCompanionFile(dbPath);
    if (!link.isEmpty()) {
        qCWarning(lcLibrary) << "RecordingState::doWrite: not writing through the symbolic link"
                             << link;
        return;
    }
    recfolder::ScopedConnection conn(QStringLiteral("recstate-w-"), dbPath,
                                     recfolder::ScopedConnection::Access::ReadWrite, WriteBusyMs);
    if (!conn.open()) {
        qCWarning(lcLibrary) << "RecordingState::doWrite: cannot open" << dbPath << ":"
                             << conn.errorText();
        return;
    }
    QSqlDatabase &db = conn.database();
    if (!db.transaction()) {
        qCWarning(lcLibrary) << "RecordingState::doWrite: BEGIN failed:" << db.lastError().text();
        return;
    }
    bool haveRow = false;
    QJsonObject state;
    {
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("SELECT Json FROM state WHERE ID=1"))) {
            qCWarning(lcLibrary) << "RecordingState::doWrite: SELECT failed:"
                                 << q.lastError().text();
            q.finish();
            db.rollback();
            return;
        }
        if (q.next()) {
            haveRow = true;
            state = recfolder::parseJsonObject(q.value(0).toByteArray());
        }
    }
    {
        // Writing into a damaged file can spread the damage to pages that still read well.
        QSqlQuery q(db);
        const bool ran = q.exec(QStringLiteral("PRAGMA quick_check"));
        const QString verdict = ran && q.next() ? q.value(0).toString() : q.lastError().text();
        if (verdict != QLatin1String("ok")) {
            qCWarning(lcLibrary)
                << "RecordingState::doWrite: integrity check failed, not writing into" << dbPath
                << ":" << verdict;
            q.finish();
            db.rollback();
            return;
        }
    }
    state.insert(QStringLiteral("position"), seconds);
    const QByteArray json = QJsonDocument(state).toJson(QJsonDocument::Compact);
    {
        QSqlQuery q(db);
        const bool prepared =
            q.prepare(haveRow ? QStringLiteral("UPDATE state SET Json = :json WHERE ID = 1")
                              : QStringLiteral("INSERT INTO state(ID, Json) VALUES (1, :json)"));
        q.bindValue(QStringLiteral(":json"), json);
        if (!prepared || !q.exec()) {
            qCWarning(lcLibrary) << "RecordingState::doWrite: write failed:"
                                 << q.lastError().text();
            q.finish();
            db.rollback();
            return;
        }
    }
    if (!db.commit()) {
        qCWarning(lcLibrary) << "RecordingState::doWrite: COMMIT failed:" << db.lastError().text();
        db.rollback();
    }
}
