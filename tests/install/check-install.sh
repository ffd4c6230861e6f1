#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the build tree into a temporary DESTDIR and checks what a desktop and a distribution
# expect to find there, then runs the installed programs from it.
#   check-install.sh BUILD_DIR APP_ID
set -eu
build=$1
app_id=$2
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
fail() {
    echo "check-install: $*" >&2
    exit 1
}

DESTDIR="$root/dest" cmake --install "$build" --prefix /usr >/dev/null || fail "cmake --install failed"
prefix="$root/dest/usr"

# The private library folder: lib/ampora, or lib/<multiarch>/ampora.
private=$(cd "$prefix" && find lib -name libampora-base.so -path '*/ampora/*' | sed 's|/libampora-base.so$||')
[ -n "$private" ] || fail "the base library is not installed in a private folder"
for file in bin/ampora bin/ampctl "$private/ampora-gui.so" "$private/libampora-appliers.so" \
    share/ampora/ampctleng.ini share/ampora/ampctleng_de.ini share/ampora/vt-ampora.html \
    share/ampora/vt-orvale-am.png share/ampora/vt-orvale-am@2x.png \
    "share/applications/$app_id.desktop" "share/metainfo/$app_id.metainfo.xml" \
    share/icons/hicolor/scalable/apps/ampora.svg share/man/man1/ampora.1.gz share/man/man1/ampctl.1.gz \
    share/bash-completion/completions/ampctl; do
    [ -e "$prefix/$file" ] || fail "$file is not installed"
done
for size in 16 22 24 32 48 64 128 256; do
    [ -e "$prefix/share/icons/hicolor/${size}x${size}/apps/ampora.png" ] || fail "no ${size}x${size} icon"
done

desktop-file-validate "$prefix/share/applications/$app_id.desktop" || fail "the .desktop file is not valid"
appstreamcli validate --no-net --pedantic "$prefix/share/metainfo/$app_id.metainfo.xml" >"$root/appstream.log" 2>&1 ||
    { cat "$root/appstream.log" >&2; fail "the metainfo file is not valid"; }

# A user of the installed programs: their data goes to the XDG folders, nothing next to the programs.
export HOME="$root/home" XDG_CONFIG_HOME="$root/home/config" XDG_DATA_HOME="$root/home/data"
export XDG_RUNTIME_DIR="$root/runtime"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset DISPLAY WAYLAND_DISPLAY

plans=$("$prefix/bin/ampctl" list) || fail "the installed ampctl does not run"
[ "$(printf '%s\n' "$plans" | wc -l)" -eq 3 ] || fail "a new store should hold three plans, not: $plans"
[ -f "$XDG_CONFIG_HOME/ampora/schemes.ini" ] || fail "the plans are not kept in \$XDG_CONFIG_HOME/ampora"
"$prefix/bin/ampctl" battery | grep -q "Power source" || fail "ampctl does not read its language file"

# The quick start finds its base library and switches the plan without a display; a desktop that
# names itself has it load the appliers' library from the private folder.
saver='{A1841308-3541-4FAB-BC81-F71556F20B4A}'
XDG_CURRENT_DESKTOP=Unknown "$prefix/bin/ampora" -setactiveplan -"$saver" 2>"$root/switch.log" ||
    fail "the installed ampora -setactiveplan failed"
! grep -q "cannot load" "$root/switch.log" || { cat "$root/switch.log" >&2; fail "the installed ampora misses a library"; }
"$prefix/bin/ampctl" active | grep -q "$saver" || fail "the installed ampora did not switch the plan"

# A windowed start loads the window module from the private folder: once its window runs, it answers
# later copies on its socket. The socket is awaited, not a fixed time.
QT_QPA_PLATFORM=offscreen "$prefix/bin/ampora" >"$root/ampora.log" 2>&1 &
window=$!
tries=0
until [ -S "$XDG_RUNTIME_DIR/ampora/ampora.socket" ]; do
    if ! kill -0 "$window" 2>/dev/null || [ "$tries" -ge 300 ]; then
        cat "$root/ampora.log" >&2
        fail "the installed ampora did not start its window"
    fi
    tries=$((tries + 1))
    sleep 0.1
done
kill "$window"
wait "$window" 2>/dev/null || true

[ -z "$(ls "$prefix/share/ampora" | grep -v -e '^ampctleng.*\.ini$' -e vt-ampora.html -e '^vt-orvale-am.*\.png$')" ] ||
    fail "the installed program wrote into its data folder"
echo "check-install: the installed layout is complete and runs"
