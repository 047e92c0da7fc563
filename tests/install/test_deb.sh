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

# The changelog's trailer names the package's maintainer.
maintainer=$(dpkg-deb -f "$deb" Maintainer)
echo "Maintainer: $maintainer"
trailer=$(dpkg-deb --fsys-tarfile "$deb" | tar -xOf - ./usr/share/doc/kelm/changelog.gz | gzip -dc | sed -n 's/^ -- \(.*>\)  .*/\1/p')
[ "$trailer" = "$maintainer" ] || fail "the changelog is signed by '$trailer', the package names '$maintainer'"

contents=$(dpkg-deb -c "$deb")
for f in ./usr/bin/kelm ./usr/bin/kelmctl ./usr/bin/kelm-devsim ./usr/libexec/kelm/kelmctl-device ./usr/libexec/kelm/kelmctl-serial \
         ./usr/share/applications/kelm.desktop ./usr/share/icons/hicolor/scalable/apps/kelm.svg \
         ./usr/share/man/man1/kelmctl.1.gz ./usr/share/man/man1/kelm.1.gz ./usr/share/man/man1/kelm-devsim.1.gz \
         ./usr/share/doc/kelm/copyright ./usr/share/doc/kelm/changelog.gz \
         ./usr/share/bash-completion/completions/kelmctl; do
  echo "$contents" | grep -q " $f\$" || fail "the package lacks $f"
done

# Debian's own checks: no errors and no warnings (information tags such as hardening hints are
# reported, not failed).
if command -v lintian >/dev/null; then
  tags=$(lintian --no-tag-display-limit "$deb" 2>&1)
  echo "$tags"
  echo "$tags" | grep -E '^[EW]: ' && fail "lintian reports errors or warnings"
else
  echo "note: lintian is not installed; the package is not checked by it" >&2
fi

[ "$failures" = 0 ] || exit 1
echo "package $(basename "$deb") is complete"
