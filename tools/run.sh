#!/usr/bin/env bash
# Sets up, builds and runs the converter's main job. Until the window exists this
# converts a small generated sample with the command-line converter.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/tools/setup.sh"
"$root/tools/build.sh" release

demo="$root/build/demo"
mkdir -p "$demo"
sample="$demo/sample.wav"
if [[ ! -f "$sample" ]]; then
    ffmpeg -nostdin -hide_banner -loglevel error -f lavfi -i "sine=frequency=440:duration=5" \
        -ac 2 "$sample"
fi
rm -rf "$demo/OutPut"
"$root/build/cli/veltrano-convert" -f mp3 -o "$demo/OutPut" "$sample" "$@"
