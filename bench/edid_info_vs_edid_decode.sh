#!/usr/bin/env bash
# Whole-process timing: "kelmctl edid info --json" over every corpus file in one call, against one
# edid-decode process per file (goal: at least 20 times faster), and kelmctl with one file per
# process against edid-decode per file (a ratio; start-up cost dominates both).
# Usage: bench/edid_info_vs_edid_decode.sh [KELMCTL] [CORPUS_DIR] [REPEATS]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
kelmctl="${1:-${KELMCTL:-$here/../build/cli/kelmctl}}"
corpus="${2:-${KELM_CORPUS_DIR:-$here/../../shared/edid-corpus}}"
repeats="${3:-5}"
edid_decode="$(command -v edid-decode || true)"

[ -x "$kelmctl" ] || { echo "kelmctl not found at $kelmctl (build it, or pass its path)." >&2; exit 2; }
[ -n "$edid_decode" ] || { echo "edid-decode is not installed." >&2; exit 2; }
[ -d "$corpus" ] || { echo "corpus folder $corpus not found." >&2; exit 2; }
mapfile -t files < <(find "$corpus" -maxdepth 1 -name '*.bin' | sort)
[ "${#files[@]}" -gt 0 ] || { echo "no .bin files in $corpus." >&2; exit 2; }

now() { date +%s%N; }
# best_of N CMD...: the fastest of N runs, in nanoseconds.
best_of() {
  local n=$1 best= t0 t1 d
  shift
  for ((r = 0; r < n; r++)); do
    t0=$(now)
    "$@" >/dev/null 2>&1 || true
    t1=$(now)
    d=$((t1 - t0))
    if [ -z "$best" ] || [ "$d" -lt "$best" ]; then best=$d; fi
  done
  echo "$best"
}
kelmctl_all() { "$kelmctl" edid info --json "${files[@]}"; }
kelmctl_each() { for f in "${files[@]}"; do "$kelmctl" edid info --json "$f"; done; }
edid_decode_each() { for f in "${files[@]}"; do "$edid_decode" "$f"; done; }

# Sanity: one JSON line per file.
lines=$(kelmctl_all 2>/dev/null | wc -l || true)
[ "$lines" -eq "${#files[@]}" ] || { echo "kelmctl printed $lines lines for ${#files[@]} files." >&2; exit 1; }

all=$(best_of "$repeats" kelmctl_all)
each=$(best_of "$repeats" kelmctl_each)
ref=$(best_of "$repeats" edid_decode_each)

ms() { awk -v n="$1" 'BEGIN { printf "%.1f ms", n / 1e6 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f", a / b }'; }
n=${#files[@]}
echo "files: $n (best of $repeats runs)"
echo "kelmctl edid info --json, all files in one call: $(ms "$all") ($(awk -v t="$all" -v n="$n" 'BEGIN { printf "%.1f us", t / n / 1e3 }') per file)"
echo "edid-decode, one process per file:               $(ms "$ref")"
echo "kelmctl edid info --json, one process per file:  $(ms "$each")"
echo "one call vs edid-decode per file:   $(ratio "$ref" "$all") times faster (goal: at least 20)"
echo "per-file processes, edid-decode / kelmctl: $(ratio "$ref" "$each")"
