#include "Pictures.h"

#include <QGuiApplication>
#include <QImageReader>

namespace {

QImage readPng(const QString &file)
{
    // Only PNG pictures count, whatever else a file of that name could hold.
    QImageReader reader(file, "png");
    reader.setAutoTransform(false);
    return reader.read();
}

// `file` at the ratio: the twin drawn at twice the size ("name@2x.png") on a scaled screen, the
// file itself otherwise or when there is no twin.
QImage readForRatio(const QString &file, qreal devicePixelRatio)
{
    if (file.isEmpty())
        return {};
    if (devicePixelRatio > 1.0 && file.endsWith(QStringLiteral(".png"))) {
        QImage twice = readPng(file.chopped(4) + QStringLiteral("@2x.png"));
        if (!twice.isNull()) {
            twice.setDevicePixelRatio(2.0);
            return twice;
        }
    }
    QImage image = readPng(file);
    image.setDevicePixelRatio(1.0);
    return image;
}

} // namespace

qreal pictureRatio()
{
    return qobject_cast<QGuiApplication *>(QCoreApplication::instance()) ? qGuiApp->devicePixelRatio() : 1.0;
}

QImage loadPicture(PictureId id, qreal devicePixelRatio)
{
    return readForRatio(QStringLiteral(":/png/%1.png").arg(static_cast<int>(id)), devicePixelRatio);
}

QImage loadPictureFile(const QString &file, qreal devicePixelRatio)
{
    return readForRatio(file, devicePixelRatio);
}
