#!/usr/bin/env bash
# Small media for seeding the playback library's fuzz target, into the folder
# given as $1: each file stays under the fuzzers' 64 KiB input limit.
set -euo pipefail
out="$1"
mkdir -p "$out"
cd "$out"

ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }
sine="sine=frequency=440:sample_rate=8000:duration=1"
video="testsrc=size=32x24:rate=10:duration=1"

ff -f lavfi -i "$sine" -c:a libmp3lame -b:a 32k sine.mp3
ff -f lavfi -i "$sine" -c:a pcm_s16le sine.wav
ff -f lavfi -i "$sine" -c:a flac sine.flac
ff -f lavfi -i "$sine" -c:a libvorbis sine.ogg
ff -f lavfi -i "$video" -f lavfi -i "$sine" -c:v mpeg4 -c:a aac -b:a 16k -shortest video.mp4
ff -f lavfi -i "$video" -f lavfi -i "$sine" -c:v mpeg4 -c:a libvorbis -shortest video.mkv
ff -f lavfi -i "$video" -f lavfi -i "$sine" -c:v mpeg4 -c:a pcm_s16le -shortest video.avi
# Sound and pictures whose shape changes part-way: stereo then mono MP3
# frames, and an MPEG-TS whose picture size changes.
ff -f lavfi -i "$sine" -ac 2 -c:a libmp3lame -b:a 32k part-stereo.mp3
ff -f lavfi -i "$sine" -ac 1 -c:a libmp3lame -b:a 32k part-mono.mp3
cat part-stereo.mp3 part-mono.mp3 >joined.mp3
ff -f lavfi -i "testsrc=size=32x24:rate=10:duration=1" -c:v mpeg2video -f mpegts part-small.ts
ff -f lavfi -i "testsrc=size=48x32:rate=10:duration=1" -c:v mpeg2video -f mpegts part-large.ts
cat part-small.ts part-large.ts >resized.ts
rm part-*
touch .complete
