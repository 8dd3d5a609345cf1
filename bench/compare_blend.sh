#!/bin/sh
# The whole orrisbay-blend command against another build of it on the same
# large inputs: 4096 x 4096 24-bit layers and 8192 x 8192 24-bit masks, as
# uncompressed BMP so that the library's decoding and encoding (a plain copy of
# the rows) do not hide the merge. The two commands run alternately, after one
# untimed run each; prints the median wall time and the median peak memory of
# each, and checks that both wrote the same bytes.
#
#   bench/compare_blend.sh BASELINE CANDIDATE [RUNS [FOLDER]]
#
# BASELINE and CANDIDATE are orrisbay-blend programs; the inputs are made
# once, in FOLDER (default /tmp/orrisbay-compare-blend), by
# orrisbay_bench_blend_inputs from CANDIDATE's folder.
set -eu

if [ $# -lt 2 ]; then
    echo "usage: $0 BASELINE CANDIDATE [RUNS [FOLDER]]" >&2
    exit 64
fi
baseline=$1
candidate=$2
runs=${3:-11}
folder=${4:-/tmp/orrisbay-compare-blend}

if [ ! -f "$folder/mask2.bmp" ]; then
    "$(dirname "$candidate")/orrisbay_bench_blend_inputs" "$folder" 4096 8192 bmp
fi

# One run: "milliseconds kibibytes" of the program given, output to $2.
run() {
    start=$(date +%s%N)
    /usr/bin/time -f %M -o "$folder/rss" "$1" "$folder/layer1.bmp" "$folder/layer2.bmp" \
        "$folder/mask1.bmp" "$folder/mask2.bmp" -o "$2"
    end=$(date +%s%N)
    echo "$(((end - start) / 1000000)) $(cat "$folder/rss")"
}

median() {
    sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

run "$baseline" "$folder/baseline.bmp" >/dev/null
run "$candidate" "$folder/candidate.bmp" >/dev/null
: >"$folder/baseline.runs"
: >"$folder/candidate.runs"
i=0
while [ "$i" -lt "$runs" ]; do
    run "$baseline" "$folder/baseline.bmp" >>"$folder/baseline.runs"
    run "$candidate" "$folder/candidate.bmp" >>"$folder/candidate.runs"
    i=$((i + 1))
done

for side in baseline candidate; do
    ms=$(cut -d' ' -f1 "$folder/$side.runs" | median)
    kib=$(cut -d' ' -f2 "$folder/$side.runs" | median)
    echo "$side: median $ms ms, peak memory $((kib / 1024)) MiB (median of $runs runs: $(cut -d' ' -f1 "$folder/$side.runs" | tr '\n' ' '))"
done
if cmp -s "$folder/baseline.bmp" "$folder/candidate.bmp"; then
    echo "outputs: identical"
else
    echo "outputs: DIFFER" >&2
    exit 1
fi
