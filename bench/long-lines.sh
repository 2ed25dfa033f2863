#!/usr/bin/env bash
# Peak memory of Quorvel on a small model with one very long line put where
# the reader only passes over it (before the patch list, among the lines
# after it, among the year lines) and where it reads it (a value line).
# A line that is only passed over must cost no memory in proportion to its
# length; one that is read may cost a small multiple of itself.
#
# Usage: bench/long-lines.sh [BUILD_DIR] [MEGABYTES...]   (default build/release, 100 1000)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build/release}"
shift || true
sizes=("${@:-100 1000}")
sizes=(${sizes[*]})
quorvel="$build/Quorvel"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

model_head='Pop 1,0,0,a.KCH
Pop 2,4,0
Migration'
model_years='Pop. ALL
y
y'
model_blocks='Pop. 1
1 s
1 s
Pop. 2
1 s
3 s'

# long_line MEGABYTES FIRST_WORD: one line of that many megabytes
long_line() { { printf '%s' "$2"; head -c "$(( $1 * 1000000 ))" /dev/zero | tr '\0' ' '; printf 'x\n'; }; }

printf '%-10s %-28s %10s %14s %8s\n' line_MB where peak_MB per_line_byte status
for mb in "${sizes[@]}"; do
  for where in before-patch-list after-migration year-line value-line; do
    file="$work/model.mp"
    case $where in
      before-patch-list) { long_line "$mb" "x"; echo "$model_head"; echo "$model_years"; echo "$model_blocks"; } > "$file" ;;
      after-migration)   { echo "Cell length 2 km"; echo "$model_head"; long_line "$mb" "x"; echo "$model_years"; echo "$model_blocks"; } > "$file" ;;
      year-line)         { echo "$model_head"; echo "Pop. ALL"; long_line "$mb" "y"; echo y; echo "$model_blocks"; } > "$file" ;;
      value-line)        { echo "$model_head"; echo "$model_years"; echo "Pop. 1"; long_line "$mb" "1"; echo "1 s"; echo "Pop. 2"; echo "1 s"; echo "3 s"; } > "$file" ;;
    esac
    status=0
    peak_kb=$(/usr/bin/time -f '%M' "$quorvel" "$file" 2000 X , 2>&1 >/dev/null | tail -n 1) || status=$?
    awk -v mb="$mb" -v where="$where" -v kb="$peak_kb" -v status="$status" \
      'BEGIN { printf "%-10s %-28s %10.1f %14.3f %8s\n", mb, where, kb / 1024, kb * 1024 / (mb * 1e6), status }'
  done
done
