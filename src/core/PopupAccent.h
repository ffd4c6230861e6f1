// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The colour a notification popup is filled with; NotificationPopup::accentColour() gives its RGB.
enum class PopupAccent { Blue, Green, Yellow, Orange };
