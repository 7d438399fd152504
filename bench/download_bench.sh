#!/bin/bash
# The program's picture queue against curl: a list site of N pictures of
# about 500 KB (50 by default) served by a private nginx on 127.0.0.1, fetched
#   (a) by curl, one invocation per address, one after another: the list,
#       then each picture; and by one curl with every address, over one
#       connection, the baseline of the ratio;
#   (b) by the program under Wine in a fresh environment, listhost pointing at
#       the site and chgtime 99: from the start of its list request (nginx's
#       access log, to the millisecond) until its last picture file is in
#       place with the served bytes (polled every 50 ms); the log's answer
#       to its last picture request is shown too.
# Prints the times and "queue/curl ratio: X" against one curl over one
# connection (the goal is at most 2), and when the list request starts.
#   bench/download_bench.sh [pictures] [build-dir]     (build-dir: build/i686, build/x86_64 where nothing 32-bit runs)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# The primary build, where the kernel can run 32-bit programs.
arch=i686
"$root/tools/wine-env" runs-32bit || arch=x86_64
count=${1:-50}
build=${2:-$root/build/$arch}
limit=300
[[ "$count" =~ ^[0-9]+$ ]] && ((count >= 1)) || { echo "download_bench.sh: bad picture count '$count'" >&2; exit 2; }
if [[ ! -f "$build/qingchuang.exe" ]]; then
    echo "download_bench.sh: no $build/qingchuang.exe; run scripts/build $arch" >&2
    exit 2
fi

