// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "remoteplayback.h"
#include "netlog.h"

#include "deviceidentity.h"
#include "hlsmaster.h"
#include "svp.h"
#include "svptransport.h"
#include "vlcplayer.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QtConcurrent/QtConcurrentRun>

#include <filesystem>
#include <system_error>

RemotePlayback::RemotePlayback(VlcPlayer *player, DeviceIdentity *identity, QObject *parent)
    : QObject(parent)
    , m_player(player)
    , m_identity(identity)
    , m_svpPort(SVP_PORT)
{
    m_writeTimer.setInterval(PositionIntervalMs);
    m_writeTimer.setSingleShot(false);
    connect(&m_writeTimer, &QTimer::timeout, this, &RemotePlayback::onWriteTimer);
    connect(&m_startWatcher, &QFutureWatcher<StartResult>::finished, this,
            &RemotePlayback::onStartFinished);
    if (player) {
        connect(player, &VlcPlayer::playbackEnded, this, &RemotePlayback::onPlaybackEnded);
        connect(player, &VlcPlayer::currentMediaChanged, this,
                &RemotePlayback::onCurrentMediaChanged);
    }
}

RemotePlayback::~RemotePlayback()
{
    if (active())
        stopSession(m_pos, ShutdownStopTimeoutMs);
    waitForTasks();
    if (!m_tempMasterPath.isEmpty())
        QFile::remove(m_tempMasterPath);
}

void RemotePlayback::waitForTasks()
{
    m_startWatcher.waitForFinished();
    m_positionWatcher.waitForFinished();
    m_stopWatcher.waitForFinished();
}

QByteArray RemotePlayback::deviceId() const
{
    return m_identity ? m_identity->idBytes() : DeviceIdentity::wireField(DeviceIdentity::ID_TEXT);
}

void RemotePlayback::play(const QString &host, uint playId, uint instance, int savedPos,
                          const QString &name, const QString &title)
{
    if (m_startWatcher.isRunning())
        return;
    m_host = host;
    m_playId = playId;
    m_instance = instance;
    m_savedPos = savedPos;
    m_name = name;
    m_title = title;
    if (savedPos >= ResumeThresholdSeconds) {
        emit resumeRequested(name, title, savedPos);
        return;
    }
    doStart(0);
}

void RemotePlayback::confirmResume()
{
    doStart(m_savedPos);
}

void RemotePlayback::startOver()
{
    doStart(0);
}

void RemotePlayback::cancelResume() {}

void RemotePlayback::doStart(int start)
{
    if (m_startWatcher.isRunning())
        return;
    m_startPos = start;
    m_pendingUrl = QUrl();

    QString oldHost;
    quint32 oldPlayId = 0;
    int oldPos = 0;
    if (active()) {
        oldHost = m_activeHost;
        oldPlayId = m_activePlayId;
        oldPos = m_pos;
        endActive();
        emit positionPersisted(oldPlayId, oldPos);
    }
    // A stop sent before this start (the user left the last recording) must reach the box
    // first: for the same recording a late stop would close the new session.
    const QFuture<void> previousStop = m_stopWatcher.future();
    m_startWatcher.setFuture(QtConcurrent::run(&RemotePlayback::startSession, m_host, m_svpPort,
                                               deviceId(), m_playId, m_instance, oldHost, oldPlayId,
                                               oldPos, previousStop));
}

