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
# Targets run side by side, one per core, each for the whole time given.
parallel=${ORRISBAY_FUZZ_JOBS:-$(nproc)}
status=0

# Runs one target; its report goes to standard error when it fails.
fuzz_target() {
    local target=$1 seeds=$2
    local binary="$build/bin/${target}_fuzzer"
    local work="$build/corpus/$target"
    local artifacts="$build/artifacts/$target/"
    mkdir -p "$work" "$artifacts"
    echo "fuzz: $target for ${seconds}s"
    local failed=0
    if ! ORRISBAY_QUIET_IMAGE_LIBRARY=1 QT_QPA_PLATFORM=offscreen \
        "$binary" -seed="${ORRISBAY_FUZZ_SEED:-1}" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
            -max_len=16384 -print_final_stats=1 -artifact_prefix="$artifacts" \
            "$work" "$seeds" >"$build/$target.log" 2>&1; then
        echo "fuzz: $target FAILED; see $build/$target.log and $artifacts" >&2
        tail -n 40 "$build/$target.log" >&2
        failed=1
    fi
    local runs
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$build/$target.log" | grep -o '[0-9]*$' || true)
    echo "fuzz: $target: ${runs:-?} executions, corpus $(ls "$work" | wc -l) files"
    return $failed
}

running=0
for seeds in fuzz/corpus/*/; do
    target=$(basename "$seeds")
    if [ ! -x "$build/bin/${target}_fuzzer" ]; then
        echo "fuzz: $target: no binary at $build/bin/${target}_fuzzer" >&2
        status=1
        continue
    fi
    if [ "$running" -ge "$parallel" ]; then
        wait -n || status=1
        running=$((running - 1))
    fi
    fuzz_target "$target" "$seeds" &
    running=$((running + 1))
done
while [ "$running" -gt 0 ]; do
    wait -n || status=1
    running=$((running - 1))
done
exit $status
