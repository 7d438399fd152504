#!/bin/bash
# The timed shutdown ends the whole Wine session, so it is checked from outside,
# in a Wine environment of its own: the program, armed for the coming minute,
# must be ended at second 30 of it (the warning at second 00 has its own story).
#   shutdown_check.sh qingchuang.exe
set -uo pipefail
unset WINE_ENV_DIR WINE_ENV_STATE WINEPREFIX
source "$(dirname "$0")/../../tools/wine-env" start --xvfb || exit 1
trap 'source "$(dirname "$0")/../../tools/wine-env" stop' EXIT
dir="$WINE_ENV_DIR/晴窗 画匣"
mkdir -p "$dir" && cp "$1" "$dir/"
# Past the start-up greeting's 10 s, which holds back the warning's balloon.
due=$((($(date +%s) + 25 + 59) / 60 * 60))
for v in ppdir=1 justime=0 autoshut=1 shutime1="$(date -d "@$due" +%H)" shutime2="$(date -d "@$due" +%M)" listhost=127.0.0.1:1; do
    wine reg add 'HKCU\Software\VB and VBA Program Settings\ravek\setting' /v "${v%%=*}" /d "${v#*=}" /f \
        >/dev/null 2>&1 || { echo "FAIL: could not store $v"; exit 1; }
done
timeout 150 wine "$dir/qingchuang.exe"
late=$(($(date +%s) - due))
echo "the program ended $late s after the minute began"
((late >= 30 && late <= 40)) || { echo "FAIL: not ended at second 30"; exit 1; }
echo PASS
