#!/usr/bin/env bash
# Checks the installed tree under PREFIX for what a desktop and a software
# centre need: the executable, a valid launcher with the keys a launcher reads,
# the icon in every size, and valid AppStream metainfo that points at the
# launcher; the command-line tool and its manual page. Usage: check_install.sh PREFIX VERSION
set -euo pipefail
prefix=$1
version=$2
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

[ -x "$prefix/bin/framelark" ] || fail "bin/framelark missing or not executable"
[ -x "$prefix/bin/framelark-cli" ] || fail "bin/framelark-cli missing or not executable"
man=$prefix/share/man/man1/framelark-cli.1
if [ -f "$man" ]; then
  page=$(MANWIDTH=80 man -l "$man" 2>&1) || fail "man -l cannot show $man: $page"
  grep -q -- "--scene" <<<"$page" || fail "the manual page does not show --scene"
else
  fail "share/man/man1/framelark-cli.1 missing"
fi
out=$(timeout 60 "$prefix/bin/framelark-cli" --version) || fail "framelark-cli --version exited with $?"
[ "$out" = "framelark-cli $version" ] || fail "framelark-cli --version printed '$out'"

desktop=$prefix/share/applications/framelark.desktop
if [ ! -f "$desktop" ]; then
  fail "share/applications/framelark.desktop missing"
else
  desktop-file-validate "$desktop" || fail "desktop-file-validate rejects $desktop"
  # The value of KEY in the [Desktop Entry] group, exactly one line.
  key() {
    awk -v k="$1" '/^\[/ { group = $0 } group == "[Desktop Entry]" && index($0, k "=") == 1 { print substr($0, length(k) + 2) }' "$desktop"
  }
  expect() {
    local actual
    actual=$(key "$1")
    [ "$actual" = "$2" ] || fail "$1 is '$actual', expected '$2'"
  }
  expect Type Application
  expect Name Framelark
  expect Exec "framelark %F"
  expect Icon framelark
  expect Categories "AudioVideo;Video;Graphics;"
  [ -n "$(key GenericName)" ] || fail "GenericName missing"
  [ -n "$(key Comment)" ] || fail "Comment missing"
  mime=$(key MimeType)
  for type in video/mp4 video/quicktime video/x-m4v video/x-matroska video/webm; do
    case ";$mime" in
      *";$type;"*) ;;
      *) fail "MimeType lacks $type" ;;
    esac
  done
fi

icons=$prefix/share/icons/hicolor
[ -s "$icons/scalable/apps/framelark.svg" ] || fail "scalable SVG icon missing"
grep -q '<svg' "$icons/scalable/apps/framelark.svg" || fail "scalable icon is not an SVG"
for size in 16 24 32 48 64 128 256 512; do
  png=$icons/${size}x${size}/apps/framelark.png
  if [ ! -f "$png" ]; then
    fail "icon ${size}x${size} missing"
    continue
  fi
  # The PNG header says what the file is and its pixel size.
  info=$(file -b "$png")
  case "$info" in
    "PNG image data, $size x $size,"*) ;;
    *) fail "icon ${size}x${size} is '$info'" ;;
  esac
done

metainfo=$prefix/share/metainfo/io.github.framelark.Framelark.metainfo.xml
if [ ! -f "$metainfo" ]; then
  fail "metainfo missing"
else
  appstreamcli validate --no-net "$metainfo" || fail "appstreamcli rejects the metainfo"
  grep -q '<launchable type="desktop-id">framelark.desktop</launchable>' "$metainfo" \
    || fail "metainfo does not launch framelark.desktop"
  if grep -q '@[A-Z_]*@' "$metainfo"; then fail "metainfo has unconfigured @VARIABLES@"; fi
  grep -q "<release version=\"$version\"" "$metainfo" || fail "metainfo lacks release $version"
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "installed tree under $prefix is complete"
