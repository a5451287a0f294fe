// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// The discovery message ("SVnv"): a client's DISCOVER and a box's answer share one 92-byte form.
#pragma once

#include <QByteArray>
#include <QList>
#include <QMetaType>
#include <QString>

namespace imgr {

constexpr int IMGR_MSG_SIZE = 92;
inline constexpr char IMGR_MAGIC[] = "SVnv";

constexpr quint8 IMGR_TYPE_ANSWER_OLD = 0;
constexpr quint8 IMGR_TYPE_ANSWER = 2;
constexpr quint8 IMGR_TYPE_DISCOVER = 3;

constexpr quint8 IMGR_FLAG_LIBRARY = 0x01;
constexpr quint8 IMGR_FLAG_TUNER = 0x02;

struct ImgrMsg
{
    quint8 control0 = 0;
    quint8 type = 0;
    quint8 flags = 0;
    quint8 control3 = 0;
    // Text fields: as built (any length; pack cuts or fills to 16 bytes) or as received (the
    // 16 bytes of the field, zero bytes included). Read them through fixedText.
    QByteArray id;
    QByteArray ip;
    QByteArray name;
    QByteArray model;
    quint8 numTuners = 0;
    quint8 subscription = 0;
    quint8 extra74 = 0;
    quint8 extra75 = 0;
    quint32 value0 = 0;
    quint32 value1 = 0;
    quint32 value2 = 0;
    quint32 value3 = 0;

    // The 92-byte wire form.
    QByteArray pack() const;
};

// A client's DISCOVER message, sent from `sourceIp`.
ImgrMsg makeDiscover(const QByteArray &clientId, const QByteArray &clientName,
                     const QString &sourceIp);

// Fills `out` from at least 92 bytes that start with the magic (bytes past 92 are ignored);
// anything else returns false and leaves `out` as it was.
bool parseImgr(const QByteArray &bytes, ImgrMsg &out);

} // namespace imgr

Q_DECLARE_METATYPE(imgr::ImgrMsg)
