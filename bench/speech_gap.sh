#!/bin/bash
# The gap between the pieces of a spoken announcement against the gap between
# two sounds played back to back, from one recording in a private Wine
# environment with a sound server. Takes one to two minutes: the talking
# clock speaks only once two minute boundaries have passed since start-up.
#   bench/speech_gap.sh [build-dir] [pairs]     (build-dir: build/i686, build/x86_64 where nothing 32-bit runs)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# The primary build, where the kernel can run 32-bit programs.
arch=i686
"$root/tools/wine-env" runs-32bit || arch=x86_64
build=${1:-$root/build/$arch}
pairs=${2:-5}
if [[ ! -f "$build/speech_gap_bench.exe" ]]; then
    echo "speech_gap.sh: no $build/speech_gap_bench.exe; run scripts/build" >&2
    exit 2
fi

source "$root/tools/wine-env" start --audio --xvfb
trap 'source "$root/tools/wine-env" stop' EXIT
wine "$build/speech_gap_bench.exe" "$pairs"