bool RemotePlayback::isPlayableUrl(const QUrl &url)
{
    const QString scheme = url.scheme();
    return url.isValid() && !url.host().isEmpty() &&
           (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

RemotePlayback::StartResult RemotePlayback::startSession(const QString &host, quint16 port,
                                                         const QByteArray &deviceId, quint32 playId,
                                                         quint32 instance, const QString &oldHost,
                                                         quint32 oldPlayId, int oldPos,
                                                         QFuture<void> previousStop)
{
    previousStop.waitForFinished();
    StartResult result;
    if (oldPlayId != 0) {
        qCInfo(lcNet) << "RemotePlayback: doStart pre-stop old session playId=" << oldPlayId
                      << "pos=" << oldPos;
        sendDvrStop(oldHost, port, deviceId, oldPlayId, oldPos, StopTimeoutMs);
    }

    const SvpHeader header(SVP_API_DVR_START, deviceId, playId, 0, instance, 0, 1);
    const SvpResponse response = svpRequestTcp(host, port, header, QByteArray(), StartTimeoutMs);
    if (!response.error.isEmpty()) {
        qCWarning(lcNet) << "RemotePlayback: doStart transport error:" << response.error;
        result.error = response.error;
        return result;
    }
    if (response.arg0 != SVP_STATUS_SUCCESS) {
        qCWarning(lcNet) << "RemotePlayback: DVR_START error" << svpStatusName(response.arg0);
        result.error = svpStatusMessage(response.arg0);
        return result;
    }
    const QJsonDocument doc = QJsonDocument::fromJson(response.payload);
    const QString rawUrl =
        doc.isObject() ? doc.object().value(QStringLiteral("url")).toString() : QString();
    if (rawUrl.isEmpty()) {
        result.error = QStringLiteral("DVR_START returned no playback URL");
        return result;
    }
    // The player opens what the box names; only the box's web server may be named, never a
    // local file or another kind of address.
    const QUrl url(rawUrl);
    if (!isPlayableUrl(url)) {
        qCWarning(lcNet) << "RemotePlayback: DVR_START returned an unusable URL";
        result.error = QStringLiteral("The device returned a playback address that is not an "
                                      "http or https URL.");
        return result;
    }

    const HlsMasterFetch master = fetchHlsMaster(url, MasterFetchTimeoutMs);
    result.ok = true;
    result.url = rawUrl;
    if (!master.ok) {
        qCWarning(lcNet).noquote()
            << QStringLiteral("RemotePlayback: HLS master rewrite failed (%1); falling back to "
                              "raw URL")
                   .arg(master.error);
        return result;
    }
    const QString path = writeTempMaster(playId, master.text);
    if (path.isEmpty()) {
        qCWarning(lcNet) << "RemotePlayback: temp master write failed; falling back to raw URL";
        return result;
    }
    result.tempMasterPath = path;
    result.url = QUrl::fromLocalFile(path).toString();
    return result;
}

QString RemotePlayback::writeTempMaster(quint32 playId, const QString &text, const QString &dir)
{
    const QString folder =
        dir.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::TempLocation) : dir;
    if (folder.isEmpty())
        return QString();
    const QString path =
        QDir(folder).filePath(QStringLiteral("Norplay_master_%1.m3u8").arg(playId));

    // The temporary folder is shared with other local users. The text goes into a new file of
    // a random name, created exclusively, which then replaces whatever has the fixed name with
    // one rename: a symbolic link placed there is replaced, never followed.
    QTemporaryFile file(QDir(folder).filePath(QStringLiteral("Norplay_master_XXXXXX.part")));
    file.setAutoRemove(true);
    if (!file.open())
        return QString();
    const QByteArray bytes = text.toUtf8();
    if (file.write(bytes) < 0 || !file.flush())
        return QString();
    file.close();
    std::error_code ec;
    std::filesystem::rename(std::filesystem::path(file.fileName().toStdU16String()),
                            std::filesystem::path(path.toStdU16String()), ec);
    if (ec)
        return QString();
    file.setAutoRemove(false);
    return path;
}

void RemotePlayback::onStartFinished()
{
    const StartResult result = m_startWatcher.future().result();
    if (!result.ok) {
        qCWarning(lcNet) << "RemotePlayback: DVR_START failed:" << result.error;
        emit error(result.error);
        return;
    }
    if (!m_tempMasterPath.isEmpty() && m_tempMasterPath != result.tempMasterPath)
        QFile::remove(m_tempMasterPath);
    m_tempMasterPath = result.tempMasterPath;
    m_pendingUrl = QUrl(result.url);
    qCInfo(lcNet) << "RemotePlayback: DVR_START ok, playId=" << m_playId
                  << "startPos=" << m_startPos;
    emit playReady(m_pendingUrl, m_startPos);
}

void RemotePlayback::onCurrentMediaChanged()
{
    if (!m_player)
        return;
    const QUrl current = m_player->currentMedia();
    if (active() && current != m_activeUrl)
        stopSession(m_pos, StopTimeoutMs);
    if (!m_pendingUrl.isEmpty() && current == m_pendingUrl) {
        m_activeHost = m_host;
        m_activePlayId = m_playId;
        m_activeUrl = m_pendingUrl;
        m_pos = m_startPos;
        m_pendingUrl = QUrl();
        m_writeTimer.start();
        qCInfo(lcNet) << "RemotePlayback: session ACTIVE playId=" << m_activePlayId
                      << "— PLAY_POS timer started";
        emit activeChanged();
    }
}

void RemotePlayback::onWriteTimer()
{
    if (!active() || !m_player)
        return;
    const qint64 ms = m_player->time();
    m_pos = ms > 0 ? int(ms / 1000) : 0;
    startPositionReport(m_pos);
}

void RemotePlayback::startPositionReport(int pos)
{
    if (m_positionWatcher.isRunning())
        return;
    m_positionWatcher.setFuture(QtConcurrent::run(&RemotePlayback::sendPlayPos, m_activeHost,
                                                  m_svpPort, deviceId(), m_activePlayId, pos));
}

void RemotePlayback::sendPlayPos(const QString &host, quint16 port, const QByteArray &deviceId,
                                 quint32 playId, int pos)
{
    const SvpHeader header(SVP_API_PLAY_POS, deviceId, playId, quint32(pos), 0, 0, 1);
    svpRequestUdp(host, port, header, PositionTimeoutMs);
}

void RemotePlayback::onPlaybackEnded()
{
    if (!active())
        return;
    qCInfo(lcNet) << "RemotePlayback: playbackEnded at pos=" << m_pos
                  << "s (preserving position, not resetting to 0)";
    stopSession(m_pos, StopTimeoutMs);
}

void RemotePlayback::stopSession(int finalPos, int timeoutMs)
{
    if (!active())
        return;
    qCInfo(lcNet) << "RemotePlayback: DVR_STOP playId=" << m_activePlayId << "finalPos=" << finalPos
                  << "s";
    emit positionPersisted(m_activePlayId, finalPos);
    m_stopWatcher.setFuture(QtConcurrent::run(&RemotePlayback::sendDvrStop, m_activeHost, m_svpPort,
                                              deviceId(), m_activePlayId, finalPos, timeoutMs,
                                              m_positionWatcher.future()));
    endActive();
}

void RemotePlayback::endActive()
{
    m_writeTimer.stop();
    m_activePlayId = 0;
    m_activeUrl = QUrl();
    m_activeHost.clear();
    emit activeChanged();
}

void RemotePlayback::sendDvrStop(const QString &host, quint16 port, const QByteArray &deviceId,
                                 quint32 playId, int pos, int timeoutMs,
                                 QFuture<void> reportInFlight)
{
    reportInFlight.waitForFinished();
    const SvpHeader header(SVP_API_DVR_STOP, deviceId, playId, quint32(pos), 0, 0, 1);
    svpRequestTcp(host, port, header, QByteArray(), timeoutMs);
}
