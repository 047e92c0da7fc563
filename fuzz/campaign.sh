#!/usr/bin/env bash
# A longer fuzzing run than the brief one in the test suite: every target (or the ones named) for
# MINUTES each, growing a corpus per target that the next campaign starts from.
#
#   fuzz/campaign.sh BUILD_DIR MINUTES [TARGET...]
#
# A BUILD_DIR that does not exist yet is configured as the fuzz build: clang, ASan+UBSan, optimised,
# the libraries instrumented for coverage (KELM_FUZZ_COVERAGE), no tests. The targets are brought up
# to date first. Corpora go to BUILD_DIR/fuzz-corpus/<target>/, crashes to BUILD_DIR/fuzz-crashes/
# <target>/, logs to BUILD_DIR/fuzz-logs/; every run also starts from the committed seeds,
# tests/data/edid and the EDID corpus. FUZZ_JOBS=N runs N targets at a time (default 1).
# Exit 1 when any target crashed or could not be built.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")

if [ $# -lt 2 ]; then
  sed -n '2,12p' "$0" >&2
  exit 2
fi
build=$1
minutes=$2
shift 2
case $minutes in '' | *[!0-9]*) echo "MINUTES must be a whole number" >&2; exit 2 ;; esac
corpus_dir=${KELM_CORPUS_DIR:-$root/../shared/edid-corpus}

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for src in "$here"/fuzz_*.cpp; do
    targets+=("$(basename "$src" .cpp)")
  done
fi

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DKELM_SANITIZE=ON -DKELM_FUZZ_COVERAGE=ON -DKELM_BUILD_TESTS=OFF -DKELM_BUILD_BENCH=OFF || exit 1
fi
cmake --build "$build" -j "$(nproc)" --target "${targets[@]}" || exit 1
build=$(cd "$build" && pwd)

run_one() {
  local t=$1 bin=$build/fuzz/$1
  if [ ! -x "$bin" ] || ! grep -q LLVMFuzzerRunDriver "$bin" 2>/dev/null; then
    echo "$t: $bin is missing or not a libFuzzer binary (build it with clang)" >&2
    return 1
  fi
  local corpus=$build/fuzz-corpus/$t crashes=$build/fuzz-crashes/$t log=$build/fuzz-logs/$t.log
  mkdir -p "$corpus" "$crashes" "$(dirname "$log")"
  local seeds=()
  [ -d "$here/seeds/$t" ] && seeds+=("$here/seeds/$t")
  if [[ $t == *edid* ]]; then
    [ -d "$root/tests/data/edid" ] && seeds+=("$root/tests/data/edid")
    [ -d "$corpus_dir" ] && seeds+=("$corpus_dir")
  fi
  "$bin" -max_total_time=$((minutes * 60)) -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$crashes/" "$corpus" "${seeds[@]}" >"$log" 2>&1
  local rc=$?
  # The last status line carries the coverage reached.
  local last
  last=$(grep -E '#[0-9]+.*cov: ' "$log" | tail -n 1)
  if [ $rc -eq 0 ]; then
    echo "$t: ok   ${last:-no status line}"
  else
    echo "$t: FAILED (exit $rc), see $log and $crashes/"
  fi
  return $rc
}

jobs_max=${FUZZ_JOBS:-1}
status_dir=$(mktemp -d)
trap 'rm -rf "$status_dir"' EXIT
for t in "${targets[@]}"; do
  (run_one "$t"; echo $? >"$status_dir/$t") &
  while [ "$(jobs -rp | wc -l)" -ge "$jobs_max" ]; do
    sleep 1
  done
done
wait
failed=0
for t in "${targets[@]}"; do
  [ "$(cat "$status_dir/$t" 2>/dev/null)" = 0 ] || failed=1
done
exit $failed
