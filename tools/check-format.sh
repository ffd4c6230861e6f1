#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fails when a C++ file is not formatted with the project's .clang-format or lacks its licence
# line; with --fix, formats them.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files -- '*.cpp' '*.h')
# Every C++ file names its licence.
unlicensed=$(grep -L -m1 '^// SPDX-License-Identifier: GPL-3.0-or-later$' "${files[@]}" || true)
if [[ -n "$unlicensed" ]]; then
    echo "These files lack the SPDX line '// SPDX-License-Identifier: GPL-3.0-or-later':" >&2
    echo "$unlicensed" >&2
    exit 1
fi
if [[ "${1:-}" == "--fix" ]]; then
    clang-format -i "${files[@]}"
else
    clang-format --dry-run --Werror "${files[@]}"
fi
