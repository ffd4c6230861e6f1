// SPDX-License-Identifier: GPL-3.0-or-later
// The window on today's desktops: a screen scaled by 2 with fonts at 120 DPI, a dark theme (Fusion
// with a dark palette), a screen reader asking what each control is, and a German desktop.
#include "AboutDialog.h"
#include "IniFile.h"
#include "LinkLabel.h"
#include "PageTestSupport.h"
#include "Pictures.h"
#include "PlanListPage.h"
#include "SchedulesPage.h"
#include "SettingsDialog.h"
#include "SharedStrings.h"
#include "SummaryPage.h"

#include <QAccessible>
#include <QCheckBox>
#include <QLabel>
#include <QRegularExpression>
#include <QScreen>
#include <QSignalSpy>
#include <QStyleFactory>

using namespace Qt::StringLiterals;

class TestDesktopLook : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { m_fixture.start(); }

    void picturesOnAScaledScreenComeFromTwiceSizedSources()
    {
        QCOMPARE(pictureRatio(), 2.0);
        for (const PictureEntry &entry : kPictureCatalogue) {
            const QImage picture = loadPicture(entry.id);
            QCOMPARE(picture.devicePixelRatio(), 2.0);
            QCOMPARE(picture.size(), entry.size * 2);
        }
        const QImage logo = loadPictureFile(qEnvironmentVariable("AMPORA_BUILD_DIR") + u"/vt-orvale-am.png"_s);
        QCOMPARE(logo.size(), QSize(360, 80));

        // A button shows every device pixel of the source, which is not the small picture blown up.
        using enum PictureId;
        PictureButton button(1);
        button.setPictures(Home, HomeHover, HomePressed, HomeDisabled);
        button.resize(pictureSize(Home));
        button.show();
        const QImage shown = button.grab().toImage().convertToFormat(QImage::Format_ARGB32);
        const QImage source = loadPicture(Home).convertToFormat(QImage::Format_ARGB32);
        QVERIFY(source != loadPicture(Home, 1.0).scaled(source.size()).convertToFormat(QImage::Format_ARGB32));
        QCOMPARE(shown.size(), source.size());
        for (int y = 0; y < source.height(); ++y) {
            for (int x = 0; x < source.width(); ++x)
                QVERIFY(qAlpha(source.pixel(x, y)) < 255 || shown.pixel(x, y) == source.pixel(x, y));
        }
    }

    void largeFontsKeepCaptionsAndTheAboutNoticeWhole()
    {
        QCOMPARE(QApplication::primaryScreen()->logicalDotsPerInch(), 120.0);
        const auto page = m_fixture.makePage<SummaryPage>();
        for (const char *name : { "showHelpMenu", "openSettings" }) {
            const auto *button = page->findChild<PictureButton *>(QLatin1StringView(name));
            QVERIFY2(QRect(QPoint(), button->size()).contains(QRect(QPoint(), button->captionExtent())), name);
        }
        SettingsDialog settings(services());
        for (const QCheckBox *box : settings.findChildren<QCheckBox *>())
            QVERIFY(box->width() >= box->sizeHint().width() && settings.rect().contains(box->geometry()));
        AboutDialog about;
        for (const QLabel *line : about.findChildren<QLabel *>()) {
            QVERIFY(line->width() >= line->sizeHint().width() && line->height() >= line->sizeHint().height());
            QVERIFY(about.rect().contains(line->geometry()));
        }
    }

    void settingsUnderADarkThemeKeepDarkTextOnWhite()
    {
        const QPalette original = QApplication::palette();
        QApplication::setStyle(QStyleFactory::create(u"Fusion"_s));
        QApplication::setPalette(QPalette(QColor(0x35, 0x35, 0x35), QColor(0x2A, 0x2A, 0x2A))); // light text
        SettingsDialog settings(services());
        settings.show();
        const QImage shown = settings.grab().toImage();
        QApplication::setPalette(original);

        // Behind every option's label the white of the dialog, and dark strokes of its letters (a
        // disabled option's grey too).
        const qreal ratio = shown.devicePixelRatio();
        for (const QCheckBox *box : settings.findChildren<QCheckBox *>()) {
            const QRect label(box->geometry().topLeft() + QPoint(24, 0), box->geometry().bottomRight());
            int dark = 0;
            for (int y = int(label.top() * ratio); y < int(label.bottom() * ratio); ++y) {
                for (int x = int(label.left() * ratio); x < int(label.right() * ratio); ++x)
                    dark += QColor(shown.pixel(x, y)).lightness() < 160;
            }
            QVERIFY2(box->isHidden() || dark > 20, qPrintable(box->text()));
            QCOMPARE(shown.pixelColor(int(label.right() * ratio) - 1, int(label.top() * ratio)), QColor(Qt::white));
        }
    }

    void screenReadersGetNamesAndRoles()
    {
        const auto reader = &QAccessible::queryAccessibleInterface;
        m_fixture.platform->setActiveDirectly(m_fixture.platform->addScheme(u"Balanced"_s));
        const auto summary = m_fixture.makePage<SummaryPage>();
        WAIT_FOR_RELOAD(*summary);
        for (LinkLabel *link : summary->findChildren<LinkLabel *>()) {
            QCOMPARE(reader(link)->role(), QAccessible::Link);
            QCOMPARE(reader(link)->text(QAccessible::Name), link->text());
        }
        // Pressing a link through the screen reader acts as a click.
        auto *battery = summary->findChild<LinkLabel *>(u"batteryLink"_s);
        QSignalSpy pressed(battery, &LinkLabel::clicked);
        reader(battery)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(pressed.size(), 1);
        // The totals read as sentences: the tabs that line them up stay on the screen.
        auto *activeLine = summary->findChild<QLabel *>(u"activePlanLine"_s);
        QCOMPARE(reader(activeLine)->text(QAccessible::Name), u"Active power plan: Balanced"_s);

        const auto plans = m_fixture.makePage<PlanListPage>();
        QCOMPARE(reader(listOf(*plans))->text(QAccessible::Name), u"Manage power plans"_s);
        QCOMPARE(
            reader(listOf(*m_fixture.makePage<SchedulesPage>()))->text(QAccessible::Name), u"Scheduled power plans"_s);
        auto *home = plans->findChild<PictureButton *>(u"showSummary"_s);
        QCOMPARE(reader(home)->role(), QAccessible::Button);
        QCOMPARE(reader(home)->text(QAccessible::Name), u"Summary"_s);
    }

    void germanIsCompleteAndChosenBySettingsElseByTheLocale()
    {
        const IniFile english = IniFile::load(TestEnvironment::sourceFile(u"../resources/ampctleng.ini"_s));
        const IniFile german = IniFile::load(TestEnvironment::sourceFile(u"../resources/ampctleng_de.ini"_s));
        QVERIFY(!german.hasEncodingError() && english.keys(u"Ampora"_s).size() > 100);
        QCOMPARE(german.keys(u"Ampora"_s).size(), english.keys(u"Ampora"_s).size());
        // Every text there, with a place for what the program fills in (%s, %d, #).
        static const QRegularExpression notPlaceholder(u"(%[sd]|#)|."_s);
        const auto placeholders = [](QString text) { return text.replace(notPlaceholder, u"\\1"_s); };
        for (const QString &key : english.keys(u"Ampora"_s)) {
            const QString text = german.value(u"Ampora"_s, key);
            QVERIFY2(!text.isEmpty() && placeholders(text) == placeholders(english.value(u"Ampora"_s, key)),
                qPrintable(key));
        }

        const QString englishFile = m_fixture.env->writeFile(u"program/ampctleng.ini"_s, "[Ampora]\n");
        const QString germanFile = m_fixture.env->writeFile(u"program/ampctleng_de.ini"_s, "[Ampora]\n");
        const auto choose = [&](const QByteArray &settings, const char *locale) {
            const QString file = m_fixture.env->writeFile(u"program/ampctlset.ini"_s, "[Ampora]\n" + settings);
            return Program::chooseLanguageFile(
                m_fixture.env->path(u"program"_s), file, QLocale(QLatin1StringView(locale)));
        };
        // No language named (an abbreviation alone names none): the desktop's, else English.
        QCOMPARE(choose("IDS_LANGUAGE_ABR=EN\n", "de_AT"), germanFile);
        QCOMPARE(choose({}, "fr_FR"), englishFile);
        // A language named: its abbreviation's file, whatever the desktop speaks; English when there is
        // none, or when the abbreviation would reach another folder.
        QCOMPARE(choose("IDS_LANGUAGE=Deutsch\nIDS_LANGUAGE_ABR=DE\n", "en_US"), germanFile);
        QCOMPARE(choose("IDS_LANGUAGE=English\nIDS_LANGUAGE_ABR=EN\n", "de_DE"), englishFile);
        QCOMPARE(choose("IDS_LANGUAGE=x\nIDS_LANGUAGE_ABR=de/../de\n", "de_DE"), englishFile);
    }

private:
    Services services() { return m_fixture.services(); }
    PageFixture m_fixture;
};

int main(int argc, char **argv)
{
    // A screen scaled by 2 with fonts at 120 DPI (not a further scale of 1.25), set before the
    // application starts.
    qputenv("QT_SCALE_FACTOR", "2");
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    qputenv("QT_FONT_DPI", "120");
    QApplication app(argc, argv);
    TestDesktopLook test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestDesktopLook.moc"
