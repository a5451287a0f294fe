// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// A datagram on the discovery port, from a box or from anyone: parsed as a discovery message
// and, when it parses as an answer, shown by the device list like a box that was heard.
#include "fuzzsupport.h"

#include "imgr.h"
#include "remotedevicemodel.h"
#include "svp.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::init();
    const QByteArray input = fuzz::bytes(data, size);

    imgr::ImgrMsg msg;
    msg.value3 = 0xdeadbeef;
    const bool ok = imgr::parseImgr(input, msg);
    const bool expected = input.size() >= imgr::IMGR_MSG_SIZE &&
                          std::memcmp(input.constData(), imgr::IMGR_MAGIC, 4) == 0;
    FUZZ_CHECK(ok == expected, QStringLiteral("parseImgr accepted or refused wrongly"));
    if (!ok) {
        FUZZ_CHECK(msg.value3 == 0xdeadbeef, QStringLiteral("a refused parse changed the record"));
        return 0;
    }
    FUZZ_CHECK(msg.pack() == input.first(imgr::IMGR_MSG_SIZE),
               QStringLiteral("pack does not give back the 92 bytes that were parsed"));
    for (const QByteArray *field : {&msg.id, &msg.ip, &msg.name, &msg.model})
        FUZZ_CHECK(field->size() == 16 && fixedText(*field).size() <= 16,
                   QStringLiteral("text field of %1 bytes").arg(field->size()));

    // Two copies, as when a box answers twice, and one with a changed id.
    imgr::ImgrMsg other = msg;
    other.id = QByteArray("0123456789ab");
    RemoteDeviceModel model;
    model.setDevices({msg, other, msg});
    const QHash<int, QByteArray> roles = model.roleNames();
    for (int row = 0; row < model.rowCount(); ++row) {
        for (auto it = roles.cbegin(); it != roles.cend(); ++it)
            model.data(model.index(row), it.key());
        model.deviceAt(row);
    }
    model.tunerLabel(msg.numTuners);
    return 0;
}
