// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CommandId.h"

#include <QStringView>
#include <array>

// The web pages the frame's commands open: one table, so an address changes in one place.
struct WebAddress
{
    CommandId command;
    QStringView address;
    // What the browser of last resort opens when no handler for web addresses is registered.
    QStringView fallback;
};

inline constexpr std::array kWebAddresses {
    WebAddress { CmdOpenFaqPage, u"https://ampora.org/faq", u"https://ampora.org/faq" },
    WebAddress { CmdOpenSocialPage, u"https://mastodon.social/@ampora", u"https://mastodon.social/@ampora/media" },
    WebAddress { CmdOpenSecondSocialPage, u"https://github.com/ampora", u"https://github.com/ampora" },
    WebAddress { CmdOpenThirdSocialPage, u"https://www.youtube.com/@ampora", u"https://www.youtube.com/@ampora" },
    WebAddress { CmdOpenSupportPage, u"https://ampora.org/support", u"https://ampora.org/support" },
};
