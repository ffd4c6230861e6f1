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

std::optional<InstanceMessage> takeInstanceMessage(QByteArray &buffer, bool *malformed)
{
    *malformed = false;
    if (buffer.size() < 4)
        return std::nullopt;
    quint32 length = 0;
    {
        QDataStream header(buffer.left(4));
        header >> length;
    }
    if (length > kMaxInstanceFrame) {
        *malformed = true;
        return std::nullopt;
    }
    if (buffer.size() < 4 + qsizetype(length))
        return std::nullopt;
    const QByteArray payload = buffer.mid(4, length);
    buffer.remove(0, 4 + length);

    QDataStream in(payload);
    in.setVersion(QDataStream::Qt_6_4);
    quint8 kind = 0;
    InstanceMessage message;
    in >> kind >> message.tag >> message.text;
    const bool knownKind = kind >= quint8(InstanceMessage::Kind::CopyData)
                           && kind <= quint8(InstanceMessage::Kind::NetworkSchedulesChanged);
    if (in.status() != QDataStream::Ok || !in.atEnd() || !knownKind) {
        *malformed = true;
        return std::nullopt;
    }
    message.kind = static_cast<InstanceMessage::Kind>(kind);
    return message;
}
