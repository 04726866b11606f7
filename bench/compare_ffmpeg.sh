#!/usr/bin/env bash
# Times veltrano-convert against the ffmpeg program (one thread, same
# settings) on ten minutes of generated audio, and reports peak memory.
#   bench/compare_ffmpeg.sh [BUILD_DIR] [RUNS]
# Prints one line per case: best wall time of RUNS for each, and the ratio.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build}"
runs="${2:-3}"
convert="$build/cli/veltrano-convert"
work="$build/bench"
mkdir -p "$work"

ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }

# Ten minutes of tones over noise: enough structure to keep encoders honest.
make_source() {
    local file="$1" rate="$2"
    [[ -f "$file" ]] && return
    ff -f lavfi -i "sine=frequency=440:sample_rate=$rate:duration=600" \
        -f lavfi -i "anoisesrc=d=600:r=$rate:a=0.1:color=pink" \
        -filter_complex "[0][1]amix=inputs=2,aformat=channel_layouts=stereo" "$file"
}

# Best wall time and peak resident memory (KiB) of RUNS runs of a command.
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

run_case() {
    local name="$1" source="$2" format="$3" ffargs="$4"
    read -r ours ours_mem < <(measure "$convert" -f "$format" -o "$work/out" "$source")
    # shellcheck disable=SC2086
    read -r theirs theirs_mem < <(measure ffmpeg -nostdin -loglevel error -threads 1 -y \
        -i "$source" $ffargs "$work/out/ref.$format")
    printf '%-28s veltrano %6.2fs %7d KiB   ffmpeg -threads 1 %6.2fs %7d KiB   ratio %.2f\n' \
        "$name" "$ours" "$ours_mem" "$theirs" "$theirs_mem" "$(echo "$ours / $theirs" | bc -l)"
}

make_source "$work/ten_minutes_44k.flac" 44100
make_source "$work/ten_minutes_48k.flac" 48000

run_case "flac 44.1k -> mp3 128k" "$work/ten_minutes_44k.flac" mp3 \
    "-c:a libmp3lame -b:a 128k -ar 44100 -ac 2"
run_case "flac 48k -> mp3 (resample)" "$work/ten_minutes_48k.flac" mp3 \
    "-c:a libmp3lame -b:a 128k -ar 44100 -ac 2"
run_case "flac 44.1k -> aac 192k 48k" "$work/ten_minutes_44k.flac" aac \
    "-c:a aac -b:a 192k -ar 48000 -ac 2"
run_case "flac 44.1k -> wav" "$work/ten_minutes_44k.flac" wav \
    "-c:a pcm_s16le -ar 44100 -ac 2"
