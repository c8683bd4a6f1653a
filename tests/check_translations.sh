#!/usr/bin/env bash
# Fails when a text the interface shows has no finished translation in one of
# translations/*.ts, or a translation drops or adds a %1 placeholder. lupdate
# runs on copies, so a text added to the sources without its translation
# fails here even before anyone has updated the .ts files.
#   check_translations.sh LUPDATE ROOT SOURCE_DIR...
set -euo pipefail
lupdate=$1
root=$2
shift 2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
for ts in "$root"/translations/veltranix_*.ts; do
    copy=$work/$(basename "$ts")
    cp "$ts" "$copy"
    "$lupdate" -silent -no-obsolete -locations none -I "$root/src" "$@" -ts "$copy" >"$work/lupdate.log" 2>&1 ||
        { cat "$work/lupdate.log"; exit 2; }
    awk -v name="$(basename "$ts")" '
        function marks(s,   out, i, seen) {
            while (match(s, /%[0-9]/)) { seen[substr(s, RSTART, 2)] = 1; s = substr(s, RSTART + 2) }
            for (i = 1; i <= 9; i++) if (("%" i) in seen) out = out "%" i
            return out
        }
        /<name>/ { context = $0; gsub(/.*<name>|<\/name>.*/, "", context) }
        /<source>/ { source = $0; gsub(/.*<source>|<\/source>.*/, "", source) }
        /<translation/ {
            text = $0; gsub(/.*<translation[^>]*>|<\/translation>.*/, "", text)
            if ($0 ~ /type="(unfinished|vanished|obsolete)"/ || text == "") {
                printf "%s: %s: no finished translation for \"%s\"\n", name, context, source; bad = 1
            } else if (marks(source) != marks(text)) {
                printf "%s: %s: placeholders differ: \"%s\" -> \"%s\"\n", name, context, source, text; bad = 1
            }
        }
        END { exit bad }' "$copy" || status=1
done
[ "$status" = 0 ] && echo "translations ok: every text has a finished translation"
exit "$status"
