// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "boxhttp.h"

#include "boxstorage.h"
#include "byterange.h"

#include <recordingfolder.h>

#include <QFile>
#include <QHttpServer>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QHttpServerResponse>
#include <QMetaEnum>
#include <QTcpServer>

namespace {

using Status = QHttpServerResponder::StatusCode;

// A partial answer is read into memory; a longer range is cut to this, as Content-Range says.
constexpr qint64 kMaxRangeBytes = 64 * 1024 * 1024;

QByteArray headerValue(const QHttpServerRequest &request, const QByteArray &name)
{
    const auto headers = request.headers();
    for (const auto &header : headers) {
        if (header.first.compare(name, Qt::CaseInsensitive) == 0)
            return header.second;
    }
    return {};
}

QString methodName(const QHttpServerRequest &request)
{
    const char *key =
        QMetaEnum::fromType<QHttpServerRequest::Method>().valueToKey(int(request.method()));
    return key ? QString::fromLatin1(key).toUpper() : QStringLiteral("?");
}

} // namespace

BoxHttp::BoxHttp(const BoxConfig &config, BoxStorage *storage, QObject *parent)
    : QObject(parent)
    , m_config(config)
    , m_storage(storage)
{}

BoxHttp::~BoxHttp() = default;

bool BoxHttp::start(QString *error)
{
    m_server = new QHttpServer(this);
    m_server->route(QStringLiteral("/s/<arg>/<arg>"),
                    [this](quint32 session, const QString &name, const QHttpServerRequest &request,
                           QHttpServerResponder &&responder) {
                        serveSession(session, name, request, std::move(responder));
                    });
    m_server->route(QStringLiteral("/poster/<arg>"),
                    [this](quint32 playId, const QHttpServerRequest &request,
                           QHttpServerResponder &&responder) {
                        servePoster(playId, request, std::move(responder));
                    });
    m_server->setMissingHandler(
        [this](const QHttpServerRequest &request, QHttpServerResponder &&responder) {
            answerStatus(404, request, std::move(responder));
        });

    m_tcp = new QTcpServer(this);
    if (!m_tcp->listen(QHostAddress(m_config.address), m_config.httpPort)) {
        *error = QStringLiteral("HTTP %1:%2: %3")
                     .arg(m_config.address)
                     .arg(m_config.httpPort)
                     .arg(m_tcp->errorString());
        return false;
    }
    m_port = m_tcp->serverPort();
    m_server->bind(m_tcp);
    return true;
}

QString BoxHttp::baseUrl() const
{
    return QStringLiteral("http://%1:%2")
        .arg(QString::fromLatin1(m_config.effectiveIp()))
        .arg(m_port);
}

QString BoxHttp::sessionUrl(quint32 session) const
{
    return baseUrl() + QStringLiteral("/s/%1/master.m3u8").arg(session);
}

QString BoxHttp::posterBase() const
{
    return m_port ? baseUrl() + QStringLiteral("/poster/") : QString();
}

quint32 BoxHttp::openSession(quint32 playId, QString *error)
{
    const BoxRecording *recording = m_storage->find(playId);
    if (!recording) {
        *error = QStringLiteral("no recording with play id %1").arg(playId);
        return 0;
    }
    auto it = m_presentations.find(playId);
    if (it == m_presentations.end())
        it = m_presentations.insert(playId, buildBoxHls(recording->folder));
    if (!it->ok) {
        *error = it->error;
        return 0;
    }
    const quint32 session = ++m_lastSession;
    m_sessions.insert(session, playId);
    return session;
}

void BoxHttp::serveSession(quint32 session, const QString &name, const QHttpServerRequest &request,
                           QHttpServerResponder &&responder)
{
    if (request.method() != QHttpServerRequest::Method::Get)
        return answerStatus(405, request, std::move(responder));
    const auto found = m_sessions.constFind(session);
    if (found == m_sessions.constEnd())
        return answerStatus(404, request, std::move(responder));
    const BoxHls &hls = m_presentations[found.value()];
    const QByteArray playlistType = hlsMimeType(QStringLiteral(".m3u8"));

    if (name == recfolder::MasterPlaylistName) {
        switch (m_config.masterFault) {
        case BoxConfig::MasterFault::None:
            return serveMemory(hls.master, playlistType, request, std::move(responder));
        case BoxConfig::MasterFault::Media:
            return serveMemory(hls.texts.value(QStringLiteral("video.m3u8")), playlistType, request,
                               std::move(responder));
        case BoxConfig::MasterFault::Error:
            return answerStatus(500, request, std::move(responder));
        case BoxConfig::MasterFault::Silent:
            return hold(request, std::move(responder));
        }
    }
    if (const auto text = hls.texts.constFind(name); text != hls.texts.constEnd())
        return serveMemory(text.value(), playlistType, request, std::move(responder));
    if (const auto init = hls.inits.constFind(name); init != hls.inits.constEnd())
        return serveMemory(init.value(), "video/mp4", request, std::move(responder));
    if (const auto file = hls.mediaFiles.constFind(name); file != hls.mediaFiles.constEnd())
        return serveFile(file.value(), hls.mediaTypes.value(name), request, std::move(responder));
    answerStatus(404, request, std::move(responder));
}

