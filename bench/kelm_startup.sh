#!/bin/sh
# Start-up time of kelm to its first shown window, and its peak memory, over several runs, beside
# the anchor (bench/anchors/startup_anchor.cpp: a Qt main window with a table and nothing else).
# Runs are interleaved (anchor, kelm, kelm --demo, anchor, ...) so that the load of the machine
# falls on all alike; the ratios are of the medians.
# The main window joins a multicast group, so every run is in a private network namespace.
#   bench/kelm_startup.sh [BUILD_DIR] [RUNS]      (default build, 10)
# Needs: unshare (util-linux), ip (iproute2). Uses the offscreen platform.
set -eu
build=${1:-build}
runs=${2:-10}
kelm=$(cd "$build" && pwd)/app/kelm
anchor=$(cd "$build" && pwd)/bench/startup_anchor
[ -x "$kelm" ] || { echo "no kelm at $kelm; build first" >&2; exit 2; }
[ -x "$anchor" ] || { echo "no anchor at $anchor; build the target startup_anchor" >&2; exit 2; }

if [ "${KELM_BENCH_IN_NETNS:-}" != 1 ]; then
  export KELM_BENCH_IN_NETNS=1
  exec unshare -n sh -c 'ip link set lo up && exec "$0" "$@"' "$0" "$build" "$runs"
fi

export QT_QPA_PLATFORM=offscreen KELM_STARTUP_TRACE=1 KELM_HEADLESS_DIALOGS=1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

one_run() { # $1: program, $2: extra arguments; prints "<ms to window> <peak KiB>"
  err=$tmp/err
  : >"$err"
  start=$(date +%s%3N)
  # shellcheck disable=SC2086
  "$1" $2 2>"$err" &
  pid=$!
  i=0
  while ! grep -q "main window shown at" "$err"; do
    i=$((i + 1))
    if [ $i -gt 1000 ] || ! kill -0 $pid 2>/dev/null; then
      echo "$1 did not show its window:" >&2
      cat "$err" >&2
      kill $pid 2>/dev/null || true
      exit 1
    fi
    sleep 0.01
  done
  shown=$(sed -n 's/.*main window shown at \([0-9]*\) ms.*/\1/p' "$err" | head -n 1)
  sleep 1 # let it settle, then read the high-water mark of its resident memory
  peak=$(sed -n 's/^VmHWM:[[:space:]]*\([0-9]*\) kB/\1/p' /proc/$pid/status)
  kill $pid
  wait $pid 2>/dev/null || true
  echo "$((shown - start)) $peak"
}

: >"$tmp/anchor"
: >"$tmp/kelm"
: >"$tmp/demo"
n=0
while [ $n -lt "$runs" ]; do
  one_run "$anchor" "" >>"$tmp/anchor"
  one_run "$kelm" "" >>"$tmp/kelm"
  one_run "$kelm" "--demo" >>"$tmp/demo"
  n=$((n + 1))
done

median() { sort -n "$1" | awk '{ t[NR] = $1 } END { print (NR % 2) ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2 }'; }
anchor_median=$(median "$tmp/anchor")
report() { # $1: label, $2: file of runs
  sort -n "$2" | awk -v label="$1" -v anchor="$anchor_median" '
    { t[NR] = $1; m[NR] = $2; if ($2 > peak) peak = $2 }
    END {
      med = (NR % 2) ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2
      printf "%-14s start-up to first window: min %d ms, median %d ms, max %d ms (%d runs); peak RSS %.1f MiB",
             label, t[1], med, t[NR], NR, peak / 1024
      if (anchor > 0) printf "; %.2fx the anchor", med / anchor
      printf "\n"
    }'
}
report "anchor" "$tmp/anchor"
report "kelm" "$tmp/kelm"
report "kelm --demo" "$tmp/demo"
