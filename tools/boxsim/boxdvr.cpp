// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "boxdvr.h"

#include "boxhttp.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

BoxDvr::BoxDvr(const BoxConfig &config, QObject *parent)
    : QObject(parent)
    , m_config(config)
{}

BoxDvr::~BoxDvr() = default;

bool BoxDvr::start(QString *error)
{
    if (!m_storage.load(m_config.storage, error))
        return false;
    if (!m_config.listFile.isEmpty()) {
        QFile file(m_config.listFile);
        if (!file.open(QIODevice::ReadOnly)) {
            *error = QStringLiteral("list file %1: %2").arg(m_config.listFile, file.errorString());
            return false;
        }
        m_listFile = file.readAll();
    }
    if (m_config.svp) {
        m_http = new BoxHttp(m_config, &m_storage, this);
        if (!m_http->start(error))
            return false;
    }
    return true;
}

void BoxDvr::install(BoxServer *server)
{
    server->setHandler(SVP_API_DVR_LIST_PLAY, [this](const BoxRequest &r) { return list(r); });
    server->setHandler(SVP_API_DVR_START, [this](const BoxRequest &r) { return startPlay(r); });
    server->setHandler(SVP_API_DVR_STOP, [this](const BoxRequest &r) { return stopPlay(r); });
    server->setHandler(SVP_API_PLAY_POS, [this](const BoxRequest &r) { return playPosition(r); });
    server->setHandler(SVP_API_FILE_DOWNLOAD, [this](const BoxRequest &r) { return download(r); });
}

BoxReply BoxDvr::list(const BoxRequest &)
{
    BoxReply reply;
    reply.arg1 = m_config.instance;
    reply.payload = m_config.listFile.isEmpty()
                        ? m_storage.listJson(m_http ? m_http->posterBase() : QString())
                        : m_listFile;
    return reply;
}

BoxReply BoxDvr::startPlay(const BoxRequest &request)
{
    BoxReply reply;
    const quint32 playId = request.header.arg0;
    if (request.header.arg2 != m_config.instance) {
        reply.status = boxstatus::BAD_INSTANCE;
        return reply;
    }
    if (!m_storage.find(playId) || !m_http) {
        reply.status = boxstatus::NOT_FOUND;
        return reply;
    }
    QString error;
    const quint32 session = m_http->openSession(playId, &error);
    if (session == 0) {
        qWarning("boxsim: DVR_START %u: %s", playId, qPrintable(error));
        reply.status = boxstatus::NO_DATA;
        return reply;
    }
    m_activeSessions[playId].append(session);
    QJsonObject answer;
    if (m_config.startUrl.isEmpty())
        answer.insert(QStringLiteral("url"), m_http->sessionUrl(session));
    else if (m_config.startUrl != QLatin1String("none"))
        answer.insert(QStringLiteral("url"), m_config.startUrl);
    reply.arg1 = session;
    reply.payload = QJsonDocument(answer).toJson(QJsonDocument::Compact);
    return reply;
}

BoxReply BoxDvr::stopPlay(const BoxRequest &request)
{
    BoxReply reply;
    BoxRecording *recording = m_storage.find(request.header.arg0);
    if (!recording) {
        reply.status = boxstatus::NOT_FOUND;
        return reply;
    }
    recording->position = int(request.header.arg1);
    // The session ends on the box's books; its URL keeps answering, so a player that still
    // drains its buffers is not cut off.
    m_activeSessions.remove(recording->playId);
    return reply;
}

BoxReply BoxDvr::playPosition(const BoxRequest &request)
{
    BoxReply reply;
    BoxRecording *recording = m_storage.find(request.header.arg0);
    if (!recording) {
        reply.status = boxstatus::NOT_FOUND;
        return reply;
    }
    recording->position = int(request.header.arg1);
    return reply;
}

BoxReply BoxDvr::download(const BoxRequest &request)
{
    BoxReply reply;
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(request.payload, &parseError);
    const QJsonObject piece = doc.object();
    const QJsonValue pathValue = piece.value(QStringLiteral("path"));
    const QJsonValue offsetValue = piece.value(QStringLiteral("offset"));
    const QJsonValue lengthValue = piece.value(QStringLiteral("length"));
    const qint64 offset = offsetValue.isUndefined() ? 0 : qint64(offsetValue.toDouble(-1));
    const qint64 length =
        lengthValue.isUndefined() ? DEFAULT_CHUNK_BYTES : qint64(lengthValue.toDouble(-1));
    if (parseError.error != QJsonParseError::NoError || !doc.isObject() || !pathValue.isString() ||
        offset < 0 || length <= 0) {
        reply.status = boxstatus::PACKET_ERROR;
        return reply;
    }
    const QString path = m_storage.resolveDownload(pathValue.toString());
    if (path.isEmpty()) {
        reply.status = boxstatus::NOT_FOUND;
        return reply;
    }
    qint64 want = std::min(length, MAX_CHUNK_BYTES);
    if (m_config.chunkBytes > 0)
        want = std::min(want, m_config.chunkBytes);
    const FilePiece read = readFilePiece(path, offset, want);
    if (!read.ok) {
        reply.status = boxstatus::FAIL;
        return reply;
    }
    qint64 size = read.size;
    const QString name = QFileInfo(pathValue.toString()).fileName();
    if (!m_config.wrongSizeFile.isEmpty() &&
        (m_config.wrongSizeFile == QLatin1String("*") || m_config.wrongSizeFile == name))
        ++size;
    reply.arg1 = quint32(size);
    reply.payload = read.bytes;
    return reply;
}
