#!/usr/bin/env bash
# The build's times against their goals, on a clean clone of HEAD with the compiler cache off, as on
# a fresh machine (where installing the packages adds about 45 s; here they are installed already):
#   - `./dev.sh test` whole (goal: 15 minutes on a fresh machine), and each build and suite in it;
#   - one file of link/ changed, to a runnable test (goal: 10 seconds), then the rest of the build.
# Usage: bench/build_times.sh [WORK_DIR]   (default: a new folder in /tmp, kept for its logs)
set -euo pipefail
source_dir="$(cd "$(dirname "$0")/.." && pwd)"
work="${1:-$(mktemp -d /tmp/kelm-build-times.XXXXXX)}"
clone="$work/clone"
rm -rf "$clone"
git clone -q "$source_dir" "$clone"
cd "$clone"
export CCACHE_DISABLE=1

now() { date +%s%N; }
seconds() { awk -v ns="$1" 'BEGIN { printf "%.1f", ns / 1e9 }'; }
# The wall time of a build folder's one build: the last step's end in ninja's log, in seconds.
build_wall() { awk 'NR > 1 && $2 > m { m = $2 } END { printf "%.0f", m / 1000 }' "$1/.ninja_log"; }

t0=$(now)
if ! ./dev.sh test >"$work/test.log" 2>&1; then
  echo "./dev.sh test failed; its output: $work/test.log" >&2
  exit 1
fi
t1=$(now)
mapfile -t suites < <(sed -n 's/^Total Test time (real) = *\([0-9.]*\) sec$/\1/p' "$work/test.log")
total=$(((t1 - t0) / 1000000000))
printf './dev.sh test, clean clone, compiler cache off: %d min %02d s (goal: 15 min on a fresh machine)\n' \
  $((total / 60)) $((total % 60))
printf '  g++ build %s s, its suite %s s; sanitizer build %s s, its suite %s s\n' \
  "$(build_wall build)" "${suites[0]:-?}" "$(build_wall build-asan)" "${suites[1]:-?}"

# A real change (not a touch, which the compiler cache would answer), then back.
echo "namespace {}" >>link/CommandChannel.cpp
t0=$(now)
cmake --build build -j "$(nproc)" --target link_session_tests >"$work/rebuild.log" 2>&1
t1=$(now)
cmake --build build -j "$(nproc)" >>"$work/rebuild.log" 2>&1
t2=$(now)
git checkout -q link/CommandChannel.cpp
echo "one file of link/ changed, to link_session_tests: $(seconds $((t1 - t0))) s (goal: 10 s);" \
  "the rest of the build: $(seconds $((t2 - t1))) s"
echo "logs: $work"