void BoxHttp::servePoster(quint32 playId, const QHttpServerRequest &request,
                          QHttpServerResponder &&responder)
{
    if (request.method() != QHttpServerRequest::Method::Get)
        return answerStatus(405, request, std::move(responder));
    const BoxRecording *recording = m_storage->find(playId);
    if (!recording || !recording->hasPoster)
        return answerStatus(404, request, std::move(responder));
    serveFile(recording->folder + QLatin1Char('/') + recfolder::PosterFileName, "image/png",
              request, std::move(responder));
}

void BoxHttp::serveMemory(const QByteArray &body, const QByteArray &mime,
                          const QHttpServerRequest &request, QHttpServerResponder &&responder)
{
    const qint64 size = body.size();
    const ByteRange range = answerRange(headerValue(request, "Range"), size);
    switch (range.kind) {
    case ByteRange::Kind::Whole: {
        QHttpServerResponse response(mime, body, Status::Ok);
        response.addHeader("Accept-Ranges", "bytes");
        log(request, 200);
        return response.write(std::move(responder));
    }
    case ByteRange::Kind::Partial: {
        QHttpServerResponse response(mime, body.mid(range.first, range.length()),
                                     Status::PartialContent);
        response.addHeader("Accept-Ranges", "bytes");
        response.addHeader("Content-Range", contentRange(range, size));
        log(request, 206);
        return response.write(std::move(responder));
    }
    case ByteRange::Kind::Unsatisfiable: {
        QHttpServerResponse response(mime, QByteArray(), Status::RequestRangeNotSatisfiable);
        response.addHeader("Content-Range", contentRange(range, size));
        log(request, 416);
        return response.write(std::move(responder));
    }
    }
}

void BoxHttp::serveFile(const QString &path, const QByteArray &mime,
                        const QHttpServerRequest &request, QHttpServerResponder &&responder)
{
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::ReadOnly))
        return answerStatus(404, request, std::move(responder));
    const qint64 size = file->size();
    ByteRange range = answerRange(headerValue(request, "Range"), size);
    switch (range.kind) {
    case ByteRange::Kind::Whole:
        log(request, 200);
        // Streamed from the file; the responder owns it from here.
        return responder.write(file.release(), {{"Content-Type", mime}, {"Accept-Ranges", "bytes"}},
                               Status::Ok);
    case ByteRange::Kind::Partial: {
        range.last = std::min(range.last, range.first + kMaxRangeBytes - 1);
        if (!file->seek(range.first))
            return answerStatus(500, request, std::move(responder));
        const QByteArray bytes = file->read(range.length());
        if (bytes.size() != range.length())
            return answerStatus(500, request, std::move(responder));
        QHttpServerResponse response(mime, bytes, Status::PartialContent);
        response.addHeader("Accept-Ranges", "bytes");
        response.addHeader("Content-Range", contentRange(range, size));
        log(request, 206);
        return response.write(std::move(responder));
    }
    case ByteRange::Kind::Unsatisfiable: {
        QHttpServerResponse response(mime, QByteArray(), Status::RequestRangeNotSatisfiable);
        response.addHeader("Content-Range", contentRange(range, size));
        log(request, 416);
        return response.write(std::move(responder));
    }
    }
}

void BoxHttp::answerStatus(int status, const QHttpServerRequest &request,
                           QHttpServerResponder &&responder)
{
    log(request, status);
    responder.write(QHttpServerResponder::StatusCode(status));
}

void BoxHttp::hold(const QHttpServerRequest &request, QHttpServerResponder &&responder)
{
    log(request, 0);
    m_held.push_back(std::make_unique<QHttpServerResponder>(std::move(responder)));
}

void BoxHttp::log(const QHttpServerRequest &request, int status)
{
    emit requested(methodName(request), request.url().path(), headerValue(request, "Range"),
                   status);
}
