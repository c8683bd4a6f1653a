#!/bin/bash
# Lists the screenshots that differ between two dev/windowshots.sh runs, with
# the number of pixels that changed; exits 1 if any differ or are missing.
#
#   dev/windowshots-compare.sh A B [DIFF_DIR]
#
# With DIFF_DIR, a difference image of each changed shot is written there.
set -uo pipefail

if [ $# -lt 2 ] || [ $# -gt 3 ]; then
    echo "usage: $0 A B [DIFF_DIR]" >&2
    exit 2
fi
A=$1
B=$2
DIFF=${3:-}
[ -n "$DIFF" ] && mkdir -p "$DIFF"

status=0
same=0
for a in "$A"/*.png; do
    name=$(basename "$a")
    b=$B/$name
    if [ ! -f "$b" ]; then
        echo "$name: missing in $B"
        status=1
        continue
    fi
    out=${DIFF:+$DIFF/$name}
    pixels=$(compare -metric AE "$a" "$b" "${out:-null:}" 2>&1 >/dev/null)
    if [ "$pixels" != "0" ]; then
        echo "$name: $pixels pixels differ"
        status=1
    else
        same=$((same + 1))
    fi
done
for b in "$B"/*.png; do
    [ -f "$A/$(basename "$b")" ] || { echo "$(basename "$b"): missing in $A"; status=1; }
done
echo "$same identical"
exit $status
