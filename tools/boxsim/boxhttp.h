// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// The box's HTTP side, on QHttpServer: per playback session the HLS presentation of its
// recording (/s/<session>/master.m3u8 and the names the playlists use), with exact Range
// answers for every body, and the posters (/poster/<playId>). Runs on the thread that created
// it; nothing blocks but short file reads.
#pragma once

#include "boxconfig.h"
#include "boxhls.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>

#include <memory>
#include <vector>

class BoxStorage;
class QHttpServer;
class QHttpServerRequest;
class QHttpServerResponder;
class QTcpServer;

class BoxHttp : public QObject
{
    Q_OBJECT

public:
    BoxHttp(const BoxConfig &config, BoxStorage *storage, QObject *parent = nullptr);
    ~BoxHttp() override;

    bool start(QString *error);
    quint16 port() const { return m_port; }

    // Opens a session for a recording; its presentation is built on the first open of that
    // recording. Returns the session number (from 1), or 0 with the reason when the recording
    // cannot be played.
    quint32 openSession(quint32 playId, QString *error);
    QString sessionUrl(quint32 session) const;
    QString posterBase() const;

signals:
    // Every request, with the status answered (0: not answered).
    void requested(const QString &method, const QString &path, const QByteArray &range, int status);

private:
    void serveSession(quint32 session, const QString &name, const QHttpServerRequest &request,
                      QHttpServerResponder &&responder);
    void servePoster(quint32 playId, const QHttpServerRequest &request,
                     QHttpServerResponder &&responder);
    void serveMemory(const QByteArray &body, const QByteArray &mime,
                     const QHttpServerRequest &request, QHttpServerResponder &&responder);
    void serveFile(const QString &path, const QByteArray &mime, const QHttpServerRequest &request,
                   QHttpServerResponder &&responder);
    void answerStatus(int status, const QHttpServerRequest &request,
                      QHttpServerResponder &&responder);
    void hold(const QHttpServerRequest &request, QHttpServerResponder &&responder);
    void log(const QHttpServerRequest &request, int status);
    QString baseUrl() const;

    BoxConfig m_config;
    BoxStorage *m_storage = nullptr;
    QHttpServer *m_server = nullptr;
    QTcpServer *m_tcp = nullptr;
    quint16 m_port = 0;
    quint32 m_lastSession = 0;
    QHash<quint32, quint32> m_sessions;                        // session -> play id
    QHash<quint32, BoxHls> m_presentations;                    // play id -> presentation
    std::vector<std::unique_ptr<QHttpServerResponder>> m_held; // silent answers
};
