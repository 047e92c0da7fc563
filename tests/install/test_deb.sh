#!/bin/sh
# Makes the Debian package and checks what it holds and depends on.
# Usage: test_deb.sh BUILD_DIR
set -u
build=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

(cd "$build" && cpack -G DEB -B "$out" >"$out/cpack.log" 2>&1) || { cat "$out/cpack.log" >&2; echo "FAIL: cpack" >&2; exit 1; }
deb=$(ls "$out"/*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || { echo "FAIL: cpack made no .deb" >&2; exit 1; }

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
# The Qt 6 runtime the programs load; development packages have no place in a user's install.
for pkg in libqt6core6 libqt6gui6 libqt6widgets6 libqt6network6 libqt6serialport6 qt6-qpa-plugins; do
  echo "$depends" | grep -Eq "(^|, )$pkg( |,|$)" || fail "Depends lacks $pkg"
done
echo "$depends" | grep -q -- '-dev' && fail "Depends names a development package"

contents=$(dpkg-deb -c "$deb")
for f in ./usr/bin/kelm ./usr/bin/kelmctl ./usr/bin/kelm-devsim ./usr/libexec/kelm/kelmctl-device \
         ./usr/share/applications/kelm.desktop ./usr/share/icons/hicolor/scalable/apps/kelm.svg \
         ./usr/share/man/man1/kelmctl.1 ./usr/share/bash-completion/completions/kelmctl; do
  echo "$contents" | grep -q " $f\$" || fail "the package lacks $f"
done

[ "$failures" = 0 ] || exit 1
echo "package $(basename "$deb") is complete"
