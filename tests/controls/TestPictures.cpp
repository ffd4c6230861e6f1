#include "Pictures.h"

#include <QTest>
#include <algorithm>

// Every picture of the catalogue is compiled in at its catalogue size.
class TestPictures : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyCataloguePictureLoadsAtItsSize_data();
    void everyCataloguePictureLoadsAtItsSize();
    void missingPictureIsNull();
};

void TestPictures::everyCataloguePictureLoadsAtItsSize_data()
{
    QTest::addColumn<PictureId>("id");
    QTest::addColumn<QSize>("size");
    for (const PictureEntry &entry : kPictureCatalogue)
        QTest::addRow("%s", entry.name) << entry.id << entry.size;
}

void TestPictures::everyCataloguePictureLoadsAtItsSize()
{
    QFETCH(PictureId, id);
    QFETCH(QSize, size);
    const QImage picture = loadPicture(id);
    QCOMPARE(picture.size(), size);
    QCOMPARE(pictureSize(id), size);
    // Something is drawn: not every pixel is transparent.
    const QImage alpha = picture.convertToFormat(QImage::Format_Alpha8);
    const auto *bits = alpha.constBits();
    QVERIFY(std::any_of(bits, bits + alpha.sizeInBytes(), [](uchar a) { return a > 0; }));
}

void TestPictures::missingPictureIsNull()
{
    QVERIFY(loadPicture(PictureId {}).isNull());
    QVERIFY(pictureSize(PictureId {}).isEmpty());
}

QTEST_GUILESS_MAIN(TestPictures)
#include "TestPictures.moc"
