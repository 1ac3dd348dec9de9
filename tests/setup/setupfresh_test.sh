#!/usr/bin/env bash
# setup.exe from the build's install folder in a Wine prefix made for this run, as a
# Windows user without any earlier installation meets it: walked to the copying page.
#
#   setupfresh_test.sh BUILD_DIR
set -euo pipefail
build=$1
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
prefix=$(mktemp -d "$build/tests/freshprefix.XXXXXX")
trap '"$root/scripts/winerun" --prefix "$prefix/pfx" --stop >/dev/null 2>&1 || true; rm -rf "$prefix"' EXIT
"$root/scripts/winerun" --prefix "$prefix/pfx" "$build/tests/setup_setupwizard_test.exe" \
    --gtest_filter='SetupFromTheInstallFolder.*'
