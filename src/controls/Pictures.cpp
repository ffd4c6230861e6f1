#include "Pictures.h"

#include <QImageReader>

QImage loadPicture(PictureId id)
{
    // Only PNG pictures count, whatever else a resource of that name could hold.
    QImageReader reader(QStringLiteral(":/png/%1.png").arg(static_cast<int>(id)), "png");
    reader.setAutoTransform(false);
    return reader.read();
}
