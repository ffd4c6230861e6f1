#include "Pictures.h"

#include <QDir>
#include <QTest>

// The numbered pictures compiled into the program, the icon and the page logo.
class TestPictures : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyPictureLoadsAtItsSize_data();
    void everyPictureLoadsAtItsSize();
    void unknownIdLeavesNoBitmap_data();
    void unknownIdLeavesNoBitmap();
};

namespace {

void addPictures(QSize size, std::initializer_list<int> ids)
{
    for (int id : ids)
        QTest::addRow("%d", id) << id << size;
}

bool hasVisiblePixels(const QImage &image)
{
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) > 0)
                return true;
        }
    }
    return false;
}

} // namespace

void TestPictures::everyPictureLoadsAtItsSize_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QSize>("size");
    addPictures({104, 26}, {102, 103, 104, 105, 110, 111, 112, 113});
    addPictures({16, 16}, {114, 115, 116, 117, 118, 119, 124, 125, 131, 132, 133, 134, 139, 140, 141, 142, 143,
                           144, 146, 147, 148, 149, 150, 151, 152, 153, 154, 155, 156, 157, 158, 159, 160, 161, 162,
                           163, 164, 165, 188, 194, 208, 209, 215, 216});
    addPictures({32, 32}, {120, 121, 122, 123});
    addPictures({93, 21}, {130});
    addPictures({174, 174}, {179, 180, 181, 182, 183, 184});
    addPictures({359, 174}, {185, 186, 187});
    addPictures({8, 8}, {189});
    addPictures({256, 108}, {213});
    addPictures({164, 26}, {217, 218, 219, 220});
}

void TestPictures::everyPictureLoadsAtItsSize()
{
    QFETCH(int, id);
    QFETCH(QSize, size);
    Pictures resource;
    QVERIFY(resource.load(id));
    QVERIFY(resource.isLoaded());
    QCOMPARE(resource.bitmap().size(), size);
    QVERIFY2(hasVisiblePixels(resource.bitmap()), "the picture is fully transparent");
}

void TestPictures::unknownIdLeavesNoBitmap_data()
{
    QTest::addColumn<int>("id");
    QTest::newRow("zero") << 0;
    QTest::newRow("negative") << -1;
    QTest::newRow("gap in the numbers") << 106;
    QTest::newRow("the icon is not a PNG picture") << 101;
    QTest::newRow("the menu bitmap is not a PNG picture") << 1232;
    QTest::newRow("far beyond") << 99999;
}

void TestPictures::unknownIdLeavesNoBitmap()
{
    QFETCH(int, id);
    Pictures resource;
    QVERIFY(resource.load(104));
    QVERIFY(!resource.load(id));
    QVERIFY(!resource.isLoaded());
    QVERIFY(resource.bitmap().isNull());
}

QTEST_GUILESS_MAIN(TestPictures)
#include "TestPictures.moc"
