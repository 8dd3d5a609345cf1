#!/usr/bin/env bash
# Installs what is missing and builds both programs. With a display it opens
# the window; without one it blends the built-in pictures into a texture file.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default --target orrisbay orrisbay-blend

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    output="$PWD/build/default/orrisbay-builtin.png"
    echo "No display found (DISPLAY and WAYLAND_DISPLAY are unset): blending the built-in pictures instead."
    build/default/bin/orrisbay-blend --builtin -o "$output"
    echo "Texture written to $output"
    exit 0
fi
exec build/default/bin/orrisbay "$@"
