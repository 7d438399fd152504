#!/usr/bin/env bash
# Builds help.chm from resources/help into the folder given as the argument.
#
#     tools/make_help.sh OUTPUT_FOLDER
#
# The sources are UTF-8. The help viewer reads the contents and the index in the
# code page of the help file's language (936 for Chinese, PRC), so every text
# file is converted to GBK and the pages are relabelled gb2312 before compiling.
set -euo pipefail

if [ $# -ne 1 ]; then
    echo "usage: $0 OUTPUT_FOLDER" >&2
    exit 2
fi
out=$1
src=$(cd "$(dirname "$0")/../resources/help" && pwd)

if ! command -v chmcmd >/dev/null 2>&1; then
    echo "$0: chmcmd not found (package fp-utils)" >&2
    exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for f in "$src"/*.html "$src"/*.hhc "$src"/*.hhk "$src"/*.hhp "$src"/*.css; do
    # The charset label is swapped while the text is still UTF-8; iconv stops
    # on any character GBK cannot hold, so nothing is lost silently.
    sed 's/charset=utf-8/charset=gb2312/' "$f" | iconv -f UTF-8 -t GBK > "$work/$(basename "$f")"
done

# chmcmd exits 0 after a broken link or an undefined anchor; it only says so.
log="$work/chmcmd.log"
if ! (cd "$work" && chmcmd --verbosity 1 help.hhp) > "$log" 2>&1; then
    iconv -f GBK -t UTF-8 -c "$log" >&2
    exit 1
fi
if grep -qE '^(Warning|Error):' "$log" || [ ! -s "$work/help.chm" ]; then
    iconv -f GBK -t UTF-8 -c "$log" >&2
    echo "$0: chmcmd did not build help.chm" >&2
    exit 1
fi

mkdir -p "$out"
cp "$work/help.chm" "$out/help.chm"
echo "$out/help.chm: $(stat -c %s "$out/help.chm") bytes"
