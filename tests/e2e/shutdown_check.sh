#!/bin/bash
# The timed shutdown ends the whole Wine session, so it is checked in a Wine
# environment of its own: a test in it arms the shutdown for the coming
# minute and notes when it saw the warning; this script sees the end.
#   shutdown_check.sh duties_test.exe
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
unset WINE_ENV_DIR WINE_ENV_STATE WINEPREFIX
source "$root/tools/wine-env" start --xvfb || exit 1
trap 'source "$root/tools/wine-env" stop' EXIT
log=$(mktemp)
secs() { local h m s; IFS=: read -r h m s <<<"$(date +%H:%M:%S)"; echo $((10#$h * 3600 + 10#$m * 60 + 10#$s)); }
E2E_SHUTDOWN_LOG=$(winepath -w "$log") timeout 180 wine "$1" --gtest_also_run_disabled_tests \
    --gtest_filter='*ShutdownInAPrefixOfItsOwn' || true
ended=$(grep -oP '^ended \K\d+' "$log" || secs)
cat "$log"
due=$(grep -oP '^due \K\d+' "$log") || { echo "FAIL: no shutdown armed"; exit 1; }
warned=$(grep -oP '^warned \K\d+' "$log") || { echo "FAIL: no warning"; exit 1; }
late() { echo $(( ($1 - due + 86400) % 86400 )); }
echo "warning $(late "$warned") s and end $(late "$ended") s after the minute began"
(( $(late "$warned") <= 3 )) || { echo "FAIL: the warning came late"; exit 1; }
(( $(late "$ended") >= 30 && $(late "$ended") <= 40 )) || { echo "FAIL: the program did not end at second 30"; exit 1; }
echo PASS
