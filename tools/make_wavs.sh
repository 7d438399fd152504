#!/usr/bin/env bash
# Builds the 24 sound recordings under resources/wav/ and the resource lines
# that carry them (resources/wav/sounds.rc.inc).
#
# Needs espeak-ng, sox and awk. The output is the same on every run: the tones are
# computed here, sox runs without dither, and the WAV headers are written here, so every file is
# a plain RIFF/WAVE image with just a 16-byte PCM fmt chunk and a data chunk.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/resources/wav"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"

# The Chinese-character dictionary of the Mandarin voice is incomplete (unknown
# characters are read out as English), so the words are given as tone-numbered
# pinyin to the Mandarin voice that reads pinyin.
voice=cmn-latn-pinyin
speed=150
# Intermediate files as 32-bit float so mixing and levelling lose nothing.
float=(-e floating-point -b 32)

# Little-endian integer of $2 bytes.
le() {
    local v=$1 n=$2 s="" i
    for ((i = 0; i < n; i++)); do
        s+=$(printf '\\x%02x' $(((v >> (8 * i)) & 255)))
    done
    printf '%b' "$s"
}

# emit RAW RATE BITS OUT: wraps raw mono PCM in a RIFF/WAVE header.
emit() {
    local raw=$1 rate=$2 bits=$3 dst=$4
    local align=$((bits / 8))
    # An even data size keeps the image free of a pad byte; the extra sample is silence.
    if (($(stat -c %s "$raw") % 2)); then
        if ((bits == 8)); then printf '\x80' >>"$raw"; else printf '\x00' >>"$raw"; fi
    fi
    local size
    size=$(stat -c %s "$raw")
    {
        printf 'RIFF'
        le $((36 + size)) 4
        printf 'WAVEfmt '
        le 16 4
        le 1 2                    # PCM
        le 1 2                    # mono
        le "$rate" 4
        le $((rate * align)) 4
        le "$align" 2
        le "$bits" 2
        printf 'data'
        le "$size" 4
        cat "$raw"
    } >"$dst"
}

# finish IN RATE BITS NAME [GAIN]: levels a sound to a -3 dB peak, then by GAIN dB
# for steady tones that would sound louder than speech at the same peak, and writes
# resources/wav/NAME.wav.
finish() {
    local src=$1 rate=$2 bits=$3 name=$4 gain=${5:-0} enc=signed-integer
    ((bits == 8)) && enc=unsigned-integer
    sox -R -D "$src" -t raw -r "$rate" -b "$bits" -e "$enc" -c 1 "$work/$name.raw" norm -3 gain "$gain"
    emit "$work/$name.raw" "$rate" "$bits" "$out/$name.wav"
}

# speak NAME PINYIN: one spoken piece, trimmed so pieces played in a row flow.
speak() {
    local name=$1 text=$2
    espeak-ng -v "$voice" -s "$speed" -w "$work/$name.tts.wav" "$text" 2>/dev/null
    sox -R -D "$work/$name.tts.wav" "${float[@]}" "$work/$name.trim.wav" norm -3 \
        silence 1 0.005 -45d reverse silence 1 0.005 -45d reverse pad 0.008 0.025
    finish "$work/$name.trim.wav" 22050 8 "$name"
}

