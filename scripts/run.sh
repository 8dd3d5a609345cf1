#!/usr/bin/env bash
# Installs what is missing, builds the program and opens its window.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default --target orrisbay

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "orrisbay: no display found (DISPLAY and WAYLAND_DISPLAY are unset); the window cannot open here." >&2
    exit 1
fi
exec build/default/bin/orrisbay "$@"
