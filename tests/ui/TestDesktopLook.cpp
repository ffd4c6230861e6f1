// SPDX-License-Identifier: GPL-3.0-or-later
// The window on today's desktops: a screen scaled by 2 with a font DPI of 120, a dark theme
// (Fusion with a dark palette), and a screen reader asking what each control is.
#include "AboutDialog.h"
#include "LinkLabel.h"
#include "PageTestSupport.h"
#include "PictureButton.h"
#include "Pictures.h"
#include "PlanListPage.h"
#include "SchedulesPage.h"
#include "SettingsDialog.h"
#include "SummaryPage.h"

#include <QAccessible>
#include <QCheckBox>
#include <QLabel>
#include <QScreen>
#include <QSignalSpy>
#include <QStyleFactory>

using namespace Qt::StringLiterals;

namespace {

QAccessibleInterface *accessible(QObject *object)
{
    return QAccessible::queryAccessibleInterface(object);
}

QPalette darkPalette()
{
    QPalette dark(QColor(0x35, 0x35, 0x35), QColor(0x2A, 0x2A, 0x2A));
    dark.setColor(QPalette::WindowText, QColor(0xEE, 0xEE, 0xEE));
    dark.setColor(QPalette::Text, QColor(0xEE, 0xEE, 0xEE));
    dark.setColor(QPalette::ButtonText, QColor(0xEE, 0xEE, 0xEE));
    return dark;
}

} // namespace

class TestDesktopLook : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void picturesOnAScaledScreenComeFromTwiceSizedSources();
    void largeFontsKeepCaptionsAndTheAboutNoticeWhole();
    void settingsUnderADarkThemeKeepDarkTextOnWhite();
    void screenReadersGetNamesAndRoles();

private:
    PageFixture m_fixture;
};

void TestDesktopLook::init()
{
    m_fixture.start(TestEnvironment::readFile(TestEnvironment::sourceFile(u"../resources/ampctleng.ini"_s)));
}

void TestDesktopLook::cleanup()
{
    m_fixture.stop();
}

void TestDesktopLook::picturesOnAScaledScreenComeFromTwiceSizedSources()
{
    QCOMPARE(pictureRatio(), 2.0);
    QCOMPARE(QApplication::primaryScreen()->logicalDotsPerInch(), 120.0);
    for (const PictureEntry &entry : kPictureCatalogue) {
        const QImage picture = loadPicture(entry.id);
        QCOMPARE(picture.devicePixelRatio(), 2.0);
        QCOMPARE(picture.size(), entry.size * 2);
    }
    // Drawn at twice the size, not the small picture blown up: a tile's curves have more detail.
    const QImage tile = loadPicture(PictureId::CreatePlanTile);
    QVERIFY(tile != loadPicture(PictureId::CreatePlanTile, 1.0).scaled(tile.size()));
    const QImage logo = loadPictureFile(qEnvironmentVariable("AMPORA_BUILD_DIR") + u"/vt-orvale-am.png"_s);
    QCOMPARE(logo.deviceIndependentSize(), QSizeF(180, 40));
    QCOMPARE(logo.devicePixelRatio(), 2.0);

    // A button shows the source's every device pixel.
    QWidget page;
    auto *button = new PictureButton(1, &page);
    using enum PictureId;
    button->setPictures(Home, HomeHover, HomePressed, HomeDisabled);
    button->setGeometry(QRect(QPoint(0, 0), pictureSize(Home)));
    page.show();
    const QImage shown = button->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    const QImage source = loadPicture(Home).convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(shown.size(), source.size());
    for (int y = 0; y < source.height(); ++y) {
        for (int x = 0; x < source.width(); ++x) {
            if (qAlpha(source.pixel(x, y)) == 255)
                QCOMPARE(shown.pixel(x, y), source.pixel(x, y));
        }
    }
}

