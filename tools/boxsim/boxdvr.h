// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// The box's recording interface over SVP: the recording list (DVR_LIST_PLAY), playback
// sessions (DVR_START, PLAY_POS, DVR_STOP) served by BoxHttp, and file downloads
// (FILE_DOWNLOAD). Installs its handlers on a BoxServer; everything runs on that thread.
#pragma once

#include "boxconfig.h"
#include "boxserver.h"
#include "boxstorage.h"

#include <QObject>

class BoxHttp;

class BoxDvr : public QObject
{
    Q_OBJECT

public:
    // Largest chunk a FILE_DOWNLOAD answer carries, whatever was asked.
    static constexpr qint64 MAX_CHUNK_BYTES = 16 * 1024 * 1024;
    // What a request without a "length" gets.
    static constexpr qint64 DEFAULT_CHUNK_BYTES = 4 * 1024 * 1024;

    BoxDvr(const BoxConfig &config, QObject *parent = nullptr);
    ~BoxDvr() override;

    // Scans the storage, reads the list file and starts the HTTP side (when SVP is served).
    bool start(QString *error);
    // Puts the handlers on `server`.
    void install(BoxServer *server);

    BoxHttp *http() const { return m_http; }
    const BoxStorage &storage() const { return m_storage; }

    BoxReply list(const BoxRequest &request);
    BoxReply startPlay(const BoxRequest &request);
    BoxReply stopPlay(const BoxRequest &request);
    BoxReply playPosition(const BoxRequest &request);
    BoxReply download(const BoxRequest &request);

private:
    BoxConfig m_config;
    BoxStorage m_storage;
    BoxHttp *m_http = nullptr;
    QByteArray m_listFile;
    QHash<quint32, QList<quint32>> m_activeSessions; // play id -> open sessions
};

// Status codes the box answers with.
namespace boxstatus {
constexpr quint32 FAIL = 1;
constexpr quint32 NOT_FOUND = 5;
constexpr quint32 NO_DATA = 6;
constexpr quint32 PACKET_ERROR = 14;
constexpr quint32 BAD_INSTANCE = 17;
} // namespace boxstatus
