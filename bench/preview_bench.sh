#!/usr/bin/env bash
# Preview benchmark: start latency with SDL's dummy sound driver, and seek
# accuracy with its disk driver (what the device plays lands in a file).
#   bench/preview_bench.sh [BUILD_DIR] [RUNS]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build}"
runs="${2:-20}"
bench="$build/bench/vantiro-bench"
work="$build/bench/preview"
mkdir -p "$work"

ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }

# Ten seconds of a rising ramp: each sample's value tells its own time.
ramp="$work/ramp.wav"
[[ -f "$ramp" ]] || ff -f lavfi -i "aevalsrc=t/10:s=44100:d=10" -c:a pcm_s16le "$ramp"
ramp_flac="$work/ramp.flac"
[[ -f "$ramp_flac" ]] || ff -i "$ramp" -c:a flac "$ramp_flac"
video="$work/video.mp4"
[[ -f "$video" ]] || ff -f lavfi -i "testsrc=size=640x360:rate=25:duration=10" \
    -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=10" \
    -c:v mpeg4 -c:a aac -shortest "$video"

echo "== start latency (SDL_AUDIODRIVER=dummy)"
for file in "$ramp" "$video"; do
    printf '%s: ' "$(basename "$file")"
    SDL_AUDIODRIVER=dummy "$bench" start "$file" "$runs"
done

echo "== seek accuracy (SDL_AUDIODRIVER=disk)"
for file in "$ramp" "$ramp_flac"; do
    echo "$(basename "$file"):"
    SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/played.raw" \
        "$bench" seek "$file" "$work/played.raw"
done
