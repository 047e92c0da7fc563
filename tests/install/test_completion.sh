#!/bin/bash
# The bash completion of kelmctl: each line as typed (the cursor at its end) and the words
# completion must offer, in order.
# Usage: test_completion.sh kelmctl.bash
set -u
# shellcheck source=/dev/null
source "$1"
cd "$(mktemp -d)" || exit 1
trap 'rm -rf "$PWD"' EXIT
touch a.bin b.json && mkdir dir

offered() {
  read -r -a COMP_WORDS <<<"$1"
  [[ $1 == *" " ]] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _kelmctl
  echo "${COMPREPLY[*]}"
}

failures=0
while IFS='|' read -r line want; do
  [[ -z $line || $line == \#* ]] && continue
  got=$(offered "$line")
  if [[ $got != "$want" ]]; then
    echo "FAIL: '$line' offered '$got', expected '$want'" >&2
    failures=$((failures + 1))
  fi
done <<'CASES'
kelmctl e|edid
kelmctl --p|--port
kelmctl --port /dev/ttyUSB0 r|read reset restore
kelmctl --port /dev/ttyUSB0 --port /dev/ttyUSB1 de|describe
kelmctl edid |build check decode diff info new roundtrip state validate
kelmctl edid diff a.bin --|--json
kelmctl edid diff i|input internal
kelmctl edid diff a.bin us|user1 user2 user3 user4 user5 user6 user7 user8
kelmctl edid diff a|a.bin
kelmctl --port /dev/nu|
kelmctl --port ./a|
kelmctl info -p /dev/nul|
kelmctl -|--version -h --help -p --port
kelmctl restore dir --|--only --dry-run --json --no-history
kelmctl restore dir --only |inputs users
kelmctl backup d|dir
kelmctl edid state a.bin --|--new --date --json
kelmctl edid info a|a.bin
kelmctl edid build a.bin b|b.json
kelmctl edid new -o a|a.bin
kelmctl read |input output user internal
kelmctl read in|input internal
kelmctl read inp|input1 input2 input3 input4 input5 input6 input7 input8
kelmctl read user3|user3
kelmctl read input2 -|-o --output -h -p
kelmctl read input2 --output a|a.bin
kelmctl read input2 --port /dev/ttyUSB0 -o a|a.bin
kelmctl read -o a.bin |input output user internal
kelmctl read input2 -o a|a.bin
kelmctl write |input user
kelmctl write o|
kelmctl write user2 a|a.bin
kelmctl write user2 a.bin --|--no-verify --no-history
kelmctl un|undo
kelmctl undo |input user
kelmctl copy output1 |input user
kelmctl copy o|output1 output2 output3 output4 output5 output6 output7 output8
kelmctl mode e|external1 external2 external3 external4 external5 external6 external7 external8
kelmctl mode user1 |
kelmctl reset -|-y --yes -h -p
kelmctl firmware a|a.bin
kelmctl net |discover set
kelmctl net set 02:4B:45:4C:4D:01 --mode |static dhcp
kelmctl net set 02:4B:45:4C:4D:01 --ip |
kelmctl net set 02:4B:45:4C:4D:01 -m d|dhcp
kelmctl net discover --|--wait --json
CASES

[[ $failures == 0 ]] || exit 1
echo "completion offers what kelmctl takes"
