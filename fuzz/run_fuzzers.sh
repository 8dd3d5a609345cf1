#!/usr/bin/env bash
# Runs every fuzz target for a bounded time, starting from the committed seed
# corpus. New inputs go to a working corpus under the build folder, so the
# committed seeds stay small. Fails when a target finds a crash, a leak or a
# timeout; the crashing input is left in the build folder.
#
#   fuzz/run_fuzzers.sh [build folder] [seconds per target]
#
# The seed is fixed (ORRISBAY_FUZZ_SEED, default 1) so a CI run repeats the
# same exploration; set ORRISBAY_FUZZ_SEED=0 for a fresh random seed.
#
# Longer runs: fuzz/run_fuzzers.sh build/fuzz 3600, or run one target by hand:
#   build/fuzz/bin/load_path_fuzzer -max_len=65536 build/fuzz/corpus/load_path
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build/fuzz}
seconds=${2:-60}
status=0

for seeds in fuzz/corpus/*/; do
    target=$(basename "$seeds")
    binary="$build/bin/${target}_fuzzer"
    if [ ! -x "$binary" ]; then
        echo "fuzz: $target: no binary at $binary" >&2
        status=1
        continue
    fi
    work="$build/corpus/$target"
    artifacts="$build/artifacts/$target/"
    mkdir -p "$work" "$artifacts"
    echo "fuzz: $target for ${seconds}s"
    if ! ORRISBAY_QUIET_IMAGE_LIBRARY=1 QT_QPA_PLATFORM=offscreen \
        "$binary" -seed="${ORRISBAY_FUZZ_SEED:-1}" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
            -max_len=16384 -print_final_stats=1 -artifact_prefix="$artifacts" \
            "$work" "$seeds" >"$build/$target.log" 2>&1; then
        echo "fuzz: $target FAILED; see $build/$target.log and $artifacts" >&2
        tail -n 40 "$build/$target.log" >&2
        status=1
    fi
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$build/$target.log" | grep -o '[0-9]*$' || true)
    echo "fuzz: $target: ${runs:-?} executions, corpus $(ls "$work" | wc -l) files"
done
exit $status
