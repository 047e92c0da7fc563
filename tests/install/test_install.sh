#!/bin/sh
# Installs the build into a scratch prefix and runs the installed programs from there.
# Usage: test_install.sh BUILD_DIR VERSION
set -u
build=$1 version=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

cmake --install "$build" --prefix "$prefix" >"$prefix.log" 2>&1 || { cat "$prefix.log" >&2; rm -f "$prefix.log"; echo "FAIL: cmake --install" >&2; exit 1; }
rm -f "$prefix.log"

for f in bin/kelm bin/kelmctl bin/kelm-devsim libexec/kelm/kelmctl-device libexec/kelm/kelmctl-serial; do
  [ -x "$prefix/$f" ] || fail "$f is not installed as a program"
done
for f in share/applications/kelm.desktop share/icons/hicolor/scalable/apps/kelm.svg \
         share/man/man1/kelmctl.1.gz share/man/man1/kelm.1.gz share/man/man1/kelm-devsim.1.gz \
         share/doc/kelm/copyright share/doc/kelm/changelog.gz share/bash-completion/completions/kelmctl; do
  [ -s "$prefix/$f" ] || fail "$f is missing or empty"
done
# Nothing of the build (static libraries, tests, headers) comes along.
extra=$(cd "$prefix" && find . -type f | grep -v -e '^./bin/' -e '^./libexec/kelm/' -e '^./share/' || true)
[ -z "$extra" ] || fail "unexpected files installed: $extra"

# The commands as a user types them, with what they must print and their exit status.
check() { # expected-status expected-text command...
  want_rc=$1 want_text=$2
  shift 2
  out=$("$@" 2>&1)
  rc=$?
  [ "$rc" = "$want_rc" ] || fail "$* exited $rc, expected $want_rc: $out"
  case $out in *"$want_text"*) ;; *) fail "$* printed '$out', expected it to contain '$want_text'" ;; esac
}
check 0 "kelmctl $version" "$prefix/bin/kelmctl" --version
check 0 "--port" "$prefix/bin/kelm" --help
check 0 "edid roundtrip" "$prefix/bin/kelmctl" --help
check 0 "--network" "$prefix/bin/kelm-devsim" --help
# A device command runs the helper from libexec; a port that does not exist is a device failure,
# not a failure to start the helper.
check 1 "" "$prefix/bin/kelmctl" --port "$prefix/no-such-port" info
out=$("$prefix/bin/kelmctl" --port "$prefix/no-such-port" info 2>&1)
case $out in *"cannot start"*) fail "the installed kelmctl did not find its helper: $out" ;; esac
check 0 "" "$prefix/bin/kelmctl" edid new -o "$prefix/new.bin"
check 0 "" "$prefix/bin/kelmctl" edid validate "$prefix/new.bin"

# The man pages carry the help's commands and options, in roff that man can lay out: kelmctl's
# with a section per command, each command's own options under it.
page() { gzip -dc "$prefix/share/man/man1/$1.1.gz"; }
page kelmctl | grep -q '^\.TH KELMCTL 1' || fail "kelmctl's man page has no title line"
page kelmctl | grep -q '^\.SH COMMANDS' || fail "kelmctl's man page has no COMMANDS section"
page kelmctl | grep -q 'kelmctl edid roundtrip' || fail "kelmctl's man page lacks the help's commands"
page kelmctl | grep -q 'only inputs|users' || fail "kelmctl's man page lacks a command's own options"
page kelm | grep -Eq '^\.SH "?OPTIONS' || fail "kelm's man page has no OPTIONS section"
page kelm | grep -q '^kelm \[options\]' || fail "kelm's man page names a build path in its synopsis"
page kelm-devsim | grep -q 'bare' || fail "kelm-devsim's man page lacks its options"
if command -v man >/dev/null; then
  for p in kelm kelmctl kelm-devsim; do
    wide=$(MANWIDTH=80 man -l "$prefix/share/man/man1/$p.1.gz" 2>/dev/null | awk 'length > 80' | wc -l)
    [ "$wide" = 0 ] || fail "$p's man page has $wide lines over 80 columns"
  done
fi
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$prefix/share/applications/kelm.desktop" || fail "the desktop entry does not validate"
else
  echo "note: desktop-file-validate is not installed; the desktop entry is not validated" >&2
fi

[ "$failures" = 0 ] || exit 1
echo "installed programs run from $prefix"
