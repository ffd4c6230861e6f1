#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Ampora in a Wayland session: a real compositor (weston's headless backend), no X display, and a
# desktop notification service (python3-dbusmock's notification daemon under the system's python3,
# which logs every call).
# Run it on a private session bus:
#   dbus-run-session -- check-wayland-session.sh BUILD_DIR
# --help and --version print and end without touching the display; the window opens as a Wayland
# client; a switch handed to it is announced as a notification with the popup's texts and picture;
# a scheduled switch with no copy running switches, announces the same way and ends with status 0. Nothing sleeps for a fixed time: each
# step waits for what it needs, a tenth of a second at a time, up to a limit.
set -eu
build=$1
work=$(mktemp -d)
pids=""
cleanup() {
    [ -z "$pids" ] || kill $pids 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT INT TERM
fail() {
    echo "check-wayland-session: $*" >&2
    for log in "$work"/*.log; do
        [ ! -s "$log" ] || { echo "--- $log" >&2; grep -v -e '^\[' -e 'image-data' "$log" | tail -n 20 >&2; }
    done
    exit 1
}
# await DESCRIPTION COMMAND...: runs the command until it succeeds, for up to 30 seconds.
await() {
    what=$1
    shift
    tries=0
    until "$@"; do
        tries=$((tries + 1))
        [ "$tries" -le 300 ] || fail "waited in vain for $what"
        sleep 0.1
    done
}
for tool in weston /usr/bin/python3 dbus-send; do
    command -v "$tool" >/dev/null || fail "$tool is missing: run tools/install-deps.sh --tests"
done

# A portable copy with its own XDG folders; no X display, Qt left to choose its platform itself.
mkdir -p "$work/program" "$work/home" "$work/runtime"
chmod 700 "$work/runtime"
for file in ampora ampora-gui.so libampora-base.so libampora-appliers.so ampctl ampctleng.ini; do
    cp "$build/$file" "$work/program/"
done
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
export XDG_STATE_HOME="$work/state" XDG_CACHE_HOME="$work/cache" XDG_RUNTIME_DIR="$work/runtime"
unset DISPLAY QT_QPA_PLATFORM XDG_SESSION_TYPE
program="$work/program/ampora"
saver='{A1841308-3541-4FAB-BC81-F71556F20B4A}'
balanced='{381B4222-F694-41F0-9685-FF5BB260DF2E}'

weston --backend=headless-backend.so --socket=ampora-wayland --idle-time=0 --no-config >"$work/weston.log" 2>&1 &
pids=$!
/usr/bin/python3 -m dbusmock --session --template notification_daemon -l "$work/notifications.log" >/dev/null 2>&1 &
pids="$pids $!"
await "weston's socket" test -S "$XDG_RUNTIME_DIR/ampora-wayland"
export WAYLAND_DISPLAY=ampora-wayland
service_up() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner string:org.freedesktop.Notifications 2>/dev/null | grep -q 'boolean true'
}
await "the notification service" service_up

# WAYLAND_DEBUG makes every Wayland request of the client show on stderr.
WAYLAND_DEBUG=client "$program" --help >"$work/help.out" 2>"$work/help.log" || fail "ampora --help failed"
grep -q '^Usage: ampora' "$work/help.out" || fail "ampora --help printed no usage"
[ ! -s "$work/help.log" ] || fail "ampora --help talked to the display"
WAYLAND_DEBUG=client "$program" --version >"$work/version.out" 2>"$work/version.log" || fail "ampora --version failed"
grep -qx 'ampora [0-9][0-9.]*' "$work/version.out" || fail "ampora --version printed: $(cat "$work/version.out")"
[ ! -s "$work/version.log" ] || fail "ampora --version talked to the display"

# The window: a top-level Wayland surface with its title.
WAYLAND_DEBUG=client "$program" >"$work/window.log" 2>&1 &
window=$!
pids="$pids $window"
window_up() {
    grep -q 'xdg_toplevel@[0-9]*\.set_title("Ampora' "$work/window.log" && test -S "$XDG_RUNTIME_DIR/ampora/ampora.socket"
}
await "the window on the compositor" window_up

# A switch handed to the running window: announced through the notification service, with the
# popup's heading, its body naming the plan, and its 256 x 108 picture.
notified() {
    grep -F "\"Power plan changed\" \"The active power plan is now \"$1\".\"" "$work/notifications.log" |
        grep -qE 'image-data.*Int32\(256\), dbus\.Int32\(108\), dbus\.Int32\(1024\), dbus\.Boolean\(True\)'
}
timeout 60 "$program" -setactiveplan -"$saver" >"$work/handover.log" 2>&1 || fail "the hand-over did not end with status 0"
await "the notification of the switch to Power saver" notified "Power saver"
kill "$window"
wait "$window" 2>/dev/null || true

# A scheduled switch with no copy running: switched, announced the same way, status 0.
timeout 60 "$program" -setactiveplan -"$balanced" >"$work/scheduled.log" 2>&1 ||
    fail "the scheduled switch ended with status $?"
notified "Balanced" || fail "the scheduled switch was not announced through the notification service"
"$work/program/ampctl" list | grep -q "^\* *$balanced" || fail "the scheduled switch did not switch the plan"
echo "check-wayland-session: window, notifications and scheduled switch work under weston"
