// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "imgr.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace imgr {

namespace {

void putText(char *at, const QByteArray &text)
{
    std::memcpy(at, text.constData(), size_t(std::min<qsizetype>(text.size(), 16)));
}

} // namespace

QByteArray ImgrMsg::pack() const
{
    QByteArray out(IMGR_MSG_SIZE, '\0');
    char *p = out.data();
    std::memcpy(p, IMGR_MAGIC, 4);
    p[4] = char(control0);
    p[5] = char(type);
    p[6] = char(flags);
    p[7] = char(control3);
    putText(p + 8, id);
    putText(p + 24, ip);
    putText(p + 40, name);
    putText(p + 56, model);
    p[72] = char(numTuners);
    p[73] = char(subscription);
    p[74] = char(extra74);
    p[75] = char(extra75);
    qToBigEndian(value0, p + 76);
    qToBigEndian(value1, p + 80);
    qToBigEndian(value2, p + 84);
    qToBigEndian(value3, p + 88);
    return out;
}

ImgrMsg makeDiscover(const QByteArray &clientId, const QByteArray &clientName,
                     const QString &sourceIp)
{
    ImgrMsg m;
    m.control0 = 0;
    m.type = IMGR_TYPE_DISCOVER;
    m.flags = 0;
    m.control3 = 1;
    m.id = clientId;
    m.ip = sourceIp.toLatin1();
    m.name = clientName;
    return m;
}

bool parseImgr(const QByteArray &bytes, ImgrMsg &out)
{
    if (bytes.size() < IMGR_MSG_SIZE || std::memcmp(bytes.constData(), IMGR_MAGIC, 4) != 0)
        return false;
    const char *p = bytes.constData();
    out.control0 = quint8(p[4]);
    out.type = quint8(p[5]);
    out.flags = quint8(p[6]);
    out.control3 = quint8(p[7]);
    out.id = QByteArray(p + 8, 16);
    out.ip = QByteArray(p + 24, 16);
    out.name = QByteArray(p + 40, 16);
    out.model = QByteArray(p + 56, 16);
    out.numTuners = quint8(p[72]);
    out.subscription = quint8(p[73]);
    out.extra74 = quint8(p[74]);
    out.extra75 = quint8(p[75]);
    out.value0 = qFromBigEndian<quint32>(p + 76);
    out.value1 = qFromBigEndian<quint32>(p + 80);
    out.value2 = qFromBigEndian<quint32>(p + 84);
    out.value3 = qFromBigEndian<quint32>(p + 88);
    return true;
}

} // namespace imgr
