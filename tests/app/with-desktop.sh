#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a test on a private X display with a notification service (dunst) and, with --tray, a tray
# host (trayer, the XEmbed road). Run it on a private session bus:
#   dbus-run-session -- with-desktop.sh --tray|--no-tray TEST [ARGUMENTS]
# The test waits for the tray and the notification service itself (QTRY), so nothing here sleeps
# for a fixed time; only Xvfb's display number is awaited before anything can connect.
set -eu
mode=$1
shift
folder=$(mktemp -d)
pids=""
cleanup() {
    [ -z "$pids" ] || kill $pids 2>/dev/null || true
    rm -rf "$folder"
}
trap cleanup EXIT INT TERM

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$folder/display" >/dev/null 2>&1 &
pids=$!
tries=0
until [ -s "$folder/display" ]; do
    tries=$((tries + 1))
    [ "$tries" -le 200 ] || { echo "with-desktop.sh: Xvfb did not start" >&2; exit 1; }
    sleep 0.05
done
DISPLAY=":$(cat "$folder/display")"
export DISPLAY

dunst >/dev/null 2>&1 &
pids="$pids $!"
if [ "$mode" = "--tray" ]; then
    trayer --edge top --align right --widthtype request --height 24 >/dev/null 2>&1 &
    pids="$pids $!"
    AMPORA_TEST_TRAY=1
else
    AMPORA_TEST_TRAY=0
fi
export AMPORA_TEST_TRAY
QT_QPA_PLATFORM=xcb "$@"
