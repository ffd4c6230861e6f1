// SPDX-License-Identifier: GPL-3.0-or-later
// Renders one SVG picture to a PNG of an exact size. Used at build time for the program's
// pictures: svgrender <input.svg> <output.png> <width> <height>
#include <QGuiApplication>
#include <QHash>
#include <QImage>
#include <QList>
#include <QPainter>
#include <QSvgRenderer>
#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

int fail(const QString &message)
{
    std::fprintf(stderr, "svgrender: %s\n", qPrintable(message));
    return 1;
}

// How far apart two colours are, alpha counted like the other channels.
int colourDistance(QRgb a, QRgb b)
{
    const auto square = [](int d) { return d * d; };
    return square(qRed(a) - qRed(b)) + square(qGreen(a) - qGreen(b)) + square(qBlue(a) - qBlue(b))
        + square(qAlpha(a) - qAlpha(b));
}

// The picture with a colour table, as most of ours can have (flat shapes): a quarter of the memory
// once decoded, which a window that keeps its pictures for repainting holds for as long as it
// runs. The 256 commonest colours are kept; a picture with a few more (anti-aliased edges) has
// those few pixels drawn in the nearest kept colour. One with many more stays as it is.
QImage withColourTable(const QImage &argb)
{
    constexpr int kTableSize = 256;
    constexpr qsizetype kMostPixelsMoved = 50;
    QHash<QRgb, qsizetype> counts;
    for (int y = 0; y < argb.height(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x)
            ++counts[row[x]];
    }
    QList<std::pair<qsizetype, QRgb>> byCount;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        byCount.append({ it.value(), it.key() });
    std::sort(byCount.begin(), byCount.end(), std::greater<>());
    qsizetype moved = 0;
    for (qsizetype i = kTableSize; i < byCount.size(); ++i)
        moved += byCount.at(i).first;
    if (moved > kMostPixelsMoved)
        return argb;

    QList<QRgb> table;
    QHash<QRgb, uchar> indexOf;
    for (qsizetype i = 0; i < byCount.size(); ++i) {
        const QRgb colour = byCount.at(i).second;
        if (i < kTableSize) {
            indexOf.insert(colour, uchar(i));
            table.append(colour);
            continue;
        }
        const auto nearest = std::min_element(table.cbegin(), table.cend(),
            [colour](QRgb a, QRgb b) { return colourDistance(a, colour) < colourDistance(b, colour); });
        indexOf.insert(colour, uchar(nearest - table.cbegin()));
    }
    QImage indexed(argb.size(), QImage::Format_Indexed8);
    indexed.setColorTable(table);
    for (int y = 0; y < argb.height(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
        uchar *out = indexed.scanLine(y);
        for (int x = 0; x < argb.width(); ++x)
            out[x] = indexOf.value(row[x]);
    }
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
