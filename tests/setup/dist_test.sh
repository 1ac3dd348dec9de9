#!/usr/bin/env bash
# The install folder dist/ after a build: setup and its files are there, the product
# archive setup.fil holds exactly the product's files in their order (the help file when
# the build made one), each the same as in bin/, and setup.cfg reads as key=value lines.
#
#   dist_test.sh BUILDDIR        (ctest passes the build folder)
set -uo pipefail

build=${1:?usage: dist_test.sh BUILDDIR}
dist=$build/dist
bin=$build/bin
failed=0

fail() {
    echo "FAIL: $*"
    failed=1
}

for f in setup.exe setupenglish.dll setupgerman.dll setup.cfg setup.fil; do
    [ -s "$dist/$f" ] || fail "$dist/$f is missing or empty"
done
for f in setup.exe setupenglish.dll setupgerman.dll; do
    cmp -s "$dist/$f" "$bin/$f" || fail "dist/$f differs from bin/$f"
done
[ $failed -eq 0 ] || exit 1

expected=(horalink.exe service.exe service.cfg horalinkenglish.dll horalinkgerman.dll
          horalinktipsenglish.txt horalinktipsgerman.txt)
[ -f "$bin/horalink.chm" ] && expected+=(horalink.chm horalink.ids)
entries=$(unzip -Z1 "$dist/setup.fil") || { echo "FAIL: unzip cannot read setup.fil"; exit 1; }
if [ "$entries" != "$(printf '%s\n' "${expected[@]}")" ]; then
    fail "setup.fil holds:"$'\n'"$entries"$'\n'"expected:"$'\n'"$(printf '%s\n' "${expected[@]}")"
fi
for f in "${expected[@]}"; do
    unzip -p "$dist/setup.fil" "$f" | cmp -s - "$bin/$f" || fail "$f in setup.fil differs from bin/$f"
done

# Every line but a "// " comment (on a line of its own) or an empty one is key=value;
# a backslash in a value comes in twos.
n=0
while IFS= read -r line || [ -n "$line" ]; do
    n=$((n + 1))
    line=${line%$'\r'}
    case $line in
        "// "* | "") continue ;;
        [A-Za-z]*=*) ;;
        *) fail "setup.cfg line $n is not key=value: $line" ;;
    esac
    [[ $line == *" // "* ]] && fail "setup.cfg line $n has a comment after its value: $line"
    rest=${line//\\\\/}
    [[ $rest == *\\* ]] && fail "setup.cfg line $n has a single backslash: $line"
done <"$dist/setup.cfg"
grep -qx 'AppName=Horalink' <(tr -d '\r' <"$dist/setup.cfg") || fail "setup.cfg does not name AppName=Horalink"

[ $failed -eq 0 ] && echo "dist/ is complete"
exit $failed
