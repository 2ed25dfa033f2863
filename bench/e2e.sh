#!/usr/bin/env bash
# End-to-end benchmark: Quorvel on generated MP files of doubling size,
# against `wc -l` on the same files as the floor for reading them.
#
# Usage: bench/e2e.sh [BUILD_DIR]      (default: build/release)
#
# Environment:
#   QUORVEL_BENCH_PATCHES  patches per file (default 30000)
#   QUORVEL_BENCH_YEARS    years of each file, one file each (default "125 250 500 1000")
#   QUORVEL_BENCH_RUNS     runs of each command per file (default 5)
#   QUORVEL_BENCH_SEED     generator seed (default 1)
#   QUORVEL_BENCH_DATA     folder of the generated files (default bench/data)
#   QUORVEL_BENCH_QUORVEL  program to run in place of BUILD_DIR/Quorvel
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${1:-$root/build/release}
patches=${QUORVEL_BENCH_PATCHES:-30000}
years_list=${QUORVEL_BENCH_YEARS:-"125 250 500 1000"}
runs=${QUORVEL_BENCH_RUNS:-5}
seed=${QUORVEL_BENCH_SEED:-1}
data_dir=${QUORVEL_BENCH_DATA:-$root/bench/data}
quorvel=${QUORVEL_BENCH_QUORVEL:-$build_dir/Quorvel}
makemp=$build_dir/quorvel-makemp

die() { echo "e2e.sh: $*" >&2; exit 1; }

[[ -x /usr/bin/time ]] || die "/usr/bin/time is missing (Debian package 'time': apt-get install time)"
[[ -x $makemp ]] || die "$makemp not found; build it: cmake --build $build_dir --target quorvel-makemp"
[[ -x $quorvel ]] || die "$quorvel not found; build it: cmake --build $build_dir --target Quorvel"
[[ $runs =~ ^[1-9][0-9]*$ ]] || die "QUORVEL_BENCH_RUNS must be a positive integer"
for years in $years_list; do
    [[ $years =~ ^[0-9]+$ ]] || die "QUORVEL_BENCH_YEARS must list integers, not '$years'"
done

mkdir -p "$data_dir"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Median of the numbers on standard input.
median() {
    sort -g | awk '{ v[NR] = $1 } END {
        if (NR == 0) exit 1
        if (NR % 2) printf "%.4f", v[(NR + 1) / 2]
        else printf "%.4f", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# Runs one command once; appends its wall seconds to $1.times and its peak
# RSS in KB to $1.rss. Output goes to $1.out so a failure can be shown.
measure() {
    local tag=$1
    shift
    local start end
    start=$(date +%s%N)
    if ! /usr/bin/time -f %M -o "$work/$tag.rss1" "$@" > "$work/$tag.out" 2> "$work/$tag.err"; then
        cat "$work/$tag.err" >&2
        die "command failed: $*"
    fi
    end=$(date +%s%N)
    awk -v s="$start" -v e="$end" 'BEGIN { printf "%.6f\n", (e - s) / 1e9 }' >> "$work/$tag.times"
    tail -n 1 "$work/$tag.rss1" >> "$work/$tag.rss"
}

# The generator's own bytes identify the files it wrote, so a rebuilt
# generator never reuses stale data.
generator_id=$(sha1sum "$makemp" | cut -d' ' -f1)

printf '# Quorvel end-to-end benchmark: %s runs per command, interleaved; %s\n' "$runs" "$(date -u +%Y-%m-%dT%H:%M:%SZ)"
printf '# Quorvel: %s\n# host: %s, %s cores\n' "$quorvel" "$(uname -srm)" "$(nproc)"
printf '%-9s %-10s %-26s %9s %9s %9s %9s %9s %8s\n' \
    size_MB values command median_s min_s MB_per_s peak_MB B_per_val x_wc

for years in $years_list; do
    file=$data_dir/p$patches-t$years-s$seed.mp
    params="$generator_id --patches $patches --years $years --seed $seed"
    if [[ ! -f $file || ! -f $file.params || $(cat "$file.params") != "$params" ]]; then
        echo "# generating $file" >&2
        rm -f "$file.params"
        "$makemp" --patches "$patches" --years "$years" --seed "$seed" --output "$file"
        echo "$params" > "$file.params"
    fi
    bytes=$(stat -c %s "$file")
    values=$((patches * years))

    # Warm the page cache so every run reads from memory.
    cat "$file" > /dev/null

    names=("wc -l" "Quorvel 2000 X ," "Quorvel 2000 X , 5 3 sma 5")
    rm -f "$work"/c*.times "$work"/c*.rss
    for ((run = 1; run <= runs; run++)); do
        measure c0 wc -l "$file"
        measure c1 "$quorvel" "$file" 2000 X ,
        measure c2 "$quorvel" "$file" 2000 X , 5 3 sma 5
    done
    [[ -s $work/c1.out && -s $work/c2.out ]] || die "Quorvel printed nothing for $file"

    wc_median=$(median < "$work/c0.times")
    for c in 0 1 2; do
        med=$(median < "$work/c$c.times")
        min=$(sort -g "$work/c$c.times" | head -n 1)
        peak_kb=$(sort -n "$work/c$c.rss" | tail -n 1)
        awk -v bytes="$bytes" -v values="$values" -v name="${names[$c]}" -v med="$med" -v min="$min" \
            -v kb="$peak_kb" -v wc="$wc_median" 'BEGIN {
                mb = bytes / 1e6
                printf "%-9.1f %-10d %-26s %9.3f %9.3f %9.1f %9.1f %9.2f %8.2f\n",
                    mb, values, name, med, min, (med > 0 ? mb / med : 0), kb * 1024 / 1e6,
                    kb * 1024 / values, (wc > 0 ? med / wc : 0) }'
    done
done
