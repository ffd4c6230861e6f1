// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class DesktopNotifications;
class ShellOpener;

// What the main window hands to the desktop: files, web pages and helper programs to open, and
// notifications for when there is no tray. The program makes the real ones once at start
// (PlatformServices); tests hand in their own.
struct DesktopServices
{
    ShellOpener &opener;
    DesktopNotifications &notifications;
};
