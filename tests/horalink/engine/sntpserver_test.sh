#!/usr/bin/env bash
# Interop: the LAN server's SNTP server (SNTPRESPONDER, through tests/sntpserve.exe
# under Wine with the real clock) on UDP port 123, asked by a real client, ntpdate.
# Both sides read this machine's own clock, so the offset ntpdate measures must be
# close to zero; a server that says it is not synchronised must be refused.
#
#   sntpserver_test.sh BUILDDIR        (ctest passes the build folder)
#
# ntpdate always asks port 123, which chronyd of the other interop tests also wants:
# the test takes the same machine-wide lock as scripts/localntp.
#
# Exit codes: 0 passed, 1 failed, 77 skipped (port 123 cannot be had).
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)
lock=/tmp/horalink-localntp.lock
tolerance_ms=5

build=${1:?usage: sntpserver_test.sh BUILDDIR}
build=$(cd "$build" && pwd)
tool=$build/tests/sntpserve.exe
[ -f "$tool" ] || { echo "FAIL: $tool is not built"; exit 1; }
work=$(mktemp -d)
server=""

stop_server() {
    [ -n "$server" ] || return 0
    : >"$work/stop"
    wait "$server" 2>/dev/null
    server=""
    cat "$work/server.out" 2>/dev/null | tr -d '\r' | sed 's/^/server: /'
}
trap 'stop_server; rm -rf "$work"' EXIT

fail() {
    echo "FAIL: $*"
    exit 1
}

skip() {
    echo "SKIPPED: $*"
    exit 77
}

# Starts the server in state on port 123 and waits until it answers.
start_server() {
    local state=$1
    rm -f "$work/stop" "$work/server.out"
    "$root/scripts/winerun" --prefix "$build/wineprefix" "$tool" 123 "$state" "Z:${work//\//\\}\\stop" 120 \
        >"$work/server.out" 2>&1 &
    server=$!
    for _ in $(seq 1 300); do
        grep -q '^serving 123' "$work/server.out" 2>/dev/null && return 0
        if grep -q '^refused' "$work/server.out" 2>/dev/null || ! kill -0 "$server" 2>/dev/null; then
            local why
            why=$(tr -d '\r' <"$work/server.out")
            server=""
            skip "sntpserve cannot serve on UDP port 123: $why"
        fi
        sleep 0.1
    done
    fail "sntpserve did not start within 30 s"
}

exec 9>"$lock"
flock -w 900 9 || skip "waited too long for port 123 (the machine-wide lock)"
if ss -Hlun 2>/dev/null | awk '{print $4}' | grep -Eq '^(127\.0\.0\.1|0\.0\.0\.0|\*|\[::\]):123$'; then
    skip "UDP port 123 is taken: $(ss -Hlunp 2>/dev/null | grep ':123 ' | tr '\n' ' ')"
fi

# Not synchronised (leap indicator 3): ntpdate must refuse the reply.
start_server unsynchronised
out=$(ntpdate -q -p 1 127.0.0.1 2>&1)
rc=$?
echo "ntpdate (unsynchronised, exit $rc): $out"
grep -q "leap not in sync" <<<"$out" || fail "ntpdate did not refuse an unsynchronised server"
awk '{for (i = 2; i < NF; i++) if ($i == "+/-") found = 1} END {exit !found}' <<<"$out" &&
    fail "ntpdate took a time from an unsynchronised server"
stop_server

# Synchronised: ntpdate takes the reply, at stratum 3, and finds the clock right.
start_server synchronised
best=""
for i in 1 2 3; do
    out=$(ntpdate -q -p 1 127.0.0.1 2>&1) || fail "ntpdate -q 127.0.0.1 failed: $out"
    echo "ntpdate $i: $out"
    grep -Eq ' s3 ' <<<"$out" || fail "ntpdate did not see stratum 3"
    offset=$(awk '{for (i = 2; i < NF; i++) if ($i == "+/-") {print $(i - 1) * 1000; exit}}' <<<"$out")
    [ -n "$offset" ] || fail "no offset in the ntpdate output"
    if [ -z "$best" ] || awk -v o="$offset" -v b="$best" 'BEGIN {exit !((o < 0 ? -o : o) < (b < 0 ? -b : b))}'; then
        best=$offset
    fi
done
stop_server
awk -v o="$best" -v t=$tolerance_ms 'BEGIN {
    printf "smallest offset %.3f ms (tolerance %d ms)\n", o, t
    exit !((o < 0 ? -o : o) <= t)
}' || fail "the offset ntpdate measured is larger than $tolerance_ms ms"
echo "PASS"
