#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the Ansible role (contrib/ansible/ampora) against a temporary root as a fleet would against
# /: the file it writes, a second run and a --check run that change nothing, a play with bad
# variables that stops before any change, and ampctl reading the plans it wrote.
#   check-ansible-role.sh SOURCE_DIR AMPCTL
set -eu
source=$1
ampctl=$2
command -v ansible-playbook >/dev/null || {
    echo "check-ansible-role: skipped: ansible-playbook is missing (tools/install-deps.sh --tests installs ansible-core)"
    exit 77
}
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
fail() {
    echo "check-ansible-role: $*" >&2
    exit 1
}
export HOME="$root/home" XDG_CONFIG_HOME="$root/home/config" XDG_DATA_HOME="$root/home/data"
export ANSIBLE_ROLES_PATH="$source/contrib/ansible" ANSIBLE_NOCOLOR=1 ANSIBLE_PYTHON_INTERPRETER=auto_silent
export ANSIBLE_LOCAL_TEMP="$root/ansible" ANSIBLE_REMOTE_TEMP="$root/ansible"
mkdir -p "$HOME"
file="$root/etc/xdg/ampora/schemes.ini"
expected="$source/contrib/ansible/tests/expected-schemes.ini"

# Runs the test play with extra arguments; the log is $root/play.log, the changed count $changed.
play() {
    # Ansible runs only in a UTF-8 locale, which C.UTF-8 always is.
    LC_ALL=C.UTF-8 ansible-playbook -c local -i localhost, -e "ampora_config_root=$root" -e ampora_install_package=false \
        -e "ampora_config_owner=$(id -un)" -e "ampora_config_group=$(id -gn)" \
        "$source/contrib/ansible/tests/test.yml" "$@" >"$root/play.log" 2>&1
    status=$?
    changed=$(sed -n 's/^localhost *:.* changed=\([0-9]*\) .*/\1/p' "$root/play.log")
    return $status
}

play || { cat "$root/play.log" >&2; fail "the first run failed"; }
[ "$changed" -gt 0 ] || fail "the first run changed nothing"
diff -y -W 200 "$expected" "$file" >"$root/diff.log" || { cat "$root/diff.log" >&2; fail "unexpected $file (left: expected)"; }
[ "$(stat -c %a "$file")" = 644 ] || fail "the file's mode is $(stat -c %a "$file"), not 644"
play || { cat "$root/play.log" >&2; fail "the second run failed"; }
[ "$changed" = 0 ] || { cat "$root/play.log" >&2; fail "the second run changed $changed"; }
play --check || { cat "$root/play.log" >&2; fail "the --check run failed"; }
[ "$changed" = 0 ] || { cat "$root/play.log" >&2; fail "the --check run changed $changed"; }

# Bad variables: every problem is named and nothing is written.
if play -e '{"ampora_plans": [{"guid": "6A1D35F4", "name": "X", "battery": {"display-off": "soon"}}]}'; then
    fail "a play with bad variables ran"
fi
for problem in 'guid \"6A1D35F4\" is not a GUID in braces' 'unknown key \"battery\"' \
    'ampora_active_plan: {6A1D35F4-2C57-4F61-9E22-0C7E2B3F2A10} is neither a plan'; do
    grep -qF "$problem" "$root/play.log" || { cat "$root/play.log" >&2; fail "bad variables: no \"$problem\""; }
done
cmp -s "$expected" "$file" || fail "a play with bad variables changed $file"

# Ampora's users see the plan, and it is their active one, locked.
XDG_CONFIG_DIRS="$root/etc/xdg" "$ampctl" --json list >"$root/list.json" || fail "ampctl --json list failed"
python3 - "$root/list.json" <<'PY' || fail "ampctl does not list Office as the active system-wide plan: $(cat "$root/list.json")"
import json, sys
plans = {p["guid"]: p for p in json.load(open(sys.argv[1]))}
office = plans["{6A1D35F4-2C57-4F61-9E22-0C7E2B3F2A10}"]
sys.exit(0 if office["name"] == "Office" and office["active"] and office.get("system") else 1)
PY

# No plans, locks or active plan: the file goes.
play -e '{"ampora_plans": [], "ampora_locks": {}, "ampora_active_plan": ""}' || fail "the removing run failed"
[ ! -e "$file" ] || fail "$file is still there without plans"
