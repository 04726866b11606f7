#!/usr/bin/env bash
# A long batch: FILES (default 500) short files through veltrano-convert and
# through the window's batch code, with the resident memory sampled as each
# file is passed. Prints, for each, the memory at the 50th file, the lowest
# and highest from there to the last, and the growth.
#   bench/long_batch.sh [BUILD_DIR] [FILES]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build}"
count="${2:-500}"
work="$build/bench/long_batch"
convert="$build/cli/veltrano-convert"
window="$build/bench/veltrano_long_batch_window"
mkdir -p "$work/src"

ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }

# Three kinds of source (two seconds each), copied under FILES names.
ff -f lavfi -i "sine=frequency=440:sample_rate=44100:duration=2" -ac 2 "$work/a.wav"
ff -f lavfi -i "anoisesrc=d=2:r=48000:a=0.2" -ac 6 -c:a flac "$work/b.flac"
ff -f lavfi -i "sine=frequency=660:sample_rate=22050:duration=2" -c:a libvorbis "$work/c.ogg"
rm -f "$work"/src/*
kinds=(a.wav b.flac c.ogg)
for ((i = 0; i < count; i++)); do
    kind=${kinds[i % 3]}
    cp "$work/$kind" "$work/src/$(printf 'song%03d' "$i").${kind#*.}"
done
files=("$work"/src/*)

# "<files passed> <resident KiB>" lines on stdin -> summary from the 50th file on.
summarise() {
    awk -v name="$1" '
        $1 >= 50 && $2 > 0 { if (!seen) { first = $2; lo = $2; hi = $2; seen = 1 }
                             if ($2 < lo) lo = $2; if ($2 > hi) hi = $2; last = $2; n = $1 }
        END { printf "%-8s at file 50: %6d KiB  from 50 to %d: min %6d  max %6d  last %6d  growth %+d KiB\n",
                     name, first, n, lo, hi, last, last - first }'
}

# The command-line converter, sampled from outside every 20 ms.
rm -rf "$work/out-cli" && mkdir -p "$work/out-cli"
"$convert" -f mp3 -o "$work/out-cli" "${files[@]}" >/dev/null 2>&1 &
pid=$!
samples="$work/cli-samples.txt"
: >"$samples"
while kill -0 "$pid" 2>/dev/null; do
    rss=$(awk '/^VmRSS:/ { print $2 }' "/proc/$pid/status" 2>/dev/null || true)
    done_files=$(find "$work/out-cli" -maxdepth 1 -name '*.mp3' | wc -l)
    [[ -n "$rss" ]] && echo "$done_files $rss" >>"$samples"
    sleep 0.02
done
wait "$pid" || true
summarise cli <"$samples"

# The window's batch code, sampled from inside as each row is passed.
rm -rf "$work/out-window" && mkdir -p "$work/out-window"
"$window" "$work/out-window" "${files[@]}" 2>/dev/null >"$work/window-samples.txt"
summarise window <"$work/window-samples.txt"
echo "outputs: cli $(find "$work/out-cli" -name '*.mp3' | wc -l), window $(find "$work/out-window" -name '*.aac' | wc -l) of $count"
