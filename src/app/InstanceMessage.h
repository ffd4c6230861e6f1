// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Result.h"

#include <QByteArray>
#include <QString>
#include <optional>

// What one copy of the program tells the running copy over the per-user local socket.
struct InstanceMessage
{
    enum class Kind : quint8 {
        CopyData = 1, // a command line (tag 0) or an acknowledgement probe (tags 1, 2)
        ShowRequest = 2, // show, bring to front and centre
        NetworkSchedulesChanged = 3, // a network schedule was written elsewhere
    };

    Kind kind = Kind::ShowRequest;
    qint32 tag = 0;
    QString text;

    friend bool operator==(const InstanceMessage &, const InstanceMessage &) = default;
};

// Frames are a 32-bit big-endian payload length followed by the payload (kind, tag, UTF-16 text).
QByteArray encodeInstanceMessage(const InstanceMessage &message);

// Takes one complete frame off the front of buffer. Gives no message while the frame is
// incomplete, and fails for a frame that can never be valid, so the caller drops the connection
// instead of waiting for more.
Result<std::optional<InstanceMessage>> takeInstanceMessage(QByteArray &buffer);

inline constexpr qsizetype kMaxInstanceFrame = 1 << 20;
