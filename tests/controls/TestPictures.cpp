// SPDX-License-Identifier: GPL-3.0-or-later
// The pictures as the program carries them (rendered at build time, with a colour table where one
// fits) against the same SVG drawn afresh: what the window shows is what was drawn.
#include "PictureId.h"
#include "Pictures.h"

#include <QGuiApplication>
#include <QPainter>
#include <QSvgRenderer>
#include <QTest>

namespace {

QImage freshRendering(const QString &svg, QSize size)
{
    QSvgRenderer renderer(svg);
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter, QRectF(QPointF(0, 0), size));
    painter.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

} // namespace

class TestPictures : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void everyPictureIsItsSvgAndMostTakeAByteAPixel()
    {
        const QString folder
            = qEnvironmentVariable("AMPORA_TEST_SOURCE_DIR") + QStringLiteral("/../resources/pictures/");
        int withTable = 0;
        for (const PictureEntry &entry : kPictureCatalogue) {
            for (const qreal ratio : { 1.0, 2.0 }) {
                const QImage shipped = loadPicture(entry.id, ratio);
                const QString what = QStringLiteral("%1 at %2x").arg(QLatin1String(entry.name)).arg(ratio);
                QVERIFY2(shipped.size() == entry.size * ratio, qPrintable(what));
                withTable += shipped.format() == QImage::Format_Indexed8 ? 1 : 0;
                const QImage expected
                    = freshRendering(folder + QStringLiteral("%1.svg").arg(int(entry.id)), shipped.size());
                const QImage actual = shipped.convertToFormat(QImage::Format_ARGB32);
                // A picture with a few colours more than a table holds has those pixels in the
                // nearest colour of the table; no other pixel may change.
                int changed = 0;
                for (int y = 0; y < actual.height(); ++y) {
                    for (int x = 0; x < actual.width(); ++x)
                        changed += actual.pixel(x, y) != expected.pixel(x, y) ? 1 : 0;
                }
                QVERIFY2(changed <= 50, qPrintable(QStringLiteral("%1: %2 pixels differ").arg(what).arg(changed)));
            }
        }
        QVERIFY(withTable > int(kPictureCatalogue.size()));
    }
};

QTEST_MAIN(TestPictures)
#include "TestPictures.moc"
