// SPDX-License-Identifier: GPL-3.0-or-later
// Renders one SVG picture to a PNG of an exact size. Used at build time for the program's
// pictures: svgrender <input.svg> <output.png> <width> <height>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

namespace {

int fail(const QString &message)
{
    std::fprintf(stderr, "svgrender: %s\n", qPrintable(message));
    return 1;
}

int dimension(const char *text)
{
    bool ok = false;
    const int value = QByteArray(text).toInt(&ok);
    return ok && value > 0 && value <= 4096 ? value : 0;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 5)
        return fail(QStringLiteral("usage: svgrender <input.svg> <output.png> <width> <height>"));

    const QString input = QString::fromLocal8Bit(argv[1]);
    const QString output = QString::fromLocal8Bit(argv[2]);
    const QSize size(dimension(argv[3]), dimension(argv[4]));
    if (size.isEmpty())
        return fail(QStringLiteral("width and height must be whole numbers from 1 to 4096"));

    QSvgRenderer renderer(input);
    if (!renderer.isValid())
        return fail(QStringLiteral("cannot read %1").arg(input));

    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter, QRectF(QPointF(0, 0), size));
    painter.end();

    // Straight alpha keeps the PNG exact for any later blending.
    if (!image.convertToFormat(QImage::Format_ARGB32).save(output, "PNG"))
        return fail(QStringLiteral("cannot write %1").arg(output));
    return 0;
}
