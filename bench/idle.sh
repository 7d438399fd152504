#!/bin/bash
# CPU the program uses with the rotation on and nothing due, against a
# program that only runs a message loop, over the same time in one run.
#   bench/idle.sh [BUILD_DIR] [SECONDS]     (build/i686, build/x86_64 where nothing 32-bit runs; 300 s by default)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# The primary build, where the kernel can run 32-bit programs.
arch=i686
"$root/tools/wine-env" runs-32bit || arch=x86_64
build=$(cd "${1:-$root/build/$arch}" && pwd)
secs=${2:-300}
source "$root/tools/wine-env" start --xvfb >/dev/null
trap 'source "$root/tools/wine-env" stop' EXIT
app="$WINEPREFIX/drive_c/idle 测试"
mkdir -p "$app/Wallpaper"
cp "$build/qingchuang.exe" "$app/"
convert -size 640x480 gradient:blue-white "$app/Wallpaper/one.bmp"
key='HKCU\Software\VB and VBA Program Settings\ravek\setting'
wine reg add "$key" /v ppdir /t REG_SZ /d 1 /f >/dev/null 2>&1
wine reg add "$key" /v chgtime /t REG_SZ /d 999 /f >/dev/null 2>&1

# CPU seconds (user + system) of the process whose name starts with $1.
cpu() {
    local pid
    pid=$(pgrep -n -f "$1") || { echo 0; return; }
    awk -v hz="$(getconf CLK_TCK)" '{ print ($14 + $15) / hz }' "/proc/$pid/stat"
}
measure() {  # exe name: prints the share of one core in percent
    wine "$1" >/dev/null 2>&1 &
    sleep 10  # start-up and the first ticks are not idle
    local a b
    a=$(cpu "$(basename "$1")")
    sleep "$secs"
    b=$(cpu "$(basename "$1")")
    pkill -f "$(basename "$1")" || true
    sleep 1
    awk -v a="$a" -v b="$b" -v s="$secs" 'BEGIN { printf "%.4f", (b - a) * 100 / s }'
}
program=$(measure "$app/qingchuang.exe")
baseline=$(measure "$build/minimal_window.exe")
echo "idle over ${secs} s: program ${program} % of one core, message loop alone ${baseline} %"
awk -v p="$program" -v b="$baseline" 'BEGIN { if (b > 0) printf "program/baseline ratio: %.2f\n", p / b; else print "baseline used no measurable CPU" }'
