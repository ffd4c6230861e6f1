// SPDX-License-Identifier: GPL-3.0-or-later
#include "InstanceMessage.h"

#include <QDataStream>
#include <QIODevice>

QByteArray encodeInstanceMessage(const InstanceMessage &message)
{
    QByteArray payload;
    {
        QDataStream out(&payload, QIODevice::WriteOnly);
        out.setVersion(QDataStream::Qt_6_4);
        out << static_cast<quint8>(message.kind) << message.tag << message.text;
    }
    QByteArray frame;
    QDataStream header(&frame, QIODevice::WriteOnly);
    header << static_cast<quint32>(payload.size());
    return frame + payload;
}

Result<std::optional<InstanceMessage>> takeInstanceMessage(QByteArray &buffer)
{
    if (buffer.size() < 4)
        return std::optional<InstanceMessage>();
    quint32 length = 0;
    {
        QDataStream header(buffer.left(4));
        header >> length;
    }
    if (length > kMaxInstanceFrame)
        return invalid(QStringLiteral("a frame of %1 bytes is larger than any message").arg(length));
    if (buffer.size() < 4 + qsizetype(length))
        return std::optional<InstanceMessage>();
    const QByteArray payload = buffer.mid(4, length);
    buffer.remove(0, 4 + length);

    QDataStream in(payload);
    in.setVersion(QDataStream::Qt_6_4);
    quint8 kind = 0;
    InstanceMessage message;
    in >> kind >> message.tag >> message.text;
    const bool knownKind = kind >= quint8(InstanceMessage::Kind::CopyData)
        && kind <= quint8(InstanceMessage::Kind::NetworkSchedulesChanged);
    if (in.status() != QDataStream::Ok || !in.atEnd() || !knownKind)
        return invalid(QStringLiteral("a frame that is no message"));
    message.kind = static_cast<InstanceMessage::Kind>(kind);
    return std::optional<InstanceMessage>(message);
}
