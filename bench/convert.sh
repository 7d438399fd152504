#!/bin/bash
# Picture-to-wallpaper conversion of a 3840x2160 JPEG against djpeg writing a
# BMP of the same picture, each timed RUNS times, in one run; then the check
# of the conversion's results on small pictures. Builds nothing.
#   bench/convert.sh [build-dir] [runs]     (build-dir: build/i686, build/x86_64 where nothing 32-bit runs; runs: 9)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# The primary build, where the kernel can run 32-bit programs.
arch=i686
"$root/tools/wine-env" runs-32bit || arch=x86_64
build=$(cd "${1:-$root/build/$arch}" && pwd)
runs=${2:-9}
exe="$build/convert_bench.exe"
[[ -f "$exe" ]] || { echo "convert.sh: no $exe; run scripts/build" >&2; exit 2; }
command -v djpeg >/dev/null || { echo "convert.sh: no djpeg; run scripts/setup" >&2; exit 2; }

work=$(mktemp -d)
source "$root/tools/wine-env" start --xvfb
trap 'source "$root/tools/wine-env" stop; rm -rf "$work"' EXIT
cd "$work"

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

wine "$exe" make picture.jpg
out=$(wine "$exe" time "$runs" picture.jpg | tr -d '\r')
echo "$out"
convert_ms=$(sed -n 's/^convert median: \([0-9.]*\) ms.*/\1/p' <<<"$out")

for ((i = 0; i < runs; i++)); do
    t0=$(date +%s%N)
    djpeg -bmp -outfile djpeg.bmp picture.jpg
    t1=$(date +%s%N)
    echo $(((t1 - t0) / 1000))
done | median >djpeg.us
djpeg_ms=$(awk '{ printf "%.1f", $1 / 1000 }' djpeg.us)
echo "djpeg median: $djpeg_ms ms (whole process, $runs runs)"
awk -v c="$convert_ms" -v d="$djpeg_ms" 'BEGIN { printf "convert/djpeg ratio: %.2f (goal: at most 2)\n", c / d }'

echo "== check"
wine "$exe" check . | tr -d '\r'
