#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian 12 packages Ampora needs: the build set, and with --tests what the test suite
# uses as well. Only missing packages are installed; apt's lists are refreshed only when needed.
set -euo pipefail

packages=(build-essential cmake ninja-build pkg-config
          qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl-dev libvulkan-dev libxkbcommon-dev libxcb1-dev
          libglib2.0-dev libxcb-screensaver0-dev libxcb-dpms0-dev
          fonts-open-sans fonts-dejavu-core)
if [[ "${1:-}" == "--tests" ]]; then
    # dbus-daemon for the private test bus; systemd-analyze, desktop-file-validate and gio to check
    # written units and log-in entries; clang-format for the formatting check. Widget tests run on
    # Qt's offscreen platform; the tray tests on Xvfb with a real tray host (trayer) and
    # notification service (dunst). appstreamcli checks the installed software-centre entry.
    # The appliers are tested against GNOME's real schemas (keyfile backend), the real
    # power-profiles-daemon with its fake driver, and python3-dbusmock's logind, UPower and polkit;
    # what GNOME's settings confirm, against the real dconf service on a private session bus.
    # Plasma's files are read back (and edited as its settings would) with KDE's own KConfig tools.
    # Xfce's appliers against the real xfconfd (xfconf; xfconf-query needs libxfconf-0-3, which
    # xfconf only recommends); MATE's and Cinnamon's against their schemas, which only
    # mate-power-manager-common and cinnamon-settings-daemon ship (the latter pulls some small
    # libraries, no desktop).
    # Ampora's own applier for sessions without a power manager: on Xvfb, with input from xdotool.
    # The fuzz harnesses need clang with its libFuzzer and sanitizer runtimes (only recommended by
    # clang, so named here). The first-paint benchmark watches the X server's drawing through
    # libxcb-damage0-dev. The Debian package is built by cpack (file, dpkg-shlibdeps) and checked
    # with lintian; the Wayland session runs on weston's headless backend with Qt's Wayland plugin
    # (qt6-wayland). The Ansible role runs through Debian's ansible-playbook (ansible-core).
    packages+=(dbus systemd desktop-file-utils libglib2.0-bin clang-format xvfb trayer dunst appstream
               gsettings-desktop-schemas gnome-settings-daemon-common power-profiles-daemon python3-dbusmock
               util-linux dconf-service dconf-gsettings-backend clang libclang-rt-14-dev libkf5config-bin
               xfconf libxfconf-0-3 mate-power-manager-common cinnamon-settings-daemon xdotool
               libxcb-damage0-dev file dpkg-dev lintian weston qt6-wayland ansible-core)
fi

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

as_root=()
[[ $(id -u) -eq 0 ]] || as_root=(sudo)
"${as_root[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