# render OUT RATE LENGTH < SCORE: synthesises a score of notes, one per line as
# "start frequency length timbre", into a float WAV of LENGTH seconds.
# Struck timbres are sums of partials "ratio amplitude decay", each dying away
# exponentially by 60 dB over decay * length (higher partials sooner, as on a
# bell); the steady timbre holds its level and has soft edges.
render() {
    local dst=$1 rate=$2 len=$3
    awk -v rate="$rate" -v len="$len" '
        BEGIN {
            timbre["church"] = "0.5 0.45 1.0|1.0 1.0 0.85|1.19 0.45 0.6|1.5 0.25 0.45|2.0 0.55 0.4|" \
                               "2.52 0.18 0.3|3.0 0.14 0.22|4.2 0.08 0.12|5.4 0.06 0.04"
            timbre["soft"] = "1.0 1.0 1.0|2.0 0.25 0.5|3.0 0.08 0.3|4.0 0.12 0.15"
            timbre["bright"] = "1.0 1.0 1.0|2.0 0.35 0.6|3.0 0.2 0.4|4.0 0.1 0.2"
            timbre["steady"] = "1.0 0.8 0|3.0 0.2 0|5.0 0.08 0"
            pi = atan2(0, -1)
            total = int(len * rate + 0.5)
        }
        NF == 4 {
            np = split(timbre[$4], parts, "|")
            if (np == 0) { print "unknown timbre " $4 > "/dev/stderr"; exit 1 }
            first = int($1 * rate + 0.5)
            for (p = 1; p <= np; p++) {
                split(parts[p], q, " ")
                f = $2 * q[1]
                if (f >= rate / 2) continue
                ring = q[3] > 0 ? $3 * q[3] : $3
                n = int(ring * rate)
                for (i = 0; i < n && first + i < total; i++) {
                    t = i / rate
                    if (q[3] > 0) {
                        env = exp(-6.907755 * t / ring)
                        if (t < 0.003) env *= t / 0.003
                    } else {
                        env = 1
                        if (t < 0.012) env = t / 0.012
                        if (ring - t < 0.03) env = (ring - t) / 0.03
                    }
                    mix[first + i] += q[2] * env * sin(2 * pi * f * t)
                }
            }
        }
        END {
            peak = 0
            for (i = 0; i < total; i++) {
                if (mix[i] > peak) peak = mix[i]
                if (-mix[i] > peak) peak = -mix[i]
            }
            if (peak == 0) peak = 1
            printf "; Sample Rate %d\n; Channels 1\n", rate
            tail = int(0.15 * rate)  # the cut at LENGTH fades out, never clicks
            for (i = 0; i < total; i++) {
                g = total - i < tail ? (total - i) / tail : 1
                printf "%.8f %.6f\n", i / rate, mix[i] / peak * 0.9 * g
            }
        }' >"$dst.dat"
    sox -R "$dst.dat" "${float[@]}" "$dst"
}

# --- Spoken pieces ---------------------------------------------------------
speak today "jin1tian1shi4"
speak year "nian2"
speak month "yue4"
speak day "ri4"
speak week "xing1qi1"
speak now "xian4zai4 shi2jian1 shi4"
speak hour "dian3"
speak minute "fen1"
speak just "zheng3"
digits=(ling2 yi1 er4 san1 si4 wu3 liu4 qi1 ba1 jiu3 shi2)
for d in {0..10}; do
    speak "t$d" "${digits[$d]}"
done

# --- Hourly chime: a four-bell phrase, then the hour bell strikes ----------
render "$work/clock.wav" 11025 7.3 <<'EOF'
0.00 415.30 2.6 church
0.55 369.99 2.6 church
1.10 329.63 2.6 church
1.65 246.94 3.2 church
3.00 164.81 2.8 church
4.20 164.81 2.8 church
5.40 164.81 2.8 church
EOF
finish "$work/clock.wav" 11025 8 clock

# --- Reminder: a soft two-note signal, twice ---------------------------------
render "$work/message.wav" 11025 4.1 <<'EOF'
0.00 659.26 1.9 soft
0.45 523.25 2.2 soft
1.70 659.26 1.9 soft
2.15 523.25 2.2 soft
EOF
finish "$work/message.wav" 11025 8 message

# --- Shutdown warning: an insistent high-low call ---------------------------
for k in 0 1 2 3 4; do
    awk -v k=$k 'BEGIN { t = k * 0.62; printf "%.2f 880 0.22 steady\n%.2f 659.26 0.22 steady\n", t, t + 0.25 }'
done | render "$work/close.wav" 11025 3.1
finish "$work/close.wav" 11025 8 close -8

# --- Online: a quick rising arpeggio ------------------------------------------
render "$work/online.wav" 22050 0.9 <<'EOF'
0.00 523.25 0.6 bright
0.09 659.26 0.6 bright
0.18 783.99 0.6 bright
0.27 1046.50 0.6 bright
EOF
finish "$work/online.wav" 22050 16 online

# --- Resource lines -----------------------------------------------------------
{
    echo "// Generated by tools/make_wavs.sh: the program's sounds, as custom WAV resources."
    for n in today year month day week now hour minute just t0 t1 t2 t3 t4 t5 t6 t7 t8 t9 t10 \
        clock message close online; do
        printf '%-8s WAV "wav/%s.wav"\n' "${n^^}" "$n"
    done
} >"$out/sounds.rc.inc"
