#!/usr/bin/env bash
# "kelmctl edid info --json" over every corpus file in one call: CPU time (user + system) per
# call, best and median of RUNS calls. With a second kelmctl the two are run alternately, so a
# change in the machine's load hits both alike (for before/after comparisons).
# Usage: bench/kelmctl_info_json.sh [KELMCTL [KELMCTL_B]] [RUNS]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
bins=()
runs=41
for a in "$@"; do
  if [[ "$a" =~ ^[0-9]+$ ]]; then runs=$a; else bins+=("$a"); fi
done
[ ${#bins[@]} -gt 0 ] || bins=("$here/../build/cli/kelmctl")
corpus="${KELM_CORPUS_DIR:-$here/../../shared/edid-corpus}"
if [ ! -d "$corpus" ]; then
  echo "corpus folder $corpus not found: measuring the committed sample instead (not comparable with corpus runs)."
  corpus="$here/../tests/data/edid"
fi
mapfile -t files < <(find "$corpus" -maxdepth 1 -name '*.bin' | sort)
for b in "${bins[@]}"; do
  [ -x "$b" ] || { echo "kelmctl not found at $b." >&2; exit 2; }
  lines=$("$b" edid info --json "${files[@]}" 2>/dev/null | wc -l || true)
  [ "$lines" -eq "${#files[@]}" ] || { echo "$b printed $lines lines for ${#files[@]} files." >&2; exit 1; }
done

# cpu_ms KELMCTL: CPU milliseconds (user + system) of one call, as the shell's rusage reports them.
tmp=$(mktemp); trap 'rm -f "$tmp"' EXIT
cpu_ms() {
  local TIMEFORMAT='%3U %3S'
  { time "$1" edid info --json "${files[@]}" >/dev/null 2>&1; } 2>"$tmp" || true
  awk '{ printf "%.1f", ($1 + $2) * 1000 }' "$tmp"
}
declare -A samples
for ((r = 0; r < runs; r++)); do
  for i in "${!bins[@]}"; do samples[$i]+="$(cpu_ms "${bins[$i]}") "; done
done
echo "files: ${#files[@]} in $corpus; $runs calls each"
for i in "${!bins[@]}"; do
  echo "${samples[$i]}" | tr ' ' '\n' | grep . | sort -g |
    awk -v b="${bins[$i]}" -v n="${#files[@]}" '{v[NR] = $1} END {
      m = v[int((NR + 1) / 2)];
      printf "%s: CPU per call best %.1f ms, median %.1f ms (%.1f us per file)\n", b, v[1], m, m * 1000 / n }'
done
