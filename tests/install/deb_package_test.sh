#!/usr/bin/env bash
# The Debian package made from this build: its name and version, its files, and dependencies that
# cover every library its programs load, so that `apt install ./quillon_….deb` on a bare Debian
# pulls what is needed.
# Usage: deb_package_test.sh BUILD_DIR VERSION
set -euo pipefail
build=$1
version=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$tmp/out" >"$tmp/cpack.log" 2>&1 || { cat "$tmp/cpack.log" >&2; fail "cpack"; }
deb=$tmp/out/quillon_${version}_amd64.deb
[ -f "$deb" ] || { ls "$tmp/out" >&2; fail "no quillon_${version}_amd64.deb"; }

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = quillon ] || fail "package name: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "version: $(field Version)"
[ "$(field Architecture)" = amd64 ] || fail "architecture: $(field Architecture)"
dpkg-deb -I "$deb" >/dev/null || fail "dpkg-deb -I"

dpkg-deb -c "$deb" | awk '{print $NF}' >"$tmp/files"
for file in ./usr/bin/quillon ./usr/bin/quillon-cli ./usr/bin/quillon-sim \
  ./usr/share/quillon/Help/Quillon.pdf ./usr/share/quillon/XLT/template3.xlt \
  ./usr/share/quillon/demo/settings.ini ./usr/share/quillon/demo/Devices/TK3/1027.ini \
  ./usr/share/applications/org.quillon.Quillon.desktop \
  ./usr/share/icons/hicolor/scalable/apps/org.quillon.Quillon.svg \
  ./usr/share/metainfo/org.quillon.Quillon.metainfo.xml \
  ./usr/share/mime/packages/org.quillon.Quillon.xml \
  ./usr/share/bash-completion/completions/quillon-cli; do
  grep -qxF "$file" "$tmp/files" || fail "the package lacks $file"
done
if command -v help2man >/dev/null; then
  for page in quillon-cli quillon-sim; do
    grep -qxF "./usr/share/man/man1/$page.1.gz" "$tmp/files" || fail "the package lacks the manual page of $page"
  done
fi

# Every library the programs load comes from a package the package depends on.
depends=$(field Depends)
# The package names alone, one per line: "libc6 (>= 2.34), libzip4" gives libc6 and libzip4.
field Depends | sed 's/ *([^)]*)//g; s/ *| */\n/g; s/, */\n/g' >"$tmp/depends"
for needed in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libzip4 libpugixml1v5; do
  grep -qxF "$needed" "$tmp/depends" || fail "Depends lacks $needed: $depends"
done
dpkg-deb -x "$deb" "$tmp/root"
# The libraries each program names itself: theirs come with their own packages' dependencies.
for program in quillon quillon-cli quillon-sim; do
  binary=$tmp/root/usr/bin/$program
  ldd "$binary" >"$tmp/ldd"
  readelf -d "$binary" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' | while read -r needed; do
    library=$(awk -v name="$needed" '$1 == name && $3 ~ /^\// {print $3}' "$tmp/ldd")
    [ -n "$library" ] || fail "$program needs $needed, which is not found"
    owner=$(dpkg -S "$(readlink -f "$library")" 2>/dev/null | head -n 1 | cut -d: -f1) ||
      owner=$(dpkg -S "$library" 2>/dev/null | head -n 1 | cut -d: -f1)
    [ -n "$owner" ] || fail "$program needs $library, which no package owns"
    grep -qxF "$owner" "$tmp/depends" || fail "$program needs $library of $owner, not in Depends: $depends"
  done
done
echo "package $(basename "$deb"): ok"
