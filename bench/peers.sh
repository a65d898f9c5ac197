#!/usr/bin/env bash
# Converts one generated 2256 x 1684 ORF to a 16-bit TIFF with kyp2tiff and
# with the peer converters that are installed (dcraw, LibRaw's dcraw_emu,
# rawtherapee-cli), N times each, in turns so that a change in the machine's
# load hits every tool alike. Prints the median wall time and the median peak
# resident memory of each, and kyp2tiff's ratios to the peers.
#
#   bash bench/peers.sh [build-dir] [runs]      (defaults: build, 15)
#
# Needs GNU time (/usr/bin/time, Debian package "time") for peak memory.
set -euo pipefail

build=${1:-build}
runs=${2:-15}
kyp2tiff="$build/kyp2tiff"
generator="$build/make-sample-orf"
for tool in "$kyp2tiff" "$generator"; do
    [[ -x $tool ]] || { echo "missing $tool: build it first (cmake --build $build)" >&2; exit 1; }
done
[[ -x /usr/bin/time ]] || { echo "missing /usr/bin/time: apt-get install time" >&2; exit 1; }
kyp2tiff=$(realpath "$kyp2tiff")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$generator" --width 2256 --height 1684 "$work/sample.orf" >/dev/null

# name -> command line run inside its own folder on its own copy of the file.
declare -A command
names=(kyp2tiff)
command[kyp2tiff]="$kyp2tiff -b:16 in.orf"
if command -v dcraw >/dev/null; then
    names+=(dcraw dcraw_T dcraw_q0)
    command[dcraw]="dcraw -6 -T in.orf"
    command[dcraw_T]="dcraw -T in.orf"          # dcraw's default 8-bit TIFF
    command[dcraw_q0]="dcraw -q 0 -T in.orf"    # bilinear, its fastest interpolation
else
    echo "dcraw not installed (package dcraw): skipped"
fi
if command -v dcraw_emu >/dev/null; then
    names+=(dcraw_emu)
    command[dcraw_emu]="dcraw_emu -T -6 in.orf"
else
    echo "dcraw_emu not installed (package libraw-bin): skipped"
fi
if command -v rawtherapee-cli >/dev/null; then
    names+=(rawtherapee)
    command[rawtherapee]="rawtherapee-cli -q -Y -t -b16 -c in.orf"
else
    echo "rawtherapee-cli not installed (package rawtherapee): skipped"
fi

for name in "${names[@]}"; do
    mkdir -p "$work/$name"
    cp "$work/sample.orf" "$work/$name/in.orf"
    : >"$work/$name.times"
    : >"$work/$name.rss"
done

# Three untimed rounds warm the page cache, the binaries and the CPU clocks.
for ((warm = 0; warm < 3; warm++)); do
    for name in "${names[@]}"; do
        (cd "$work/$name" && ${command[$name]} >/dev/null 2>&1) || { echo "$name failed" >&2; exit 1; }
    done
done

for ((run = 0; run < runs; run++)); do
    for name in "${names[@]}"; do
        cd "$work/$name"
        # Each run starts without the previous run's output, so that no tool's
        # time includes tearing down a 22 MB file it is about to replace.
        find . -maxdepth 1 -type f ! -name in.orf ! -name rss.txt -delete
        start=$EPOCHREALTIME
        /usr/bin/time -f %M -o rss.txt ${command[$name]} >/dev/null 2>&1
        end=$EPOCHREALTIME
        cd - >/dev/null
        echo "$start $end" | awk '{ printf "%.6f\n", $2 - $1 }' >>"$work/$name.times"
        cat "$work/$name/rss.txt" >>"$work/$name.rss"
    done
done

median() { sort -g "$1" | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

declare -A seconds kib
printf '%-12s %12s %10s %10s %14s   (%d runs)\n' tool "median ms" "min ms" "max ms" "peak RSS MiB" "$runs"
for name in "${names[@]}"; do
    seconds[$name]=$(median "$work/$name.times")
    kib[$name]=$(median "$work/$name.rss")
    low=$(sort -g "$work/$name.times" | head -1)
    high=$(sort -g "$work/$name.times" | tail -1)
    awk -v n="$name" -v s="${seconds[$name]}" -v k="${kib[$name]}" -v lo="$low" -v hi="$high" \
        'BEGIN { printf "%-12s %12.1f %10.1f %10.1f %14.1f\n", n, s * 1000, lo * 1000, hi * 1000, k / 1024 }'
done
high=$(sort -g "$work/kyp2tiff.times" | tail -1)
awk -v m="${seconds[kyp2tiff]}" -v h="$high" \
    'BEGIN { r = h / m; printf "kyp2tiff slowest / median %.2f, target at most 1.3: %s\n", r, (r <= 1.3) ? "met" : "NOT met" }'


ratio() {  # kyp2tiff time / peer time, with the target it must stay under
    awk -v a="${seconds[kyp2tiff]}" -v b="${seconds[$1]}" -v t="$2" -v n="$1" \
        'BEGIN { r = a / b; printf "kyp2tiff / %-11s time %.3f (1/%.1f), target at most 1/%s: %s\n", n, r, 1 / r, t, (r <= 1 / t) ? "met" : "NOT met" }'
}
[[ -n ${seconds[dcraw]:-} ]] && ratio dcraw 8
[[ -n ${seconds[dcraw_emu]:-} ]] && ratio dcraw_emu 5
for peer in dcraw_T dcraw_q0; do  # for reference: no target
    [[ -n ${seconds[$peer]:-} ]] && awk -v a="${seconds[kyp2tiff]}" -v b="${seconds[$peer]}" -v n="$peer" \
        'BEGIN { r = a / b; printf "kyp2tiff / %-11s time %.3f (1/%.1f)\n", n, r, 1 / r }'
done
[[ -n ${seconds[rawtherapee]:-} ]] && ratio rawtherapee 6
if [[ -n ${kib[dcraw]:-} ]]; then
    awk -v a="${kib[kyp2tiff]}" -v b="${kib[dcraw]}" \
        'BEGIN { printf "kyp2tiff / dcraw      peak memory %.3f, target at most 0.9: %s\n", a / b, (a <= 0.9 * b) ? "met" : "NOT met" }'
fi