void TestDesktopLook::largeFontsKeepCaptionsAndTheAboutNoticeWhole()
{
    const auto page = m_fixture.makePage<SummaryPage>();
    for (const char *name : { "showHelpMenu", "openSettings" }) {
        const auto *button = page->findChild<PictureButton *>(QLatin1StringView(name));
        QVERIFY2(button, name);
        QVERIFY2(button->height() >= button->captionExtent().height(), name);
        QVERIFY2(button->width() >= button->captionExtent().width(), name);
    }

    AboutDialog about;
    for (const QLabel *line : about.findChildren<QLabel *>()) {
        QVERIFY(line->width() >= line->sizeHint().width() && line->height() >= line->sizeHint().height());
        QVERIFY(about.rect().contains(line->geometry()));
    }
}

void TestDesktopLook::settingsUnderADarkThemeKeepDarkTextOnWhite()
{
    const QPalette original = QApplication::palette();
    QApplication::setStyle(QStyleFactory::create(u"Fusion"_s));
    QApplication::setPalette(darkPalette());
    SettingsDialog settings(Services {
        *m_fixture.platform, *m_fixture.tasks, m_fixture.networks, m_fixture.battery, m_fixture.capabilities });
    settings.show();
    const QImage shown = settings.grab().toImage();
    QApplication::setPalette(original);

    // Every option's label: the white of the dialog behind it, and dark strokes of its letters.
    const qreal ratio = shown.devicePixelRatio();
    for (const QCheckBox *box : settings.findChildren<QCheckBox *>()) {
        if (box->isHidden())
            continue;
        const QRect label = QRect(box->geometry().topLeft() + QPoint(24, 0), box->geometry().bottomRight());
        int dark = 0;
        for (int y = int(label.top() * ratio); y < int(label.bottom() * ratio); ++y) {
            for (int x = int(label.left() * ratio); x < int(label.right() * ratio); ++x)
                dark += QColor(shown.pixel(x, y)).lightness() < 160; // a disabled option's grey too
        }
        QVERIFY2(dark > 20, qPrintable(box->text()));
        QCOMPARE(shown.pixelColor(int(label.right() * ratio) - 1, int(label.top() * ratio)), QColor(Qt::white));
    }
}

void TestDesktopLook::screenReadersGetNamesAndRoles()
{
    const auto summary = m_fixture.makePage<SummaryPage>();
    WAIT_FOR_RELOAD(*summary);
    const auto links = summary->findChildren<LinkLabel *>();
    QCOMPARE(links.size(), 2);
    for (LinkLabel *link : links) {
        QCOMPARE(accessible(link)->role(), QAccessible::Link);
        QCOMPARE(accessible(link)->text(QAccessible::Name), link->text());
    }
    // Pressing a link through the screen reader acts as a click.
    auto *battery = summary->findChild<LinkLabel *>(u"batteryLink"_s);
    QSignalSpy pressed(battery, &LinkLabel::clicked);
    accessible(battery)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(pressed.size(), 1);
    // The totals read as sentences: the tabs that line them up stay on the screen.
    const auto *activeLine = summary->findChild<QLabel *>(u"activePlanLine"_s);
    QVERIFY(activeLine->text().contains(u'\t'));
    QCOMPARE(accessible(const_cast<QLabel *>(activeLine))->text(QAccessible::Name),
        QString(activeLine->text()).remove(u'\t'));

    const auto plans = m_fixture.makePage<PlanListPage>();
    const auto schedules = m_fixture.makePage<SchedulesPage>();
    for (Page *page : { static_cast<Page *>(plans.get()), static_cast<Page *>(schedules.get()) }) {
        QAccessibleInterface *list = accessible(listOf(*page));
        QVERIFY(!list->text(QAccessible::Name).isEmpty());
        auto *home = page->findChild<PictureButton *>(u"showSummary"_s);
        QVERIFY(home);
        QCOMPARE(accessible(home)->role(), QAccessible::Button);
        QCOMPARE(accessible(home)->text(QAccessible::Name), u"Summary"_s);
    }
    QCOMPARE(accessible(listOf(*plans))->text(QAccessible::Name), u"Manage power plans"_s);
}

int main(int argc, char **argv)
{
    // A screen scaled by 2 with fonts at 120 DPI (not a further scale of 1.25); all before the
    // application starts.
    qputenv("QT_SCALE_FACTOR", "2");
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    qputenv("QT_FONT_DPI", "120");
    QApplication app(argc, argv);
    TestDesktopLook test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestDesktopLook.moc"
