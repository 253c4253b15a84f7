#!/usr/bin/env bash
# Installs the build tree into a fresh prefix, as a package build would.
# Usage: install_tree.sh BUILD_DIR PREFIX
set -euo pipefail
build=$1
prefix=$2
rm -rf "$prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
test -x "$prefix/bin/framelark"
