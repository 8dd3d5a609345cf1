#!/bin/sh
# The whole orrisbay-blend command against another build of it on the same
# large inputs: 4096 x 4096 24-bit layers and 8192 x 8192 24-bit masks, as
# uncompressed BMP so that the library's decoding and encoding (a plain copy of
# the rows) do not hide the merge. The two commands run alternately, after one
# untimed run each; prints the median wall time and the median peak memory of
# each, and checks that both wrote the same bytes.
#
# Where libvips' command-line tools are installed (`apt install libvips-tools`),
# the same job done by libvips' own operations runs in the same alternation:
# the masks made grey and halved with its bicubic kernel, each joined to its
# layer as alpha, layer 2 composited over layer 1 and the result flattened onto
# black, from and to uncompressed PPM files of the same pixels (libvips reads
# no BMP of its own), through its native .v files between the steps. Its time
# is the sum of the steps, its peak memory the largest of any step's.
#
#   bench/compare_blend.sh BASELINE CANDIDATE [RUNS [FOLDER]]
#
# BASELINE and CANDIDATE are orrisbay-blend programs; the inputs are made
# once, in FOLDER (default /tmp/orrisbay-compare-blend), by
# orrisbay_bench_blend_inputs from CANDIDATE's folder. VIPS=0 leaves libvips out.
# PAUSE=SECONDS waits that long before each run: on a virtual machine that
# hands free memory back to its host, a program run just after another that
# freed huge pages finds them still backed, and one run later does not.
set -eu

if [ $# -lt 2 ]; then
    echo "usage: $0 BASELINE CANDIDATE [RUNS [FOLDER]]" >&2
    exit 64
fi
baseline=$1
candidate=$2
runs=${3:-11}
folder=${4:-/tmp/orrisbay-compare-blend}
sides="baseline candidate"
if [ "${VIPS:-1}" != 0 ] && command -v vips >/dev/null; then
    sides="$sides libvips"
fi

make_inputs() {
    if [ ! -f "$folder/mask2.$1" ]; then
        "$(dirname "$candidate")/orrisbay_bench_blend_inputs" "$folder" 4096 8192 "$1"
    fi
}
make_inputs bmp
case $sides in *libvips) make_inputs ppm ;; esac

# Runs a command, adding its peak memory (KiB) to $folder/rss.
measured() {
    /usr/bin/time -f %M -a -o "$folder/rss" "$@"
}

# The same job through libvips' operations, output to $1.
vips_blend() {
    v=$folder/vips
    for layer in 1 2; do
        measured vips colourspace "$folder/mask$layer.ppm" "$v-grey$layer.v" b-w
        measured vips resize "$v-grey$layer.v" "$v-mask$layer.v" 0.5 --kernel cubic
        measured vips bandjoin "$folder/layer$layer.ppm $v-mask$layer.v" "$v-layer$layer.v"
    done
    measured vips composite2 "$v-layer1.v" "$v-layer2.v" "$v-over.v" over
    measured vips flatten "$v-over.v" "$1" --background 0
    rm -f "$v"-*.v
}

# One run: "milliseconds kibibytes" of the side given. The files the run
# before wrote (libvips' steps write gigabytes) go to disk first, untimed, so
# that no run is slowed by another's writeback.
run() {
    : >"$folder/rss"
    sync
    sleep "${PAUSE:-0}"
    start=$(date +%s%N)
    case $1 in
        libvips) vips_blend "$folder/libvips.ppm" ;;
        *)
            program=$baseline
            [ "$1" = candidate ] && program=$candidate
            measured "$program" "$folder/layer1.bmp" "$folder/layer2.bmp" \
                "$folder/mask1.bmp" "$folder/mask2.bmp" -o "$folder/$1.bmp"
            ;;
    esac
    end=$(date +%s%N)
    echo "$(((end - start) / 1000000)) $(sort -n "$folder/rss" | tail -n 1)"
}

median() {
    sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

for side in $sides; do
    run "$side" >/dev/null
    : >"$folder/$side.runs"
done
i=0
while [ "$i" -lt "$runs" ]; do
    for side in $sides; do
        run "$side" >>"$folder/$side.runs"
    done
    i=$((i + 1))
done

for side in $sides; do
    ms=$(cut -d' ' -f1 "$folder/$side.runs" | median)
    kib=$(cut -d' ' -f2 "$folder/$side.runs" | median)
    echo "$side: median $ms ms, peak memory $((kib / 1024)) MiB (median of $runs runs: $(cut -d' ' -f1 "$folder/$side.runs" | tr '\n' ' '))"
done
case $sides in
    *libvips)
        awk -v c="$(cut -d' ' -f1 "$folder/candidate.runs" | median)" \
            -v v="$(cut -d' ' -f1 "$folder/libvips.runs" | median)" \
            'BEGIN { printf "candidate / libvips wall time: %.2f\n", c / v }'
        ;;
esac
if cmp -s "$folder/baseline.bmp" "$folder/candidate.bmp"; then
    echo "outputs: identical"
else
    echo "outputs: DIFFER" >&2
    exit 1
fi
