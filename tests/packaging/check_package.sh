#!/usr/bin/env bash
# Builds the Debian package from BUILD_DIR with CPack and checks that it holds
# the installed tree and depends on the package of every library the
# executable links, so that apt installs a working application.
# Usage: check_package.sh BUILD_DIR
set -euo pipefail
build=$1
out=$(mktemp -d "${TMPDIR:-/tmp}/framelark-deb.XXXXXX")
trap 'rm -rf "$out"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1 \
  || { cat "$out/cpack.log" >&2; exit 1; }
deb=$(find "$out" -maxdepth 1 -name 'framelark_*_amd64.deb' -print -quit)
[ -n "$deb" ] || { echo "FAIL: no framelark_*_amd64.deb in $out" >&2; exit 1; }

contents=$(dpkg-deb -c "$deb")
for path in ./usr/bin/framelark ./usr/bin/framelark-cli ./usr/share/man/man1/framelark-cli.1 \
            ./usr/share/applications/framelark.desktop \
            ./usr/share/metainfo/io.github.framelark.Framelark.metainfo.xml \
            ./usr/share/icons/hicolor/scalable/apps/framelark.svg \
            ./usr/share/icons/hicolor/256x256/apps/framelark.png; do
  grep -q " $path\$" <<<"$contents" || fail "package lacks $path"
done

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
depends_on() { tr ',' '\n' <<<"$depends" | sed 's/^ *//; s/[ (].*//' | grep -qx "$1"; }

# The package of each library the executable needs directly.
binary=$out/root/usr/bin/framelark
mkdir -p "$out/root"
dpkg-deb -x "$deb" "$out/root"
while read -r soname; do
  # ldd names the dynamic loader by its path alone.
  path=$(ldd "$binary" | awk -v s="$soname" '$1 == s { print $3 } $1 ~ ("/" s "$") { print $1 }')
  [ -n "$path" ] || { fail "$soname does not resolve"; continue; }
  # dpkg knows each file under one spelling; with merged /usr that may be
  # the /lib or the /usr/lib one, of the link or of its target.
  package=
  real=$(readlink -f "$path")
  for candidate in "$path" "$real" "${path#/usr}" "${real#/usr}" "/usr$path" "/usr$real"; do
    package=$(dpkg -S "$candidate" 2>/dev/null | head -n1 | cut -d: -f1 || true)
    [ -z "$package" ] || break
  done
  [ -n "$package" ] || { fail "no package owns $path"; continue; }
  depends_on "$package" || fail "Depends lacks $package (for $soname)"
done < <(objdump -p "$binary" | awk '$1 == "NEEDED" { print $2 }')

# Loaded at run time rather than linked: the X11 platform plugin and SVG icons.
for package in qt6-qpa-plugins libqt6svg6; do
  depends_on "$package" || fail "Depends lacks $package"
done
# Wayland sessions run natively when the platform plugin is there.
tr ',' '\n' <<<"$(dpkg-deb -f "$deb" Recommends)" | sed 's/^ *//; s/[ (].*//' | grep -qx qt6-wayland \
  || fail "Recommends lacks qt6-wayland"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "$(basename "$deb") is complete"
