// SPDX-License-Identifier: GPL-3.0-or-later
// The hand-over protocol on any bytes from the socket: frames are taken one by one until one is
// incomplete or invalid; every message taken is encoded again to exactly the frame it came from,
// and a message made of the input survives encoding and decoding.
#include "FuzzCheck.h"
#include "InstanceMessage.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QByteArray buffer = bytes;
    for (;;) {
        const QByteArray before = buffer;
        const Result<std::optional<InstanceMessage>> taken = takeInstanceMessage(buffer);
        if (!taken)
            break;
        if (!*taken) {
            fuzzCheck(buffer == before, "an incomplete frame was consumed");
            break;
        }
        const QByteArray frame = before.left(before.size() - buffer.size());
        fuzzCheck(encodeInstanceMessage(**taken) == frame, "a message does not encode to its frame");
    }

    if (size < 5)
        return 0;
    InstanceMessage message;
    message.kind = static_cast<InstanceMessage::Kind>(1 + data[0] % 3);
    std::memcpy(&message.tag, data + 1, sizeof message.tag);
    message.text = QString::fromUtf8(bytes.mid(5));
    QByteArray stream = encodeInstanceMessage(message) + encodeInstanceMessage(message);
    for (int copy = 0; copy < 2; ++copy) {
        const Result<std::optional<InstanceMessage>> back = takeInstanceMessage(stream);
        fuzzCheck(back && *back && **back == message, "a message did not survive the socket");
    }
    fuzzCheck(stream.isEmpty(), "bytes left over after the frames");
    return 0;
}
