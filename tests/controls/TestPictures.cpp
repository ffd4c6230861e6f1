#include "CGdiPlusBitmapResource.h"

#include <QDir>
#include <QTest>

// The numbered pictures compiled into the program, the icon and the page logo.
class TestPictures : public QObject
{
    Q_OBJECT

private slots:
    void everyPictureLoadsAtItsSize_data();
    void everyPictureLoadsAtItsSize();
    void statesOfOneButtonLookDifferent_data();
    void statesOfOneButtonLookDifferent();
    void unknownIdLeavesNoBitmap_data();
    void unknownIdLeavesNoBitmap();
    void loadingAgainReplacesThePicture();
    void iconAndPageLogo();
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

QImage load(int id)
{
    CGdiPlusBitmapResource resource;
    return resource.Load(id) ? resource.bitmap() : QImage();
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
    CGdiPlusBitmapResource resource;
    QVERIFY(resource.Load(id));
    QVERIFY(resource.isLoaded());
    QCOMPARE(resource.bitmap().size(), size);
    QVERIFY2(hasVisiblePixels(resource.bitmap()), "the picture is fully transparent");
}

void TestPictures::statesOfOneButtonLookDifferent_data()
{
    QTest::addColumn<QList<int>>("ids");
    QTest::newRow("dialog button") << QList<int>{104, 103, 105, 102};
    QTest::newRow("spare button") << QList<int>{110, 111, 112, 113};
    QTest::newRow("wide button") << QList<int>{219, 218, 220, 217};
    QTest::newRow("home") << QList<int>{122, 120, 123, 121};
    QTest::newRow("create tile") << QList<int>{180, 179, 181};
    QTest::newRow("manage tile") << QList<int>{183, 182, 184};
    QTest::newRow("schedule tile") << QList<int>{186, 185, 187};
    QTest::newRow("help") << QList<int>{118, 119};
    QTest::newRow("settings") << QList<int>{131, 132};
    QTest::newRow("create plan") << QList<int>{153, 152};
    QTest::newRow("remove schedule") << QList<int>{159, 158};
}

void TestPictures::statesOfOneButtonLookDifferent()
{
    QFETCH(QList<int>, ids);
    for (qsizetype i = 0; i < ids.size(); ++i) {
        for (qsizetype j = i + 1; j < ids.size(); ++j)
            QVERIFY2(load(ids[i]) != load(ids[j]), qPrintable(QStringLiteral("%1 = %2").arg(ids[i]).arg(ids[j])));
    }
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
    CGdiPlusBitmapResource resource;
    QVERIFY(resource.Load(104));
    QVERIFY(!resource.Load(id));
    QVERIFY(!resource.isLoaded());
    QVERIFY(resource.bitmap().isNull());
}

void TestPictures::loadingAgainReplacesThePicture()
{
    CGdiPlusBitmapResource resource;
    QVERIFY(resource.Load(104));
    const QImage first = resource.bitmap();
    QVERIFY(resource.Load(179));
    QCOMPARE(resource.bitmap().size(), QSize(174, 174));
    QCOMPARE(first.size(), QSize(104, 26)); // a copy taken earlier stays intact
    resource.release();
    QVERIFY(!resource.isLoaded());
}

void TestPictures::iconAndPageLogo()
{
    QCOMPARE(QImage(QStringLiteral(":/icons/ampora.png")).size(), QSize(256, 256));
    for (int size : {16, 22, 24, 32, 48, 64, 128})
        QCOMPARE(QImage(QStringLiteral(":/icons/ampora-%1.png").arg(size)).size(), QSize(size, size));
    QCOMPARE(QImage(QStringLiteral(":/bitmaps/1232.png")).size(), QSize(16, 16));

    const QString buildDir = qEnvironmentVariable("AMPORA_BUILD_DIR");
    QVERIFY(!buildDir.isEmpty());
    const QImage logo(QDir(buildDir).filePath(QStringLiteral("vt-orvale-am.png")));
    QCOMPARE(logo.size(), QSize(180, 40));
    QVERIFY(logo.hasAlphaChannel());
}

QTEST_GUILESS_MAIN(TestPictures)
#include "TestPictures.moc"
