#!/usr/bin/env bash
# Remakes the manual pages packaging/man/PROGRAM.1 with help2man from each
# program's --help and --version and the hand-written sections in
# packaging/man/PROGRAM.h2m. Run it after changing a program's options or
# help text, then commit the pages; ctest checks that they name the same
# options as --help.
#
#   scripts/update-manuals.sh [BUILD_FOLDER]     (default: build/default)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/default}

programs=()
for include in packaging/man/*.h2m; do
    programs+=("$(basename "$include" .h2m)")
done
cmake --build "$build" --target "${programs[@]}"

# help2man takes the synopsis from "Usage:" and the lines after it that
# start with "or:"; our programs align further forms under the first
# instead, so a wrapper rewrites those lines on the way.
wrappers=$(mktemp -d)
trap 'rm -rf "$wrappers"' EXIT
for program in "${programs[@]}"; do
    cat >"$wrappers/$program" <<WRAPPER
#!/bin/sh
"$PWD/$build/bin/$program" "\$@" | sed -E '/^Usage: /,/^\$/ s/^       ([^ ])/   or: \1/'
WRAPPER
    chmod +x "$wrappers/$program"
    help2man --no-info --no-discard-stderr --include="packaging/man/$program.h2m" \
        --output="packaging/man/$program.1" "$wrappers/$program"
    echo "wrote packaging/man/$program.1"
done
