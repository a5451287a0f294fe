// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// A datagram that reaches the key sender's socket (read as a reply) or the stand-in box's key
// port (read as a request).
#include "fuzzsupport.h"

#include "keyprotocol.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::init();
    const QByteArray input = fuzz::bytes(data, size);
    const bool magic = input.size() >= 4 && std::memcmp(input.constData(), keyproto::MAGIC, 4) == 0;

    const auto reply = keyproto::parseReply(input);
    const bool isReply = magic && input.size() >= keyproto::REPLY_MIN_SIZE &&
                         quint8(input.at(5)) == keyproto::KIND_REPLY;
    FUZZ_CHECK(reply.has_value() == isReply,
               QStringLiteral("parseReply accepted or refused wrongly"));
    if (reply) {
        FUZZ_CHECK(reply->sequence == quint8(input.at(7)) && reply->result == quint8(input.at(6)),
                   QStringLiteral("reply fields are not bytes 6 and 7"));
        QByteArray again = keyproto::packReply(reply->sequence, reply->result);
        again[4] = input.at(4); // the protocol byte is not read
        FUZZ_CHECK(again == input.first(keyproto::REPLY_MIN_SIZE),
                   QStringLiteral("packReply does not give back the reply"));
    }

    const auto request = keyproto::parseRequest(input);
    const bool isRequest = magic && input.size() >= keyproto::REQUEST_SIZE &&
                           quint8(input.at(5)) == keyproto::KIND_REQUEST;
    FUZZ_CHECK(request.has_value() == isRequest,
               QStringLiteral("parseRequest accepted or refused wrongly"));
    if (request) {
        FUZZ_CHECK(!request->keys.contains('\0') &&
                       request->keys.size() <= keyproto::REQUEST_SIZE - keyproto::KEY_OFFSET,
                   QStringLiteral("key string of %1 bytes").arg(request->keys.size()));
        FUZZ_CHECK(input.mid(keyproto::KEY_OFFSET).startsWith(request->keys),
                   QStringLiteral("key string is not the start of its field"));
        if (request->keys.size() <= keyproto::MAX_KEY_BYTES) {
            const auto back =
                keyproto::parseRequest(keyproto::packRequest(request->sequence, request->keys));
            FUZZ_CHECK(back && back->keys == request->keys && back->sequence == request->sequence,
                       QStringLiteral("packRequest does not give back the request"));
        }
    }
    return 0;
}
