// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// Whatever a box sends back on an SVP connection before it closes it: the 64-byte header, the
// announced lengths, a plain or zlib payload and its terminating zero byte. Goes through the
// same steps as the TCP transport, then through the header and inflate functions on their own.
#include "fuzzsupport.h"

#include "svp.h"
#include "svptransport.h"

#include <QtEndian>

namespace {

// The texts the transport may end a response with; anything else is a new way to fail.
bool isKnownError(const QString &e)
{
    return e == QLatin1String("no response header (timeout/closed)") ||
           e == QLatin1String("bad response header (magic/size)") ||
           e == QLatin1String("truncated response payload") ||
           e.startsWith(QLatin1String("response payload too large: ")) ||
           e.startsWith(QLatin1String("compressed response payload too large: ")) ||
           e.startsWith(QLatin1String("compressed response payload inflates past the limit"));
}

void checkResponse(const QByteArray &stream)
{
    const SvpResponse r = svpParseResponse(stream);
    if (!r.error.isEmpty()) {
        FUZZ_CHECK(isKnownError(r.error), r.error);
        FUZZ_CHECK(r.payload.isEmpty(), QStringLiteral("a failed response carries a payload"));
        return;
    }
    FUZZ_CHECK(stream.size() >= SVP_HEADER_SIZE, QStringLiteral("accepted a short header"));
    FUZZ_CHECK(stream.startsWith(SVP_MAGIC), QStringLiteral("accepted a wrong magic"));
    FUZZ_CHECK(quint64(r.payload.size()) <= SVP_MAX_PAYLOAD_BYTES,
               QStringLiteral("payload of %1 bytes").arg(r.payload.size()));
    if (r.wireLength == 0) {
        FUZZ_CHECK(r.payload.isEmpty(), QStringLiteral("payload without wire bytes"));
        return;
    }
    FUZZ_CHECK(stream.size() - SVP_HEADER_SIZE >= qint64(r.wireLength),
               QStringLiteral("accepted fewer bytes than announced"));
    // The terminating zero byte that payloadLength counts is never part of the text.
    if (r.payloadLength != 0)
        FUZZ_CHECK(quint64(r.payload.size()) <= quint64(r.payloadLength) - 1,
                   QStringLiteral("payload of %1 bytes, payloadLength %2")
                       .arg(r.payload.size())
                       .arg(r.payloadLength));
    const QByteArray wire = stream.mid(SVP_HEADER_SIZE, qsizetype(r.wireLength));
    if (!(r.flags & SVP_FLAG_COMPRESSED))
        FUZZ_CHECK(wire.startsWith(r.payload), QStringLiteral("plain payload is not the wire"));
}

// Inflating the input as a zlib stream: whatever comes out must come out again from a stream
// that zlib itself made of it, whatever size the box announced.
void checkInflate(const QByteArray &input)
{
    if (input.size() < 4)
        return;
    const quint32 announced = qFromBigEndian<quint32>(input.constData());
    const QByteArray stream = input.sliced(4);
    QByteArray out;
    const SvpInflateStatus status = svpInflateChecked(stream, announced, &out);
    FUZZ_CHECK(status == SvpInflateStatus::Ok || out.isEmpty(),
               QStringLiteral("output from a failed inflate"));
    FUZZ_CHECK(quint64(out.size()) <= SVP_MAX_PAYLOAD_BYTES, QStringLiteral("inflated too much"));
    FUZZ_CHECK(svpInflate(stream, announced) == out, QStringLiteral("the two inflates differ"));
    if (status != SvpInflateStatus::Ok || out.size() > (1 << 20))
        return;
    // qCompress puts a 4-byte length in front of the zlib stream.
    const QByteArray again = qCompress(out).sliced(4);
    QByteArray back;
    FUZZ_CHECK(svpInflateChecked(again, announced, &back) == SvpInflateStatus::Ok && back == out,
               QStringLiteral("a valid stream of %1 bytes did not inflate back").arg(out.size()));
}

void checkHeader(const QByteArray &input)
{
    SvpHeader h;
    h.api = 0x5a5a;
    const bool ok = SvpHeader::unpack(input, h);
    FUZZ_CHECK(ok == (input.size() == SVP_HEADER_SIZE && input.startsWith(SVP_MAGIC)),
               QStringLiteral("unpack accepted or refused wrongly"));
    if (!ok) {
        FUZZ_CHECK(h.api == 0x5a5a, QStringLiteral("a refused unpack changed the record"));
        return;
    }
    FUZZ_CHECK(h.deviceId.size() == 16, QStringLiteral("device id of %1").arg(h.deviceId.size()));
    FUZZ_CHECK(h.pack() == input, QStringLiteral("pack does not give back what unpack read"));
    FUZZ_CHECK(fixedText(h.deviceId).size() <= 16, QStringLiteral("fixedText grew"));
    svpVerify(input);
    svpStatusName(h.arg0);
    svpStatusMessage(h.arg0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::init();
    const QByteArray input = fuzz::bytes(data, size);
    checkResponse(input);
    checkHeader(input.first(std::min<qsizetype>(input.size(), SVP_HEADER_SIZE)));
    checkHeader(input);
    checkInflate(input);
    return 0;
}
