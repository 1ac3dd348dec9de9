#!/usr/bin/env bash
# The installer's ZIP engine against archives made by Info-ZIP's zip: its listing
# table equals "unzip -v" (names, sizes, total), every entry extracted one by one
# equals the file that went in, byte for byte, folders included; archives beyond
# the table (251 entries, a 150-character name) are refused whole.
#
#   zip_test.sh BUILDDIR        (ctest passes the build folder)
set -uo pipefail

build=${1:?usage: zip_test.sh BUILDDIR}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
tool=$build/tests/unziptool.exe
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0

fail() {
    echo "FAIL: $*"
    failed=1
}

# The engine under Wine; Linux paths become Z: paths.
unziptool() {
    "$root/scripts/winerun" --prefix "$build/wineprefix" "$tool" "$@" | tr -d '\r'
    return "${PIPESTATUS[0]}"
}

# unzip -v's table as "size<TAB>name" lines and the total line.
reference() {
    unzip -v "$1" | awk '
        /^--------/ { part++; next }
        part == 1 { name = $0; for (i = 0; i < 7; i++) sub(/^ *[^ ]+/, "", name); sub(/^ +/, "", name)
                    print $1 "\t" name }
        part == 2 { print "total\t" $1; exit }'
}

# The files that go in: text and random bytes of several sizes, an empty file, and
# folders, one of them empty.
src=$work/src
mkdir -p "$src/sub/deep" "$src/empty folder"
for i in $(seq 1 200); do echo "line $i of a text that deflates well"; done >"$src/text.txt"
head -c 300000 /dev/urandom >"$src/random.bin"
head -c 1 /dev/urandom >"$src/sub/one.bin"
: >"$src/sub/empty.txt"
printf 'deep\r\n' >"$src/sub/deep/file with blanks.txt"

(cd "$src" && zip -q -r -0 "$work/stored.zip" . && zip -q -r -9 "$work/deflated.zip" .)

many=$work/many
mkdir -p "$many"
for i in $(seq 1 250); do echo "file $i" >"$many/f$i.txt"; done
(cd "$many" && zip -q "$work/many.zip" ./*.txt)
echo "one more" >"$many/f251.txt"
(cd "$many" && zip -q "$work/toomany.zip" ./*.txt)

long=$work/long
mkdir -p "$long"
name149=$(printf 'n%.0s' $(seq 1 145)).txt
name150=$(printf 'n%.0s' $(seq 1 146)).txt
echo "long" >"$long/$name149"
(cd "$long" && zip -q "$work/long.zip" "$name149")
echo "longer" >"$long/$name150"
(cd "$long" && zip -q "$work/toolong.zip" "$name150")

for archive in stored deflated many long; do
    zip=$work/$archive.zip
    listing=$(unziptool -v "Z:$zip") || fail "$archive.zip: listing failed: $listing"
    expected=$(reference "$zip")
    [ "$listing" = "$expected" ] || fail "$archive.zip lists as"$'\n'"$listing"$'\n'"unzip -v:"$'\n'"$expected"
    out=$work/out-$archive
    if [ $archive = many ]; then
        # One run for all 250 (a start of Wine for each would take long).
        message=$(unziptool -all "Z:$zip" "Z:$out") || fail "$archive.zip: $message"
    else
        while IFS=$'\t' read -r size name; do
            [ "$size" = total ] && continue
            message=$(unziptool -qq "Z:$zip" "$name" -d "Z:$out") || fail "$archive.zip: $name: $message"
        done <<<"$listing"
    fi
    case $archive in
        many) diff -r "$many" "$out" | grep -v "Only in $many: f251.txt" ;;
        long) [ "$(cat "$out/$name149")" = long ] || echo "$name149 differs" ;;
        *) diff -r "$src" "$out" ;;
    esac | grep . && fail "$archive.zip: the extracted files differ"
    leftovers=$(find "$out" -name 'hlz*.tmp')
    [ -z "$leftovers" ] || fail "$archive.zip left temporary files: $leftovers"
done

# Extraction replaces a file that is there, read-only or not.
chmod 0444 "$work/out-deflated/text.txt" 2>/dev/null
echo "old" >"$work/out-stored/text.txt"
unziptool -qq "Z:$work/deflated.zip" text.txt -d "Z:$work/out-stored" >/dev/null ||
    fail "an existing text.txt is not replaced"
cmp -s "$src/text.txt" "$work/out-stored/text.txt" || fail "the replaced text.txt differs"

# An entry that is not there.
message=$(unziptool -qq "Z:$work/deflated.zip" nothere.txt -d "Z:$work/out-none")
[ $? -eq 11 ] || fail "a missing entry does not give 11: $message"

for archive in toomany toolong; do
    message=$(unziptool -v "Z:$work/$archive.zip")
    code=$?
    [ $code -eq 12 ] || fail "$archive.zip is not refused with 12 (got $code): $message"
    case $archive in
        toomany) want="error: more than 250 entries (251)" ;;
        toolong) want="error: an entry name is longer than 149 characters" ;;
    esac
    [ "$message" = "$want" ] || fail "$archive.zip says: $message"
done

# A file that is no archive, and one that is missing.
head -c 5000 /dev/urandom >"$work/noise.zip"
message=$(unziptool -v "Z:$work/noise.zip")
[ $? -eq 9 ] && [ "$message" = "error: not a ZIP archive" ] || fail "noise.zip: $message"
message=$(unziptool -v "Z:$work/missing.zip")
[ $? -eq 9 ] && [ "$message" = "error: cannot open the archive" ] || fail "missing.zip: $message"

[ $failed -eq 0 ] && echo "zip_test: all passed"
exit $failed
