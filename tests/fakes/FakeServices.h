// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "FakeBatteryStatusReader.h"
#include "FakeCapabilityReader.h"
#include "FakeNetworkList.h"
#include "FakePowerPlatform.h"
#include "FakeTaskService.h"
#include "Services.h"
#include "TestEnvironment.h"

// The services a window reads, made of fakes, in a fresh environment whose language file holds
// language: by default the program's own.
struct FakeServices
{
    explicit FakeServices(const QByteArray &language = programLanguage())
    {
        env.writeFile(QStringLiteral("program/ampctleng.ini"), language);
    }
    static QByteArray programLanguage()
    {
        return TestEnvironment::readFile(TestEnvironment::sourceFile(QStringLiteral("../resources/ampctleng.ini")));
    }
    Services services() { return { platform, tasks, networks, battery, capabilities }; }

    TestEnvironment env;
    FakePowerPlatform platform;
    FakeTaskService tasks;
    FakeNetworkList networks;
    FakeBatteryStatusReader battery;
    FakeCapabilityReader capabilities;
};
