// SPDX-License-Identifier: GPL-3.0-or-later
#include "SummaryPage.h"

#include "BatteryStatusReader.h"
#include "LinkLabel.h"
#include "NotificationStack.h"
#include "PageColours.h"
#include "QuickSwitchDialog.h"
#include "SharedStrings.h"
#include "UiFonts.h"

#include <QLabel>
#include <QPainter>

using Program::sharedStrings;

namespace {

constexpr int kTotalsLeft = 50;
constexpr QSize kTotalsLineSize(500, 20);
constexpr QPoint kTitleAt(50, 75);
constexpr QPoint kHeadingAt(50, 350);
const QRect kDescriptionRect(QPoint(50, 130), QPoint(499, 279));

QString activePlanText(const QString &name)
{
    return Page::text(u"IDS_ACTIVE_POWER_PLAN") + u"\t\t: " + name;
}

QString planCountText(qsizetype count)
{
    return Page::text(u"IDS_TOTAL_POWER_PLANS") + u"\t\t: " + QString::number(count);
}

QString scheduleCountText(qsizetype count)
{
    return Page::text(u"IDS_SCHEDULED_PLANS") + u"\t: " + QString::number(count);
}

} // namespace

SummaryPage::SummaryPage(const PageServices &services, QWidget *parent)
    : Page(parent, services.commands)
    , m_services(services)
    , m_titleFont(uiFont(20, QFont::Normal))
    , m_headingFont(uiFont(10, QFont::Bold))
    , m_bodyFont(uiFont(10, QFont::Normal))
    , m_heading(text(u"IDS_SUMMARY") + u" :")
    , m_description(text(u"IDS_ABOUT_PRODUCT"))
    , m_reload(
          this, services.pleaseWait,
          [platform = &services.platform, tasks = &services.tasks] { return SummaryTotals::load(*platform, *tasks); },
          [this](const SummaryTotals &totals) { showReloaded(totals); })
{
    // A tile's disabled look is its normal one.
    using enum PictureId;
    addButton(CmdCreatePlan, u"IDS_CREATE_POWER_PLAN",
        { CreatePlanTile, CreatePlanTileHover, CreatePlanTilePressed, CreatePlanTile }, QRect(575, 80, 175, 175));
    addButton(CmdManagePlans, u"IDS_MANAGE_POWER_PLAN",
        { ManagePlansTile, ManagePlansTileHover, ManagePlansTilePressed, ManagePlansTile }, QRect(760, 80, 175, 175));
    addButton(CmdShowSchedules, u"IDS_SCHEDULE_POWER_PLAN",
        { SchedulePlanTile, SchedulePlanTileHover, SchedulePlanTilePressed, SchedulePlanTile },
        QRect(575, 265, 360, 175));

    m_activePlanLine = addTotalsLine(QStringLiteral("activePlanLine"), 380);
    m_planCountLine = addTotalsLine(QStringLiteral("planCountLine"), 400);
    m_scheduleCountLine = addTotalsLine(QStringLiteral("scheduleCountLine"), 420);
    showTotals(SummaryTotals { true, {}, 0, 0 });

    LinkLabel *changePlanLink = addLink(CmdChangePlanLink, u"IDS_CLICK_TO_CHANGE", 320);
    changePlanLink->setObjectName(QStringLiteral("changePlanLink"));
    connect(changePlanLink, &LinkLabel::clicked, this, &SummaryPage::openQuickSwitch);
    LinkLabel *batteryLink = addLink(CmdShowBatteryStatus, u"IDS_CLICK_TO_SHOW", 300);
    batteryLink->setObjectName(QStringLiteral("batteryLink"));
    connect(batteryLink, &LinkLabel::clicked, this, &SummaryPage::showBatteryStatus);
    batteryLink->setVisible(hasSystemBattery(m_services.battery.read()));

    m_reload.request();
    holdFrameSize();
}

QLabel *SummaryPage::addTotalsLine(const QString &name, int top)
{
    auto *line = new QLabel(this);
    line->setObjectName(name);
    line->setTextFormat(Qt::PlainText);
    line->setFont(m_bodyFont);
    QPalette palette = line->palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    line->setPalette(palette);
    line->setGeometry(QRect(QPoint(kTotalsLeft, top), kTotalsLineSize));
    return line;
}

LinkLabel *SummaryPage::addLink(CommandId id, const char16_t *textKey, int top)
{
    auto *link = new LinkLabel(id, text(textKey), this);
    link->setFillColour(kPageBackground);
    link->setTextColour(Qt::white);
    link->setLineColours(Qt::white, Qt::white, Qt::white);
    link->setUnderline(true);
    link->move(kTotalsLeft, top);
    return link;
}

void SummaryPage::refresh()
{
    m_reload.request();
}

void SummaryPage::showReloaded(const SummaryTotals &totals)
{
    showTotals(totals);
    Q_EMIT reloaded();
}

void SummaryPage::showTotals(const SummaryTotals &totals)
{
    if (!totals.activeKnown)
        return;
    const auto show = [](QLabel *line, const QString &text) {
        line->setText(text);
        // The tabs only line the values up on the screen; a screen reader would read them out.
        line->setAccessibleName(QString(text).remove(u'\t'));
    };
    show(m_activePlanLine, activePlanText(totals.activePlanName));
    show(m_planCountLine, planCountText(totals.planCount));
    show(m_scheduleCountLine, scheduleCountText(totals.scheduleCount));
}

void SummaryPage::openQuickSwitch()
{
    // Owned by no window, as a switcher of its own; the store's watch updates the totals.
    QuickSwitchDialog switcher(m_services);
    switcher.exec();
}

void SummaryPage::showBatteryStatus()
{
    m_shownBatteryPopup = BatteryPopup::forStatus(m_services.battery.read());
    NotificationStack::instance().show(m_shownBatteryPopup.title, m_shownBatteryPopup.body,
        NotificationStack::kStandardWidth, NotificationStack::kStandardHeight, this, m_shownBatteryPopup.accent,
        NotificationStack::kStandardDisplayMs);
}

void SummaryPage::paintEvent(QPaintEvent *event)
{
    Page::paintEvent(event);
    QPainter painter(this);
    painter.setPen(Qt::white);
    painter.setFont(m_titleFont);
    painter.drawText(QRect(kTitleAt, size()), Qt::AlignLeft | Qt::AlignTop, sharedStrings().messageCaption);
    painter.setFont(m_headingFont);
    painter.drawText(QRect(kHeadingAt, size()), Qt::AlignLeft | Qt::AlignTop, m_heading);
    painter.setFont(m_bodyFont);
    painter.drawText(kDescriptionRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, m_description);
}
