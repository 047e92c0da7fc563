#!/usr/bin/env bash
# Whole-process timing: "kelmctl edid info --json" over every corpus file in one call, against one
# edid-decode process per file (goal: at least 20 times faster), and kelmctl with one file per
# process against edid-decode per file (a ratio; start-up cost dominates both). With the built
# spawn_timer, also one file started 1000 times per program without a shell in between, with
# /bin/true beside them as the floor of starting any process.
# Usage: bench/edid_info_vs_edid_decode.sh [KELMCTL] [CORPUS_DIR] [REPEATS]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
kelmctl="${1:-${KELMCTL:-$here/../build/cli/kelmctl}}"
corpus="${2:-${KELM_CORPUS_DIR:-$here/../../shared/edid-corpus}}"
repeats="${3:-5}"
edid_decode="$(command -v edid-decode || true)"

[ -x "$kelmctl" ] || { echo "kelmctl not found at $kelmctl (build it, or pass its path)." >&2; exit 2; }
[ -n "$edid_decode" ] || { echo "edid-decode is not installed." >&2; exit 2; }
if [ ! -d "$corpus" ]; then
  echo "corpus folder $corpus not found: measuring the committed sample instead (not comparable with corpus runs)."
  corpus="$here/../tests/data/edid"
fi
mapfile -t files < <(find "$corpus" -maxdepth 1 -name '*.bin' | sort)
[ "${#files[@]}" -gt 0 ] || { echo "no .bin files in $corpus." >&2; exit 2; }

now() { date +%s%N; }
# elapsed CMD...: nanoseconds one run of CMD takes.
elapsed() {
  local t0 t1
  t0=$(now)
  "$@" >/dev/null 2>&1 || true
  t1=$(now)
  echo $((t1 - t0))
}
kelmctl_all() { "$kelmctl" edid info --json "${files[@]}"; }
kelmctl_each() { for f in "${files[@]}"; do "$kelmctl" edid info --json "$f"; done; }
edid_decode_each() { for f in "${files[@]}"; do "$edid_decode" "$f"; done; }

# Sanity: one JSON line per file.
lines=$(kelmctl_all 2>/dev/null | wc -l || true)
[ "$lines" -eq "${#files[@]}" ] || { echo "kelmctl printed $lines lines for ${#files[@]} files." >&2; exit 1; }

# Rounds interleave the three runs so that a change in the machine's load hits all of them alike;
# the best of each is kept.
all= each= ref=
for ((r = 0; r < repeats; r++)); do
  t=$(elapsed kelmctl_all); if [ -z "$all" ] || [ "$t" -lt "$all" ]; then all=$t; fi
  t=$(elapsed edid_decode_each); if [ -z "$ref" ] || [ "$t" -lt "$ref" ]; then ref=$t; fi
  t=$(elapsed kelmctl_each); if [ -z "$each" ] || [ "$t" -lt "$each" ]; then each=$t; fi
done

ms() { awk -v n="$1" 'BEGIN { printf "%.1f ms", n / 1e6 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f", a / b }'; }
n=${#files[@]}
echo "files: $n in $corpus (best of $repeats runs)"
echo "kelmctl edid info --json, all files in one call: $(ms "$all") ($(awk -v t="$all" -v n="$n" 'BEGIN { printf "%.1f us", t / n / 1e3 }') per file)"
echo "edid-decode, one process per file:               $(ms "$ref")"
echo "kelmctl edid info --json, one process per file:  $(ms "$each")"
echo "one call vs edid-decode per file:   $(ratio "$ref" "$all") times faster (goal: at least 20)"
echo "per-file processes, edid-decode / kelmctl: $(ratio "$ref" "$each")"

spawn_timer="${SPAWN_TIMER:-$(dirname "$kelmctl")/../bench/spawn_timer}"
if [ -x "$spawn_timer" ]; then
  one="${files[0]}"
  out=$("$spawn_timer" 1000 "$kelmctl" edid info "$one" -- "$edid_decode" "$one" -- /bin/true)
  echo "one file, 1000 interleaved starts each (median wall ms, mean CPU ms):"
  echo "$out" | awk '{ printf "  %-28s %.3f  %.3f\n", $3, $1, $2 }'
  echo "$out" | awk 'NR == 1 { kw = $1; kc = $2 } NR == 2 { ew = $1; ec = $2 }
    END { printf "kelmctl / edid-decode per process: wall %.2f, CPU %.2f (goal: at most 0.6)\n", kw / ew, kc / ec }'
else
  echo "(spawn_timer not built: the per-process ratio without a shell is skipped)"
fi
