#!/usr/bin/env bash
# Speed-up of quorvel-metrics --jobs N over --jobs 1 on many small files.
#
# Usage: bench/metrics-jobs.sh [BUILD_DIR]      (default: build/release)
#
# Environment:
#   QUORVEL_BENCH_FILES    number of generated files (default 200)
#   QUORVEL_BENCH_PATCHES  patches per file (default 300)
#   QUORVEL_BENCH_YEARS    years per file (default 40)
#   QUORVEL_BENCH_JOBS     job counts to time (default "1 2")
#   QUORVEL_BENCH_RUNS     runs of each job count (default 5)
#   QUORVEL_BENCH_DATA     folder of the generated files (default bench/data/metrics-jobs)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${1:-$root/build/release}
files=${QUORVEL_BENCH_FILES:-200}
patches=${QUORVEL_BENCH_PATCHES:-300}
years=${QUORVEL_BENCH_YEARS:-40}
jobs_list=${QUORVEL_BENCH_JOBS:-"1 2"}
runs=${QUORVEL_BENCH_RUNS:-5}
data_dir=${QUORVEL_BENCH_DATA:-$root/bench/data/metrics-jobs}
metrics=$build_dir/quorvel-metrics
makemp=$build_dir/quorvel-makemp

die() { echo "metrics-jobs.sh: $*" >&2; exit 1; }
[[ -x $metrics ]] || die "$metrics not found; build it: cmake --build $build_dir --target quorvel-metrics"
[[ -x $makemp ]] || die "$makemp not found; build it: cmake --build $build_dir --target quorvel-makemp"

# The files are reused while the generator options match.
mkdir -p "$data_dir"
params="patches=$patches years=$years files=$files"
if [[ ! -f $data_dir/params || $(cat "$data_dir/params") != "$params" ]]; then
  rm -f "$data_dir"/*.mp
  for ((seed = 1; seed <= files; seed++)); do
    "$makemp" --patches "$patches" --years "$years" --seed "$seed" --output "$data_dir/m$(printf '%04d' "$seed").mp"
  done
  echo "$params" > "$data_dir/params"
fi
mapfile -t inputs < <(ls "$data_dir"/*.mp)
bytes=$(cat "${inputs[@]}" | wc -c)
cat "${inputs[@]}" > /dev/null # warm the page cache

now() { date +%s.%N; }
median() { sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }

echo "files=${#inputs[@]} patches=$patches years=$years size_MB=$(awk -v b="$bytes" 'BEGIN {printf "%.1f", b / 1e6}') cores=$(nproc) runs=$runs"
printf '%-6s %10s %10s %10s %9s %s\n' jobs median_s min_s files_per_s speedup table_sha256
base=""
reference=""
for jobs in $jobs_list; do
  times=()
  for ((run = 1; run <= runs; run++)); do
    start=$(now)
    "$metrics" --jobs "$jobs" --output "$data_dir/table-$jobs.csv" "${inputs[@]}"
    end=$(now)
    times+=("$(awk -v s="$start" -v e="$end" 'BEGIN {printf "%.4f", e - s}')")
  done
  med=$(printf '%s\n' "${times[@]}" | median)
  min=$(printf '%s\n' "${times[@]}" | sort -g | head -1)
  [[ -n $base ]] || base=$med
  sum=$(sha256sum < "$data_dir/table-$jobs.csv" | cut -c1-16)
  [[ -n $reference ]] || reference=$sum
  [[ $sum == "$reference" ]] || die "the table with --jobs $jobs differs from the one with --jobs ${jobs_list%% *}"
  printf '%-6s %10.3f %10.3f %10.1f %8.2fx %s\n' "$jobs" "$med" "$min" \
    "$(awk -v n="${#inputs[@]}" -v t="$med" 'BEGIN {print n / t}')" \
    "$(awk -v b="$base" -v t="$med" 'BEGIN {print b / t}')" "$sum"
done
