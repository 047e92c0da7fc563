#!/usr/bin/env bash
# Writes the expected outputs of the sample images with the given kelmctl. Run it only after a
# deliberate change of behaviour, and read the diff before committing it.
# Usage: tests/data/edid/regenerate-expected.sh build/cli/kelmctl
set -euo pipefail
kelmctl="$(realpath "${1:?usage: $0 KELMCTL}")"
cd "$(dirname "$0")"
mapfile -t files < <(ls -- *.bin | LC_ALL=C sort)
"$kelmctl" edid info --json "${files[@]}" > expected/info.jsonl || true # invalid images exit 1
rm -f expected/roundtrip/*.bin
for f in "${files[@]}"; do
  "$kelmctl" edid roundtrip "$f" -o "expected/roundtrip/$f" 2>/dev/null || true # invalid: no file
done
echo "$(wc -l < expected/info.jsonl) answers, $(ls expected/roundtrip | wc -l) round trips"
