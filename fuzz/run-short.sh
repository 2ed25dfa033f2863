#!/usr/bin/env bash
# Builds the libFuzzer targets in build-fuzz and fuzzes each for a bounded
# time: first every saved reproducer under fuzz/regressions/<target>/ once,
# then the seed corpus (copied to a temporary folder, so the committed corpus
# is never written) with the dictionary. Exits non-zero when any input
# crashes, leaks, hangs, trips a sanitizer or breaks an invariant.
#
# Environment: FUZZ_SECONDS (fuzzing time per target, default 60),
# FUZZ_BUILD_DIR (default build-fuzz), CXX (default clang++-14),
# FUZZ_ARTIFACTS (where crashing inputs are kept, default
# $FUZZ_BUILD_DIR/artifacts), FUZZ_TARGETS (default "mp_reader run lines").
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

seconds="${FUZZ_SECONDS:-60}"
build="${FUZZ_BUILD_DIR:-build-fuzz}"
artifacts="${FUZZ_ARTIFACTS:-$build/artifacts}"
targets=(${FUZZ_TARGETS:-mp_reader run lines})

echo "== configure and build the fuzz targets in $build"
CXX="${CXX:-clang++-14}" cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUORVEL_FUZZ=ON -DQUORVEL_FUZZ_UBSAN_RECOVER=OFF -DQUORVEL_BUILD_TESTS=OFF -DQUORVEL_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$build" --parallel 2 --target "${targets[@]/#/fuzz_}"

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
common=(-rss_limit_mb=2048 -timeout=30)

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failed=()
for target in "${targets[@]}"; do
  binary="$build/fuzz/fuzz_$target"
  mkdir -p "$artifacts/$target"

  shopt -s nullglob
  regressions=(fuzz/regressions/"$target"/*)
  shopt -u nullglob
  if ((${#regressions[@]})); then
    echo "== $target: ${#regressions[@]} saved reproducer(s)"
    if ! "$binary" "${common[@]}" "${regressions[@]}"; then
      failed+=("$target (saved reproducers)")
    fi
  fi

  echo "== $target: fuzzing for ${seconds} s"
  mkdir -p "$work/$target"
  cp -R "fuzz/corpus/$target/." "$work/$target/"
  if ! "$binary" "${common[@]}" -max_len=65536 -dict=fuzz/mp.dict -max_total_time="$seconds" \
      -print_final_stats=1 -artifact_prefix="$artifacts/$target/" "$work/$target"; then
    failed+=("$target")
    echo "== $target: crashing input(s) kept in $artifacts/$target/:"
    ls -l "$artifacts/$target/"
  fi
done

if ((${#failed[@]})); then
  echo "== fuzzing found faults in: ${failed[*]}" >&2
  exit 1
fi
echo "== fuzzing found no faults"
