#include "Pictures.h"

#include <QImageReader>
#include <QPixmap>

QImage loadPicture(PictureId id)
{
    // Only PNG pictures count, whatever else a resource of that name could hold.
    return loadPng(QStringLiteral(":/png/%1.png").arg(static_cast<int>(id)));
}

QImage loadPng(const QString &path)
{
    QImageReader reader(path, "png");
    reader.setAutoDetectImageFormat(false);
    reader.setAutoTransform(false);
    return reader.read();
}

QIcon programIcon()
{
    return QIcon(QPixmap::fromImage(loadPng(QStringLiteral(":/icons/ampora.png"))));
}
