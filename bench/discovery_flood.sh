#!/bin/sh
# Resident memory of the workbench before and after a flood of discovery replies: 30 s at 10,000
# replies a second from 300 MAC addresses, 20 of which fill the device list. Goal: growth of at
# most 2 MiB. Everything runs in a private network namespace on loopback.
#   bench/discovery_flood.sh [BUILD_DIR] [SECONDS] [PER_SECOND] [MACS]
set -eu
build=${1:-build}
seconds=${2:-30}
rate=${3:-10000}
macs=${4:-300}
build=$(cd "$build" && pwd)
kelm=$build/app/kelm
flood=$build/bench/discovery_flood
[ -x "$kelm" ] && [ -x "$flood" ] || { echo "build kelm and discovery_flood first" >&2; exit 2; }

if [ "${KELM_BENCH_IN_NETNS:-}" != 1 ]; then
  export KELM_BENCH_IN_NETNS=1
  exec unshare -n sh -c 'ip link set lo up && exec "$0" "$@"' "$0" "$build" "$seconds" "$rate" "$macs"
fi

export QT_QPA_PLATFORM=offscreen KELM_STARTUP_TRACE=1 KELM_HEADLESS_DIALOGS=1
err=$(mktemp)
"$kelm" 2>"$err" &
pid=$!
trap 'kill $pid 2>/dev/null || true; rm -f "$err"' EXIT
i=0
until grep -q "main window shown at" "$err"; do
  i=$((i + 1))
  if [ $i -gt 1000 ] || ! kill -0 $pid 2>/dev/null; then
    echo "kelm did not start:" >&2; cat "$err" >&2; exit 1
  fi
  sleep 0.01
done
rss() { sed -n 's/^VmRSS:[[:space:]]*\([0-9]*\) kB/\1/p' /proc/$pid/status; }
sleep 2
before=$(rss)
"$flood" "$seconds" "$rate" "$macs"
sleep 2
after=$(rss)
kill -0 $pid || { echo "kelm died during the flood" >&2; exit 1; }
awk -v b="$before" -v a="$after" -v s="$seconds" -v r="$rate" -v m="$macs" 'BEGIN {
  g = (a - b) / 1024
  printf "kelm RSS before %.1f MiB, after %.1f MiB, growth %.2f MiB over a %d s flood at %d/s from %d MACs (goal: at most 2 MiB): %s\n",
         b / 1024, a / 1024, g, s, r, m, (g <= 2 ? "met" : "NOT met")
  exit (g <= 2 ? 0 : 1)
}'
