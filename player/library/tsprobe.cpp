// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "tsprobe.h"

#include <QByteArray>
#include <QFile>

#include <algorithm>
#include <cstring>
#include <set>

namespace tsprobe {

namespace {

constexpr qint64 Packet = PacketSize;
// Bytes of a packet that the walk looks at first: header, adaptation field length and flags,
// PCR, and a PES header that starts right after the 4-byte packet header.
constexpr qint64 HeaderBytes = 18;
// The end probe first looks at this much of the file's tail and widens it fourfold while the
// answer is not settled.
constexpr qint64 FirstTailBytes = 16384;
// How far past the start of a tail the candidate walks may go before they must have met.
constexpr qint64 CoalesceLimit = 65536;

qint64 pcrBase(const uchar *packet)
{
    return (qint64(packet[6]) << 25) | (qint64(packet[7]) << 17) | (qint64(packet[8]) << 9) |
           (qint64(packet[9]) << 1) | (qint64(packet[10]) >> 7);
}

qint64 ptsValue(const uchar *payload)
{
    return (qint64((payload[9] >> 1) & 0x07) << 30) | (qint64(payload[10]) << 22) |
           (qint64(payload[11] >> 1) << 15) | (qint64(payload[12]) << 7) |
           (qint64(payload[13]) >> 1);
}

bool hasAdaptationField(const uchar *packet)
{
    const int control = packet[3] & 0x30;
    return control == 0x20 || control == 0x30;
}

bool carriesPcr(const uchar *packet)
{
    return hasAdaptationField(packet) && packet[4] != 0 && (packet[5] & 0x10);
}

// Offset of the payload within the packet.
int payloadOffset(const uchar *packet)
{
    return 4 + (hasAdaptationField(packet) ? 1 + packet[4] : 0);
}

bool isPesWithPts(const uchar *payload)
{
    return payload[0] == 0 && payload[1] == 0 && payload[2] == 1 && (payload[7] & 0x80);
}

// Reads the bytes of a file window [start, end) that a packet walk actually looks at, in small
// pieces, and counts them. A file that turns out shorter than the window ends the window there.
class WindowReader
{
public:
    WindowReader(QFile &file, qint64 end)
        : m_file(file)
        , m_end(end)
    {}

    qint64 end() const { return m_end; }
    qint64 bytesRead() const { return m_bytesRead; }

    // Bytes [pos, pos + n), reading at least chunk bytes when it has to read; null when the
    // window ends first.
    const uchar *fetch(qint64 pos, qint64 n, qint64 chunk = 0)
    {
        if (pos < m_bufStart || pos + n > m_bufStart + m_buf.size()) {
            const qint64 len = std::min(std::max(n, chunk), m_end - pos);
            if (len < n)
                return nullptr;
            m_buf.resize(len);
            qint64 got = m_file.seek(pos) ? m_file.read(m_buf.data(), len) : 0;
            got = std::max<qint64>(got, 0);
            m_bytesRead += got;
            m_buf.resize(got);
            m_bufStart = pos;
            if (got < len)
                m_end = pos + got;
            if (got < n)
                return nullptr;
        }
        return reinterpret_cast<const uchar *>(m_buf.constData()) + (pos - m_bufStart);
    }

    // The next sync byte at or after pos, or end() when there is none.
    qint64 nextSync(qint64 pos)
    {
        while (pos < m_end) {
            const uchar *p = fetch(pos, 1, 4096);
            if (!p)
                break;
            const qint64 avail = m_bufStart + m_buf.size() - pos;
            if (const void *hit = std::memchr(p, 0x47, size_t(avail)))
                return pos + (static_cast<const uchar *>(hit) - p);
            pos += avail;
        }
        return m_end;
    }

private:
    QFile &m_file;
    qint64 m_end;
    QByteArray m_buf;
    qint64 m_bufStart = 0;
    qint64 m_bytesRead = 0;
};

// An in-memory stretch [base, base + size) of a file ending at the file's end.
struct Tail
{
    const uchar *data = nullptr;
    qint64 base = 0;
    qint64 end = 0;

