#!/usr/bin/env bash
# What carrying a cover picture costs: ten minutes of FLAC with and without a
# JPEG cover, converted to each format that keeps the picture. The muxer holds
# the sound back until it has interleaved it with the picture stream, so the
# peak memory is the figure to watch.
#   bench/cover_art.sh [BUILD_DIR] [RUNS]
# Prints one line per format: best wall time and peak memory (KiB) of RUNS
# runs without and with the cover.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build}"
runs="${2:-3}"
convert="$build/cli/veltrano-convert"
work="$build/bench/cover"
mkdir -p "$work"

ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }

if [[ ! -f "$work/cover.flac" ]]; then
    ff -f lavfi -i "sine=frequency=440:sample_rate=44100:duration=600" -ac 2 -c:a flac \
        "$work/plain.flac"
    ff -f lavfi -i "testsrc=size=600x600:rate=1" -frames:v 1 -q:v 2 "$work/cover.jpg"
    ff -i "$work/plain.flac" -i "$work/cover.jpg" -map 0 -map 1 -c copy \
        -disposition:v attached_pic "$work/cover.flac"
fi

measure() {
    local best="" mem=0 line t m
    for ((i = 0; i < runs; i++)); do
        rm -rf "$work/out" && mkdir -p "$work/out"
        line=$(/usr/bin/time -f "%e %M" "$@" 2>&1 >/dev/null | tail -1)
        read -r t m <<<"$line"
        if [[ -z "$best" ]] || (($(echo "$t < $best" | bc -l))); then best=$t; fi
        ((m > mem)) && mem=$m
    done
    echo "$best $mem"
}

printf '%-6s %12s %12s %12s %12s\n' format plain_s plain_KiB cover_s cover_KiB
for format in mp3 flac m4a ogg; do
    read -r plain plain_mem < <(measure "$convert" -f "$format" -o "$work/out" "$work/plain.flac")
    read -r cover cover_mem < <(measure "$convert" -f "$format" -o "$work/out" "$work/cover.flac")
    printf '%-6s %12s %12s %12s %12s\n' "$format" "$plain" "$plain_mem" "$cover" "$cover_mem"
done
