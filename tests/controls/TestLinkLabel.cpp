// SPDX-License-Identifier: GPL-3.0-or-later
#include "LinkLabel.h"
#include "TestEnvironment.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QColor kFill(29, 153, 176);
const QColor kNormalLine(255, 0, 0);
const QColor kHoverLine(0, 255, 0);
const QColor kPressedLine(0, 0, 255);

} // namespace

class TestLinkLabel : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_page = new QWidget;
        m_page->resize(600, 400);
    }

    void cleanup()
    {
        delete m_page;
        m_link = nullptr;
    }

    void notifiesOnReleaseAndFitsItsText()
    {
        makeLink(539);
        QSignalSpy spy(m_link, &LinkLabel::clicked);
        const QPoint inside(5, m_link->height() / 2);
        QCOMPARE(underline(), kNormalLine);
        QTest::mouseMove(m_link, inside);
        QTRY_VERIFY(m_link->isHovered());
        QCOMPARE(underline(), kHoverLine);
        QTest::mousePress(m_link, Qt::LeftButton, {}, inside);
        QCOMPARE(underline(), kPressedLine);
        QVERIFY(spy.isEmpty());
        QTest::mouseRelease(m_link, Qt::LeftButton, {}, inside);
        QCOMPARE(spy.size(), 1);
        QCOMPARE(spy.takeFirst().first().toInt(), 539);
        QVERIFY(!m_link->isPressed());

        // Leaving with the button held keeps the look until the release, which, outside, returns to
        // the normal look without a notice.
        QTest::mousePress(m_link, Qt::LeftButton, {}, inside);
        QTest::mouseMove(m_link, QPoint(-20, -20));
        QCOMPARE(underline(), kPressedLine);
        QTest::mouseRelease(m_link, Qt::LeftButton, {}, QPoint(-20, -20));
        QCOMPARE(underline(), kNormalLine);
        QVERIFY(!m_link->isHovered());
        QVERIFY(spy.isEmpty());

        // A link with id 0 never notifies.
        makeLink(0);
        QSignalSpy silent(m_link, &LinkLabel::clicked);
        QTest::mouseClick(m_link, Qt::LeftButton, {}, inside);
        QVERIFY(silent.isEmpty());

        // Sized to its text whatever its rectangle.
        for (const QString &text :
            { u"Click to see the battery state"_s, u"Short\nA much longer second line"_s, QString() }) {
            makeLink(540, text);
            const QFontMetrics metrics(m_link->font());
            const QStringList lines = text.split(u'\n');
            int widest = 0;
            for (const QString &line : lines)
                widest = qMax(widest, metrics.horizontalAdvance(line));
            QCOMPARE(m_link->geometry(), QRect(50, 320, widest + 6, int(lines.size()) * (metrics.height() + 3)));
            // Links 20 pixels apart do not overlap.
            QVERIFY(metrics.height() <= 16);
        }
        // A later text refits the link, still from the same corner.
        m_link->setText(u"x"_s);
        const QFontMetrics metrics(m_link->font());
        QCOMPARE(m_link->geometry(), QRect(50, 320, metrics.horizontalAdvance(u'x') + 6, metrics.height() + 3));
    }

private:
    LinkLabel *makeLink(int id, const QString &text = u"Click to change the plan"_s)
    {
        delete m_link;
        m_link = new LinkLabel(id, text, m_page);
        m_link->setGeometry(50, 320, 500, 20);
        m_link->setFillColour(kFill);
        m_link->setTextColour(Qt::white);
        m_link->setLineColours(kNormalLine, kHoverLine, kPressedLine);
        m_link->setUnderline(true);
        m_page->show();
        if (!QTest::qWaitForWindowExposed(m_page))
            qWarning("page not exposed");
        return m_link;
    }

    // The colour of the underline, read back from the drawn link.
    QColor underline() const { return m_link->grab().toImage().pixelColor(4, QFontMetrics(m_link->font()).height()); }

    TestEnvironment m_environment;
    QWidget *m_page = nullptr;
    LinkLabel *m_link = nullptr;
};

QTEST_MAIN(TestLinkLabel)
#include "TestLinkLabel.moc"