    const uchar *at(qint64 pos) const { return data + (pos - base); }
    qint64 nextSync(qint64 pos) const
    {
        const void *hit = std::memchr(at(pos), 0x47, size_t(end - pos));
        return hit ? pos + (static_cast<const uchar *>(hit) - at(pos)) : end;
    }
    qint64 step(qint64 pos) const { return *at(pos) == 0x47 ? pos + Packet : nextSync(pos); }
};

// Walks packets from pos to the end of the tail, keeping the last PCR and the last PTS.
void walkToEnd(const Tail &t, qint64 pos, qint64 *lastPcr, qint64 *lastPts)
{
    *lastPcr = -1;
    *lastPts = -1;
    while (pos + Packet <= t.end) {
        const uchar *p = t.at(pos);
        if (*p != 0x47) {
            pos = t.nextSync(pos);
            continue;
        }
        if (carriesPcr(p)) {
            *lastPcr = pcrBase(p);
        } else if (p[1] & 0x40) {
            const int ps = payloadOffset(p);
            if (ps + 14 <= Packet && isPesWithPts(p + ps))
                *lastPts = ptsValue(p + ps);
        }
        pos += Packet;
    }
}

// A walk that starts anywhere before the tail enters it somewhere in [base, base + 188). Follows
// all 188 entry points together; when they have all merged into one position, every walk from
// there on is the same, whatever came before. Returns that position, or -1.
qint64 mergePoint(const Tail &t)
{
    std::set<qint64> heads;
    for (qint64 c = t.base; c < t.base + Packet; ++c)
        heads.insert(c);
    while (heads.size() > 1) {
        const qint64 h = *heads.begin();
        if (h + Packet > t.end || h >= t.base + CoalesceLimit)
            return -1;
        heads.erase(heads.begin());
        heads.insert(t.step(h));
    }
    return *heads.begin();
}

} // namespace

qint64 firstTimestamp(QFile &file, qint64 offset, qint64 window, qint64 *bytesRead)
{
    if (offset < 0 || !file.seek(offset))
        return -1;
    const qint64 size = file.size();
    const qint64 end = offset + std::clamp<qint64>(size - offset, 0, window);
    WindowReader r(file, end);
    qint64 pts = -1;
    qint64 pcr = -1;
    qint64 pos = offset;
    while (pos + Packet <= r.end()) {
        const uchar *p = r.fetch(pos, HeaderBytes);
        if (!p)
            break;
        if (*p != 0x47) {
            pos = r.nextSync(pos);
            continue;
        }
        if (carriesPcr(p)) {
            pcr = pcrBase(p);
            break;
        }
        if (pts < 0 && (p[1] & 0x40)) {
            const int ps = payloadOffset(p);
            if (ps + 14 <= Packet) {
                const uchar *payload = r.fetch(pos + ps, 14);
                if (payload && isPesWithPts(payload))
                    pts = ptsValue(payload);
            }
        }
        pos += Packet;
    }
    if (bytesRead)
        *bytesRead += r.bytesRead();
    return pcr >= 0 ? pcr : pts;
}

qint64 lastTimestamp(QFile &file, qint64 size, qint64 window, qint64 *bytesRead)
{
    const qint64 windowStart = std::max<qint64>(0, size - window);
    if (!file.seek(windowStart))
        return -1;
    // The used part of the file may end before the file does (a cut-short fragment list).
    const qint64 fileEnd = std::max(std::min(size, file.size()), windowStart);

    // The tail grows towards the window start; bytes already read are kept.
    QByteArray buf;
    qint64 bufStart = fileEnd;
    qint64 readTotal = 0;
    qint64 want = FirstTailBytes;
    qint64 result = -1;
    for (;;) {
        const qint64 x = std::max(windowStart, fileEnd - want);
        if (x < bufStart) {
            QByteArray more(bufStart - x, Qt::Uninitialized);
            const qint64 got = file.seek(x) ? file.read(more.data(), more.size()) : -1;
            readTotal += std::max<qint64>(got, 0);
            if (got != more.size())
                break; // the file changed under us; give up on a timestamp
            buf.prepend(more);
            bufStart = x;
        }
        Tail tail{reinterpret_cast<const uchar *>(buf.constData()), bufStart, fileEnd};
        qint64 lastPcr = -1;
        qint64 lastPts = -1;
        if (x == windowStart) {
            walkToEnd(tail, windowStart, &lastPcr, &lastPts);
            result = lastPcr >= 0 ? lastPcr : lastPts;
            break;
        }
        // Only a PCR after the merge point settles the answer: an earlier PCR loses to it, and
        // a PTS loses to any PCR that may lie further back.
        if (const qint64 m = mergePoint(tail); m >= 0) {
            walkToEnd(tail, m, &lastPcr, &lastPts);
            if (lastPcr >= 0) {
                result = lastPcr;
                break;
            }
        }
        want *= 4;
    }
    if (bytesRead)
        *bytesRead += readTotal;
    return result;
}

} // namespace tsprobe
