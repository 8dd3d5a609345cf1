#!/usr/bin/env bash
# Installs what is missing, then configures, builds and runs every test in the
# optimised build (the soak run of the window included) and in the
# AddressSanitizer build, the tests that run on several threads under
# ThreadSanitizer, builds and checks the Debian package, then runs each fuzz
# target briefly. Each stage says how long it took.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
for preset in default sanitize tsan; do
    started=$SECONDS
    cmake --preset "$preset"
    cmake --build --preset "$preset"
    ctest --preset "$preset"
    echo "test.sh: $preset build and tests took $((SECONDS - started)) s"
done

# The .deb, checked by lintian and appstreamcli (the desktop entry, the
# metadata and the manual pages are ctests of the default preset above).
scripts/package.sh

# Bounded fuzzing: each libFuzzer target for 45 seconds from its seed corpus,
# as many side by side as there are cores (ten targets: five rounds on two).
# (The valgrind run of the window is a ctest of the default preset above.)
cmake --preset fuzz
cmake --build --preset fuzz
fuzz/run_fuzzers.sh build/fuzz "${ORRISBAY_FUZZ_SECONDS:-45}"
