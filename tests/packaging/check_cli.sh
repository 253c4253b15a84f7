#!/usr/bin/env bash
# The installed executable answers --version and --help on standard output
# and exits 0 without opening a window. Usage: check_cli.sh PREFIX VERSION
set -euo pipefail
app=$1/bin/framelark
version=$2
fail() { echo "FAIL: $*" >&2; exit 1; }

out=$(timeout 60 "$app" --version) || fail "--version exited with $?"
grep -q "^Framelark $version\$" <<<"$out" || fail "--version printed '$out'"

out=$(timeout 60 "$app" --help) || fail "--help exited with $?"
grep -q "framelark .*\[VIDEO\.\.\.\]" <<<"$out" || fail "--help lacks the usage line: $out"
grep -q -- "--version" <<<"$out" || fail "--help does not mention --version: $out"
echo "--version and --help work"
