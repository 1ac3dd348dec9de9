#!/usr/bin/env bash
# A complete installation as a Windows user without an earlier one meets it, in a Wine
# prefix made for this run: setup.exe from the build's install folder walked with every
# default (setup_install_test.exe checks files, uninstall entry, shortcuts, and the
# service around a reinstallation), then the installed horalink.exe asks a local
# chronyd once and ends after a good answer, and last the uninstall entry's command
# removes it all again (setup_install_test.exe drives both stages).
#
#   install_test.sh BUILD_DIR
set -uo pipefail
build=$1
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
work=$(mktemp -d "$build/tests/freshprefix.XXXXXX")
prefix=$work/pfx
# The prefix links its desktop and documents below HOME: a home of its own keeps the
# shortcuts setup makes out of this machine's.
export HOME=$work/home
mkdir -p "$HOME"
cleanup() {
    "$root/scripts/localntp" stop "$work/ntp" >/dev/null 2>&1
    "$root/scripts/winerun" --prefix "$prefix" --stop >/dev/null 2>&1
    rm -rf "$work"
}
trap cleanup EXIT
winpath() { echo "Z:${1//\//\\}"; }

HORALINK_FRESH_PREFIX=1 "$root/scripts/winerun" --prefix "$prefix" "$build/tests/setup_install_test.exe" \
    --gtest_filter=FreshInstall.Installs* || exit 1

exe=$(find "$prefix/drive_c" -path '*/Kelvo/Horalink/horalink.exe' | head -1)
[ -n "$exe" ] || { echo "FAIL: no installed horalink.exe"; exit 1; }
ntp=1
"$root/scripts/localntp" start "$work/ntp" >"$work/localntp.log" 2>&1 || ntp=0
if [ $ntp = 1 ]; then
    mkdir -p "$work/data"
    printf 'ConnectionType=0\r\nVersion=1.00\r\nTimeServer=127.0.0.1\r\nNotifyDoMsgbox=0\r\nNotifyDoSound=0\r\n' \
        >"$work/data/horalink.cfg"
    # A good check ends the program by itself.
    timeout 120 "$root/scripts/winerun" --prefix "$prefix" "$exe" /CHECK /ONCE "/WORKDIR:$(winpath "$work/data")" \
        "/LOGIT:$(winpath "$work/horalink.log")" >/dev/null 2>&1 || { echo "FAIL: the installed horalink did not end"; exit 1; }
    result=$(sed -n 's/^TimeLastOK=//p' "$work/data/horalink.cfg" | tr -d '\r')
    [ "$result" = "1 OK" ] || { echo "FAIL: the installed horalink's check: $result"; tail -20 "$work/horalink.log"; exit 1; }
fi
# Last the entry's uninstall command, both stages driven by the test program.
HORALINK_FRESH_PREFIX=1 "$root/scripts/winerun" --prefix "$prefix" "$build/tests/setup_install_test.exe" \
    --gtest_filter=FreshInstall.Uninstalls* || exit 1
if [ $ntp = 0 ]; then
    echo "SKIP: installed, reinstalled and uninstalled, but no local time server for the check ($(tail -1 "$work/localntp.log"))"
    exit 77
fi
echo "install_test: installed, reinstalled, the installed horalink checked the clock ($result), and uninstalled"
