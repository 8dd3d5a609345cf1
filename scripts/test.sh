#!/usr/bin/env bash
# Installs what is missing, then configures, builds and runs every test in the
# optimised build and in the sanitizer build.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
for preset in default sanitize; do
    cmake --preset "$preset"
    cmake --build --preset "$preset"
    ctest --preset "$preset"
done