now_ms() { echo $(($(date +%s%N) / 1000000)); }
port_free() { ! (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

work=$(mktemp -d "${TMPDIR:-/tmp}/download-bench.XXXXXX")
nginx_on=0
wine_on=0
cleanup() {
    local rc=$?
    if ((wine_on)); then source "$root/tools/wine-env" stop || true; fi
    if ((nginx_on)); then "$root/tools/serve-list-site" --stop "$work/nginx/nginx.pid" || true; fi
    rm -rf "$work"
    exit "$rc"
}
trap cleanup EXIT

echo "== making $count pictures"
mkdir -p "$work/pictures"
for i in $(seq 1 "$count"); do
    convert -size 1050x740 -seed "$i" plasma: -quality 95 "$(printf '%s/pictures/bench-%03d.jpg' "$work" "$i")"
done
echo "   $(du -sk "$work/pictures" | cut -f1) KiB in all"

port=""
for p in $(seq 18090 18190); do port_free "$p" && { port=$p; break; }; done
[[ -n "$port" ]] || { echo "download_bench.sh: no free port" >&2; exit 1; }
base="http://127.0.0.1:$port"
"$root/tools/make-list-site" "$work/pictures" "$base" "$work/site" 2>/dev/null
mapfile -t served < <(cd "$work/site/pictures" && LC_ALL=C ls)
"$root/tools/serve-list-site" --timed-log --dir "$work/nginx" "$work/site" "$port" >/dev/null
nginx_on=1
log=$work/nginx/access.log

echo "== (a) curl, one invocation per address"
mkdir -p "$work/curl"
urls=("$base/deskurl.asp")
for name in "${served[@]}"; do urls+=("$base/pictures/$name"); done
t0=$(now_ms)
for i in "${!urls[@]}"; do
    curl -s -f --noproxy '*' -o "$work/curl/$i" "${urls[i]}"
done
curl_ms=$(($(now_ms) - t0))
for i in "${!served[@]}"; do
    cmp -s "$work/curl/$((i + 1))" "$work/site/pictures/${served[i]}" ||
        { echo "download_bench.sh: curl got a different ${served[i]}" >&2; exit 1; }
done
echo "   ${#urls[@]} addresses in $curl_ms ms"
mkdir -p "$work/curl1"
args=()
for i in "${!urls[@]}"; do args+=(-o "$work/curl1/$i" "${urls[i]}"); done
t0=$(now_ms)
curl -s -f --noproxy '*' "${args[@]}"
one_ms=$(($(now_ms) - t0))
cmp -s "$work/curl1/$count" "$work/site/pictures/${served[count - 1]}" ||
    { echo "download_bench.sh: one curl got a different last picture" >&2; exit 1; }
echo "   one curl, one connection: ${#urls[@]} addresses in $one_ms ms"

echo "== (b) the program under Wine"
source "$root/tools/wine-env" start --xvfb --audio
wine_on=1
app="$WINEPREFIX/drive_c/Program Files/晴窗画匣"
mkdir -p "$app"
cp "$build/qingchuang.exe" "$app/"
key='HKCU\Software\VB and VBA Program Settings\ravek\setting'
wine reg add "$key" /v listhost /t REG_SZ /d "127.0.0.1:$port" /f >/dev/null 2>&1
wine reg add "$key" /v chgtime /t REG_SZ /d 99 /f >/dev/null 2>&1
lines_before=$(wc -l <"$log")
started=$(now_ms)
wine "$app/qingchuang.exe" >/dev/null 2>&1 &
prog=$!

last=$((count - 1))
last_file="$app/Wallpaper/Tirnaco$last.jpg"
last_size=$(stat -c %s "$work/site/pictures/${served[last]}")
done_ms=""
while (($(now_ms) - started < limit * 1000)); do
    if [[ -f "$last_file" && "$(stat -c %s "$last_file" 2>/dev/null)" == "$last_size" ]]; then
        done_ms=$(now_ms)
        break
    fi
    kill -0 "$prog" 2>/dev/null || break
    sleep 0.05
done

# The program's requests: "<msec> <request_time> <status> <bytes> "GET <path> ...""
tail -n +"$((lines_before + 1))" "$log" >"$work/program.log"
list_start=$(awk '$5 == "\"GET" && $6 == "/deskurl.asp" { printf "%.0f\n", ($1 - $2) * 1000; exit }' "$work/program.log")
last_answer=$(awk -v p="/pictures/${served[last]}" '$5 == "\"GET" && $6 == p { printf "%.0f\n", $1 * 1000 }' \
    "$work/program.log" | tail -1)
requests=$(grep -c '"GET /pictures/' "$work/program.log" || true)
failed=$(awk '$3 != 200' "$work/program.log" | wc -l)

if [[ -z "$done_ms" || -z "$list_start" ]]; then
    echo "download_bench.sh: the program did not fetch all $count pictures within $limit s" >&2
    echo "   list requests: $(grep -c '/deskurl.asp' "$work/program.log" || true), picture requests: $requests," \
        "files: $(find "$app/Wallpaper" -name 'Tirnaco*' 2>/dev/null | wc -l)" >&2
    tail -5 "$work/program.log" >&2
    exit 1
fi
bad=0
for i in "${!served[@]}"; do
    cmp -s "$app/Wallpaper/Tirnaco$i.jpg" "$work/site/pictures/${served[i]}" || bad=$((bad + 1))
done
queue_ms=$((done_ms - list_start))
echo "   list request started at +$((list_start - started)) ms after launch"
echo "   $requests picture requests, $failed answers other than 200, $bad files differing from the served ones"
[[ -n "$last_answer" ]] && echo "   last picture answered after $((last_answer - list_start)) ms (access log)"
# Where the time goes: the pause between one answer and the next request.
mapfile -t gaps < <(awk '$5 == "\"GET" { start = ($1 - $2) * 1000; if (n++) printf "%.0f\n", start - prev; prev = $1 * 1000 }' \
    "$work/program.log" | sort -n)
((${#gaps[@]})) && echo "   between an answer and the next request: median ${gaps[${#gaps[@]} / 2]} ms, most ${gaps[-1]} ms"
echo "   Tirnaco$last.jpg in place after $queue_ms ms"
echo "curl per address: $curl_ms ms, one curl: $one_ms ms, queue: $queue_ms ms for the list and $count pictures"
awk -v q="$queue_ms" -v c="$curl_ms" 'BEGIN { printf "queue/curl-per-address ratio: %.2f\n", q / (c > 0 ? c : 1) }'
awk -v q="$queue_ms" -v c="$one_ms" 'BEGIN { printf "queue/curl ratio: %.2f\n", q / (c > 0 ? c : 1) }'
((bad == 0))
