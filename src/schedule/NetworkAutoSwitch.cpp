// SPDX-License-Identifier: GPL-3.0-or-later
#include "NetworkAutoSwitch.h"

#include "Guid.h"
#include "NetworkScheduleFile.h"
#include "NetworkWatch.h"
#include "PowerPlatform.h"
#include "Profile.h"
#include "UserReport.h"

#include <QDebug>
#include <algorithm>

using Guid::guidToText;
using Profile::isSettingTrue;
using Profile::readSetting;
using UserReport::reportToUser;

NetworkAutoSwitch::NetworkAutoSwitch(NetworkWatch &watch, PowerPlatform &platform, QObject *parent)
    : QObject(parent)
    , m_platform(platform)
{
    connect(&watch, &NetworkWatch::networkConnected, this, &NetworkAutoSwitch::onNetworkConnected);
}

void NetworkAutoSwitch::onNetworkConnected(const QUuid &network)
{
    if (!isSettingTrue(readSetting(SettingKey::AutoManage)))
        return;
    const QList<NetworkSchedule> schedules = readNetworkSchedules(m_platform);
    const auto schedule = std::find_if(schedules.cbegin(), schedules.cend(),
        [&network](const NetworkSchedule &s) { return s.networkGuid == network; });
    if (schedule == schedules.cend() || !schedule->enabled)
        return;
    const QUuid plan = schedule->planGuid;
    // The schedules keep a plan the store could not read at the moment; switching needs it for sure.
    const Result<QList<QUuid>> plans = m_platform.schemes();
    if (!plans || !plans->contains(plan))
        return;
    if (m_platform.activeScheme().valueOr(QUuid()) == plan)
        return;
    const Result<> switched = m_platform.setActiveScheme(plan);
    if (!switched) {
        reportToUser(QStringLiteral("ampora: could not switch to plan %1 for network %2: %3")
                         .arg(guidToText(plan), guidToText(network), switched.failure().message));
        return;
    }
    Q_EMIT planSwitched(plan);
}
