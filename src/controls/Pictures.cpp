// SPDX-License-Identifier: GPL-3.0-or-later
#include "Pictures.h"

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QPixmap>

namespace {

// Points reader at path as a PNG picture; false when there is no such file, which libpng would
// complain of on stderr.
bool openPng(QImageReader &reader, const QString &path)
{
    if (!QFile::exists(path))
        return false;
    // Only PNG pictures count, whatever else a file of that name could hold.
    reader.setFileName(path);
    reader.setFormat("png");
    reader.setAutoDetectImageFormat(false);
    reader.setAutoTransform(false);
    return true;
}

// `file` at the ratio: the twin drawn at twice the size ("name@2x.png") on a scaled screen, the
// file itself otherwise or when there is no twin.
QImage readForRatio(const QString &file, qreal devicePixelRatio)
{
    if (file.isEmpty())
        return {};
    if (devicePixelRatio > 1.0 && file.endsWith(QStringLiteral(".png"))) {
        QImage twice = loadPng(file.chopped(4) + QStringLiteral("@2x.png"));
        if (!twice.isNull()) {
            twice.setDevicePixelRatio(2.0);
            return twice;
        }
    }
    QImage image = loadPng(file);
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

QImage loadPng(const QString &path)
{
    QImageReader reader;
    return openPng(reader, path) ? reader.read() : QImage();
}

QSize pngSize(const QString &path)
{
    QImageReader reader;
    return openPng(reader, path) ? reader.size() : QSize();
}

QIcon programIcon()
{
    // Every size drawn for the icon theme but the 256-pixel one, a quarter of a megabyte that no
    // window manager needs: X11 takes all of them for the window, the About box one of 32 pixels.
    // Decoded once; let go with the application, which no pixmap may outlive.
    static QIcon icon;
    if (icon.isNull() && QCoreApplication::instance()) {
        for (const int size : { 16, 22, 24, 32, 48, 64, 128 })
            icon.addPixmap(QPixmap::fromImage(loadPng(QStringLiteral(":/icons/ampora-%1.png").arg(size))));
        qAddPostRoutine([] { icon = QIcon(); });
    }
    return icon;
}

QIcon trayPicture()
{
    // No tray shows an icon anywhere near 256 pixels.
    return QIcon(QPixmap::fromImage(loadPng(QStringLiteral(":/icons/ampora-64.png"))));
}
