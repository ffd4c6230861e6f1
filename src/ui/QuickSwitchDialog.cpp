// SPDX-License-Identifier: GPL-3.0-or-later
#include "QuickSwitchDialog.h"

#include "DialogButton.h"
#include "DialogPainting.h"
#include "FocusMarked.h"
#include "NotificationStack.h"
#include "PictureButton.h"
#include "PlanCatalogue.h"
#include "PowerPlatform.h"
#include "Profile.h"
#include "UiFonts.h"

#include <QComboBox>
#include <QPainter>

using PlanCatalogue::loadPowerPlans;
using Profile::formatText;
using Profile::loadText;
using Profile::readSetting;

using namespace Qt::StringLiterals;

namespace {

constexpr QSize kDialogSize(550, 250);
constexpr int kActivateId = 1;
constexpr int kCloseId = 2;

constexpr QSize kPopupSize(370, 180);
constexpr int kPopupDisplayMs = 7000;
// Plans that another tool switches automatically carry this prefix; their popup says so.
constexpr QStringView kAutomaticPlanPrefix = u"TALU - ";

} // namespace

QuickSwitchDialog::QuickSwitchDialog(const Services &services, QWidget *parent)
    : QDialog(parent)
    , m_services(services)
{
    setFont(uiFont(10));
    setWindowTitle(loadText(u"IDS_CHANGE_POWER_PLAN"));
    setFixedSize(kDialogSize);
    setPalette(whiteDialogPalette());
    setAutoFillBackground(true);

    m_planList = new FocusMarked<QComboBox>(this);
    m_planList->setGeometry(150, 66, 350, 25);
    m_planList->setObjectName(u"planList"_s); // tests find the controls by their names
    m_activateButton = addDialogButton(this, kActivateId, loadText(u"IDS_ACTIVATE"), QRect(310, 170, 104, 26));
    PictureButton *closeButton = addDialogButton(this, kCloseId, loadText(u"IDS_CLOSE"), QRect(420, 170, 104, 26));
    m_activateButton->setObjectName(u"activateButton"_s);
    closeButton->setObjectName(u"closeButton"_s);
    connect(m_activateButton, &PictureButton::clicked, this, &QuickSwitchDialog::activate);
    connect(closeButton, &PictureButton::clicked, this, &QuickSwitchDialog::reject);

    fillPlanList();
    connect(m_planList, &QComboBox::currentIndexChanged, this, &QuickSwitchDialog::updateActivate);
    updateActivate();
}

void QuickSwitchDialog::fillPlanList()
{
    const Result<QUuid> active = m_services.platform.activeScheme();
    if (!active)
        return;
    m_plans = loadPowerPlans(m_services.platform).valueOr({});
    for (qsizetype i = 0; i < m_plans.size(); ++i) {
        m_planList->addItem(m_plans.at(i).planName);
        if (m_plans.at(i).planGuid == *active)
            m_activeIndex = int(i);
    }
    m_planList->setCurrentIndex(m_activeIndex);
}

void QuickSwitchDialog::updateActivate()
{
    const int chosen = m_planList->currentIndex();
    m_activateButton->enableButton(chosen >= 0 && chosen != m_activeIndex);
}

void QuickSwitchDialog::activate()
{
    const int chosen = m_planList->currentIndex();
    if (chosen < 0 || chosen >= m_plans.size() || chosen == m_activeIndex)
        return;
    const QUuid plan = m_plans.at(chosen).planGuid;
    (void)m_services.platform.setActiveScheme(plan); // the store's watch shows the outcome everywhere
    // Only the exact text switches the popup on, however the setting was written.
    if (readSetting(SettingKey::NotifyPlanChanges) == u"TRUE")
        announce(plan);
    m_activeIndex = chosen;
    updateActivate();
}

void QuickSwitchDialog::announce(const QUuid &plan)
{
    const Result<QString> name = m_services.platform.friendlyName(plan);
    if (!name)
        return;
    const QString title
        = loadText(name->startsWith(kAutomaticPlanPrefix) ? u"IDS_AUTOPLAN" : u"IDS_POWER_PLAN_CHANGE_HEAD");
    const QString body = formatText(loadText(u"IDS_POWER_PLAN_CHANGE_BODY"), *name);
    NotificationStack::instance().show(
        title, body, kPopupSize.width(), kPopupSize.height(), this, PopupAccent::Blue, kPopupDisplayMs);
}

void QuickSwitchDialog::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setFont(font());
    painter.setPen(Qt::black);
    const int headingEnd = drawDialogHeading(painter, 20, 30, loadText(u"IDS_SELECT_PLAN"));
    drawDialogHeading(painter, 50, 70, loadText(u"IDS_POWER_PLAN"));
    drawHeadingRule(painter, 100, headingEnd, 40, 520);
}
