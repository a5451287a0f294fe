// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// A damaged or hostile media file together with its flow.Range list: the Range decoder, the
// transport-stream timestamp probes (checked against a plain walk over the whole window, which
// is what they must find however cleverly they read), and the media playlist built from both.
//
// Input: byte 0 chooses how to read the rest (bit 0: the Range bytes are used as they are,
// otherwise they are 16-bit steps from one fragment start to the next; bits 1-3: the nominal
// fragment length; bit 4: an init segment is named), bytes 1-2 give the length of the Range
// bytes (little-endian), then the Range bytes, then the media file.
#include "fuzzsupport.h"

#include "playlistgenerator.h"
#include "recordingfolder.h"
#include "tsprobe.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStringList>
#include <QtEndian>

#include <stdexcept>

namespace {

constexpr qint64 Packet = tsprobe::PacketSize;

struct Walk
{
    qint64 firstPcr = -1;
    qint64 firstPts = -1;
    qint64 lastPcr = -1;
    qint64 lastPts = -1;
};

// Every packet of buf in order, as the recording format describes the walk.
Walk walk(const QByteArray &buf, bool stopAtFirstPcr)
{
    Walk w;
    const auto *b = reinterpret_cast<const uchar *>(buf.constData());
    const qint64 n = buf.size();
    qint64 pos = 0;
    while (pos + Packet <= n) {
        const uchar *p = b + pos;
        if (p[0] != 0x47) {
            ++pos;
            while (pos < n && b[pos] != 0x47)
                ++pos;
            continue;
        }
        const bool adaptation = (p[3] & 0x30) == 0x20 || (p[3] & 0x30) == 0x30;
        if (adaptation && p[4] != 0 && (p[5] & 0x10)) {
            const qint64 pcr = (qint64(p[6]) << 25) | (qint64(p[7]) << 17) | (qint64(p[8]) << 9) |
                               (qint64(p[9]) << 1) | (qint64(p[10]) >> 7);
            if (w.firstPcr < 0)
                w.firstPcr = pcr;
            w.lastPcr = pcr;
            if (stopAtFirstPcr)
                return w;
        } else if (p[1] & 0x40) {
            const int ps = 4 + (adaptation ? 1 + p[4] : 0);
            if (ps + 14 <= Packet) {
                const uchar *q = p + ps;
                if (q[0] == 0 && q[1] == 0 && q[2] == 1 && (q[7] & 0x80)) {
                    const qint64 pts = (qint64((q[9] >> 1) & 0x07) << 30) | (qint64(q[10]) << 22) |
                                       (qint64(q[11] >> 1) << 15) | (qint64(q[12]) << 7) |
                                       (qint64(q[13]) >> 1);
                    if (w.firstPts < 0)
                        w.firstPts = pts;
                    w.lastPts = pts;
                }
            }
        }
        pos += Packet;
    }
    return w;
}

qint64 referenceFirst(const QByteArray &media, qint64 offset, qint64 window)
{
    if (offset < 0 || offset >= media.size())
        return -1;
    const Walk w =
        walk(media.mid(offset, qsizetype(std::min(window, media.size() - offset))), true);
    return w.firstPcr >= 0 ? w.firstPcr : w.firstPts;
}

qint64 referenceLast(const QByteArray &media, qint64 size, qint64 window)
{
    const qint64 start = std::max<qint64>(0, size - window);
    const qint64 end = std::min<qint64>(size, media.size());
    if (end <= start)
        return -1;
    const Walk w = walk(media.mid(start, end - start), false);
    return w.lastPcr >= 0 ? w.lastPcr : w.lastPts;
}

void checkProbes(QFile &file, const QByteArray &media, const QList<qint64> &ranges)
{
    const qint64 size = media.size();
    const qint64 firstWindows[] = {Packet, 1000, 4096, PlaylistGenerator::START_PROBE_BYTES};
    for (qsizetype i = 0; i < std::min<qsizetype>(ranges.size(), 8); ++i) {
        for (const qint64 window : firstWindows) {
            qint64 read = 0;
            const qint64 got = tsprobe::firstTimestamp(file, ranges.at(i), window, &read);
            const qint64 want = referenceFirst(media, ranges.at(i), window);
            FUZZ_CHECK(got == want, QStringLiteral("firstTimestamp at %1, window %2: %3, a walk "
                                                   "finds %4")
                                        .arg(ranges.at(i))
                                        .arg(window)
                                        .arg(got)
                                        .arg(want));
            FUZZ_CHECK(read <= window, QStringLiteral("firstTimestamp read %1 bytes of a window "
                                                      "of %2")
                                           .arg(read)
                                           .arg(window));
        }
    }
    QList<qint64> ends{size, size - 1, size / 2, size + 100};
    for (qsizetype i = 0; i < std::min<qsizetype>(ranges.size(), 4); ++i)
        ends.append(ranges.at(i));
    const qint64 lastWindows[] = {Packet, 4096, 16384 + 5 * Packet, 70000,
                                  PlaylistGenerator::END_PROBE_BYTES};
    for (const qint64 end : std::as_const(ends)) {
        if (end < 0)
            continue;
        for (const qint64 window : lastWindows) {
            qint64 read = 0;
            const qint64 got = tsprobe::lastTimestamp(file, end, window, &read);
            const qint64 want = referenceLast(media, end, window);
            FUZZ_CHECK(got == want, QStringLiteral("lastTimestamp to %1, window %2: %3, a walk "
                                                   "finds %4")
                                        .arg(end)
                                        .arg(window)
                                        .arg(got)
                                        .arg(want));
            FUZZ_CHECK(read <= window, QStringLiteral("lastTimestamp read %1 bytes of a window "
                                                      "of %2")
                                           .arg(read)
                                           .arg(window));
        }
    }
}

// The playlist's promises: the header lines, then one contiguous byte range after the other
// inside the file, each with a positive duration within the target duration.
void checkPlaylist(const QString &text, qint64 size, const QString &fileName,
                   const QString &initName)
{
    const QStringList lines = text.split(QLatin1Char('\n'));
    FUZZ_CHECK(lines.size() >= 5 && lines.at(0) == QLatin1String("#EXTM3U") &&
                   lines.at(1) == QLatin1String("#EXT-X-VERSION:6") &&
                   lines.at(3) == QLatin1String("#EXT-X-MEDIA-SEQUENCE:0") &&
                   lines.last() == QLatin1String("#EXT-X-ENDLIST"),
               text.left(300));
    static const QRegularExpression targetRe(QStringLiteral("^#EXT-X-TARGETDURATION:(\\d+)$"));
    const auto tm = targetRe.match(lines.at(2));
    FUZZ_CHECK(tm.hasMatch(), lines.at(2));
    const qint64 target = tm.captured(1).toLongLong();
    FUZZ_CHECK(target >= 1, lines.at(2));
    qsizetype i = 4;
    if (!initName.isEmpty()) {
        FUZZ_CHECK(lines.at(i) == QStringLiteral("#EXT-X-MAP:URI=\"%1\"").arg(initName),
                   lines.at(i));
        ++i;
    }
    static const QRegularExpression infRe(QStringLiteral("^#EXTINF:(\\d+\\.\\d{3}),$"));
    static const QRegularExpression rangeRe(QStringLiteral("^#EXT-X-BYTERANGE:(\\d+)@(\\d+)$"));
    qint64 expectedStart = -1;
    for (; i + 3 < lines.size(); i += 3) {
        const auto inf = infRe.match(lines.at(i));
        const auto br = rangeRe.match(lines.at(i + 1));
        FUZZ_CHECK(inf.hasMatch() && br.hasMatch() && lines.at(i + 2) == fileName,
                   lines.mid(i, 3).join(QLatin1Char('|')));
        // A measured duration only has to be positive; below half a millisecond it prints as
        // 0.000.
        const double d = inf.captured(1).toDouble();
        FUZZ_CHECK(d >= 0 && d <= double(target), lines.at(i));
        const qint64 length = br.captured(1).toLongLong();
        const qint64 start = br.captured(2).toLongLong();
        FUZZ_CHECK(length > 0 && start + length <= size,
                   QStringLiteral("%1 in a file of %2 bytes").arg(lines.at(i + 1)).arg(size));
        FUZZ_CHECK(
            expectedStart < 0 || start == expectedStart,
            QStringLiteral("%1 does not follow on at %2").arg(lines.at(i + 1)).arg(expectedStart));
        expectedStart = start + length;
    }
    FUZZ_CHECK(i == lines.size() - 1, QStringLiteral("stray line %1").arg(lines.at(i)));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::init();
    const QByteArray input = fuzz::bytes(data, size);
    if (input.size() < 3)
        return 0;
    const quint8 mode = quint8(input.at(0));
    const qsizetype rangeBytes =
        std::min<qsizetype>(qFromLittleEndian<quint16>(input.constData() + 1), input.size() - 3);
    const QByteArray section = input.mid(3, rangeBytes);
    const QByteArray media = input.sliced(3 + rangeBytes);

    QByteArray blob;
    if (mode & 1) {
        blob = section;
    } else {
        QList<qint64> offsets;
        qint64 at = 0;
        for (qsizetype i = 0; i + 1 < section.size(); i += 2) {
            at += qFromLittleEndian<quint16>(section.constData() + i);
            offsets.append(at);
        }
        blob.resize(offsets.size() * 8);
        for (qsizetype i = 0; i < offsets.size(); ++i)
            qToLittleEndian(offsets.at(i), blob.data() + 8 * i);
        FUZZ_CHECK(recfolder::decodeRanges(blob) == offsets,
                   QStringLiteral("Range blob does not decode to its offsets"));
    }
    const QList<qint64> ranges = recfolder::decodeRanges(blob);
    FUZZ_CHECK(ranges.size() == blob.size() / 8, QStringLiteral("wrong number of fragments"));

    static const double nominals[] = {1.0, 2.002, 0.5, 10.0, 4.0, 1e-300, 1e300, 0.0333};
    const double nominal = nominals[(mode >> 1) & 7];
    const QString initName = (mode & 0x10) ? QStringLiteral("video_1_init.mp4") : QString();

    const QString fileName = QStringLiteral("video1.ts");
    const QString path = fuzz::scratchDir() + QLatin1Char('/') + fileName;
    {
        QFile out(path);
        FUZZ_CHECK(out.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                       out.write(media) == media.size(),
                   QStringLiteral("cannot write %1").arg(path));
    }
    {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::ReadOnly | QIODevice::Unbuffered),
                   QStringLiteral("cannot read %1").arg(path));
        checkProbes(file, media, ranges);
    }

    try {
        const QString text =
            PlaylistGenerator::buildMediaPlaylist(path, fileName, ranges, initName, nominal);
        checkPlaylist(text, media.size(), fileName, initName);
    } catch (const std::runtime_error &e) {
        FUZZ_CHECK(e.what()[0] != '\0', QStringLiteral("failure without a text"));
    }
    return 0;
}
