#!/usr/bin/env bash
# Interop: GetNtpTime (through tests/sntpprobe.exe under Wine) against a real
# SNTP server, chronyd on 127.0.0.1:123, compared with ntpdate's measurement of
# the same server. Both measure this machine's own clock, so they must agree.
#
#   chrony_test.sh BUILDDIR        (ctest passes the build folder)
#
# Exit codes: 0 passed, 1 failed, 77 skipped (no local server could be started).
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)
tolerance_ms=2
samples=5

fail() {
    echo "FAIL: $*"
    exit 1
}

# Runs while the local server is up (started by scripts/localntp run).
measure() {
    local build=$1 probe=$1/tests/sntpprobe.exe
    local ref out rc offset delay refoffset referror
    local best_offset="" best_delay="" ref_offset="" ref_error=""

    # Under load both sides see delays of some milliseconds; as NTP clients do, each
    # side's best sample is used: ntpdate's with the smallest error bound, ours with
    # the shortest round trip. The rounds interleave, so both see the same load.
    for i in $(seq 1 $samples); do
        ref=$(ntpdate -q 127.0.0.1) || fail "ntpdate -q 127.0.0.1 failed: $ref"
        echo "ntpdate $i: $ref"
        read -r refoffset referror < <(awk '{for (i = 2; i < NF; i++) if ($i == "+/-") {
            print $(i - 1) * 1000, $(i + 1) * 1000; exit}}' <<<"$ref")
        [ -n "${referror:-}" ] || fail "no offset in the ntpdate output"
        if [ -z "$ref_error" ] || awk -v e="$referror" -v b="$ref_error" 'BEGIN {exit !(e < b)}'; then
            ref_offset=$refoffset
            ref_error=$referror
        fi

        rc=0
        out=$("$root/scripts/winerun" --prefix "$build/wineprefix" "$probe" 127.0.0.1 | tr -d '\r') || rc=$?
        echo "probe $i (exit $rc): $(tr '\n' ' ' <<<"$out")"
        [ $rc -eq 0 ] || fail "the query failed (exit $rc)"
        grep -qx 'output: +OK 127.0.0.1' <<<"$out" || fail "output is not \"+OK 127.0.0.1\""
        offset=$(sed -n 's/^offset_ms: //p' <<<"$out")
        delay=$(sed -n 's/^delay_s: //p' <<<"$out")
        [ -n "$offset" ] && [ -n "$delay" ] || fail "no offset or delay in the probe output"
        if [ -z "$best_delay" ] || awk -v d="$delay" -v b="$best_delay" 'BEGIN {exit !(d < b)}'; then
            best_offset=$offset
            best_delay=$delay
        fi
    done

    awk -v o="$best_offset" -v r="$ref_offset" -v e="$ref_error" -v dl="$best_delay" -v t=$tolerance_ms 'BEGIN {
        d = o - r; if (d < 0) d = -d
        printf "theta %.3f ms (delay %s s), ntpdate %.3f ms (+/- %.3f ms), difference %.3f ms\n", o, dl, r, e, d
        exit !(d <= t)
    }' || fail "the offsets differ by more than $tolerance_ms ms"
    echo "PASS"
}

if [ "${1:-}" = "--measure" ]; then
    measure "$2"
    exit $?
fi

build=${1:?usage: chrony_test.sh BUILDDIR}
build=$(cd "$build" && pwd)
[ -f "$build/tests/sntpprobe.exe" ] || fail "$build/tests/sntpprobe.exe is not built"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
rc=0
"$root/scripts/localntp" run "$work/ntp" bash "${BASH_SOURCE[0]}" --measure "$build" || rc=$?
if [ $rc -eq 3 ]; then
    echo "SKIPPED: no local SNTP server (chronyd on 127.0.0.1:123) could be started"
    exit 77
fi
exit $rc
