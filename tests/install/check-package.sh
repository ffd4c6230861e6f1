#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package from the build tree and holds it to what a distribution checks: lintian
# shows no error or warning (pedantic), the launcher entry and the software-centre entry validate as
# packaged, the package carries its licence and changelog and states one version everywhere, and
# its programs find their private library through their run paths, without ldconfig.
#   check-package.sh BUILD_DIR APP_ID
set -eu
build=$1
app_id=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "check-package: $*" >&2
    exit 1
}
for tool in cpack dpkg-deb lintian appstreamcli desktop-file-validate; do
    command -v "$tool" >/dev/null || fail "$tool is missing: run tools/install-deps.sh --tests"
done

(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out") >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; fail "cpack -G DEB failed"; }
set -- "$work"/out/ampora_*.deb
[ $# -eq 1 ] && [ -f "$1" ] || fail "cpack made no single ampora package: $*"
deb=$1
dpkg-deb -x "$deb" "$work/root"
dpkg-deb -e "$deb" "$work/control"
root="$work/root/usr"

# lintian's tags are what a distribution refuses (E:) or asks to be fixed (W:).
lintian --pedantic --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1 ||
    { cat "$work/lintian.log" >&2; fail "lintian --pedantic reports errors or warnings, or did not run"; }

desktop-file-validate "$root/share/applications/$app_id.desktop" || fail "the packaged launcher entry is not valid"
appstreamcli validate --no-net --pedantic "$root/share/metainfo/$app_id.metainfo.xml" >"$work/appstream.log" 2>&1 ||
    { cat "$work/appstream.log" >&2; fail "the packaged software-centre entry is not valid"; }
if grep -E '^(E|W|I):' "$work/appstream.log" >&2; then
    fail "appstreamcli reports more than pedantic hints"
fi

grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' \
    "$root/share/doc/ampora/copyright" || fail "no machine-readable copyright file"
grep -q '^License: GPL-3+' "$root/share/doc/ampora/copyright" || fail "the copyright file names no GPL-3+ licence"
grep -q '<project_license>GPL-3.0-or-later</project_license>' "$root/share/metainfo/$app_id.metainfo.xml" ||
    fail "the software-centre entry names no project licence"
grep -q '^Recommends:.*qt6-wayland' "$work/control/control" || fail "qt6-wayland is not recommended"
for script in preinst postinst prerm postrm triggers; do
    [ ! -e "$work/control/$script" ] || fail "the package has a $script, but needs none: $(cat "$work/control/$script")"
done

# One version: the package's, the changelog's, the software-centre release's, the manual pages'
# and what the program states.
version=$(sed -n 's/^Version: //p' "$work/control/control")
[ -n "$version" ] || fail "the package has no version"
[ "$(zcat "$root/share/doc/ampora/changelog.gz" | head -n 1)" = "ampora ($version) unstable; urgency=medium" ] ||
    fail "the changelog does not start with version $version"
grep -q "<release version=\"$version\"" "$root/share/metainfo/$app_id.metainfo.xml" ||
    fail "the software-centre entry has no release $version"
for page in ampora ampctl; do
    zcat "$root/share/man/man1/$page.1.gz" | head -n 1 | grep -q "\"Ampora $version\"" ||
        fail "the manual page of $page does not state version $version"
done
# The packaged program runs from where it was unpacked: its run path finds the private library.
[ "$("$root/bin/ampora" --version)" = "ampora $version" ] || fail "ampora --version does not say $version"
[ "$("$root/bin/ampctl" --version)" = "ampctl $version" ] || fail "ampctl --version does not say $version"
"$root/bin/ampora" --help | grep -q -- '-setactiveplan -{GUID}' || fail "ampora --help does not list the command line"
echo "check-package: $(basename "$deb") passes lintian, appstreamcli and desktop-file-validate"
