// SPDX-License-Identifier: GPL-3.0-or-later
// Renders one SVG picture to a PNG of an exact size. Used at build time for the program's
// pictures: svgrender <input.svg> <output.png> <width> <height>
#include <QGuiApplication>
#include <QHash>
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

// The picture with a colour table when it has at most 256 colours, as most of ours have (flat
// shapes): a quarter of the memory once decoded, which a window that keeps its pictures for
// repainting holds for as long as it runs. Exact: no colour is changed.
QImage withColourTable(const QImage &argb)
{
    QList<QRgb> table;
    QHash<QRgb, uchar> indexOf;
    QImage indexed(argb.size(), QImage::Format_Indexed8);
    for (int y = 0; y < argb.height(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
        uchar *out = indexed.scanLine(y);
        for (int x = 0; x < argb.width(); ++x) {
            auto it = indexOf.constFind(row[x]);
            if (it == indexOf.constEnd()) {
                if (table.size() == 256)
                    return argb;
                it = indexOf.insert(row[x], uchar(table.size()));
                table.append(row[x]);
            }
            out[x] = *it;
        }
    }
    indexed.setColorTable(table);
    return indexed;
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
    if (!withColourTable(image.convertToFormat(QImage::Format_ARGB32)).save(output, "PNG"))
        return fail(QStringLiteral("cannot write %1").arg(output));
    return 0;
}
