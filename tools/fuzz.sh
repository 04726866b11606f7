#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer and runs each for a set
# time, seeded with the test fixtures:
#   tools/fuzz.sh [seconds per target] [target...]   (targets: probe convert preview)
# Builds into build-fuzz/ (or $FUZZ_BUILD_DIR). Findings land in
# <build>/findings/<target>/; keep each one as a case in
# tests/fuzz/cases/<target>/ once it is fixed. The preview target is seeded
# with small media of its own and plays through SDL's dummy sound driver.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
seconds="${1:-1800}"
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(probe convert preview)
dir="${FUZZ_BUILD_DIR:-$root/build-fuzz}"

CC=clang-14 CXX=clang++-14 cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVELTRANO_FUZZ=ON >/dev/null
for target in "${targets[@]}"; do
    cmake --build "$dir" -j "$(nproc)" --target "veltrano_fuzz_$target"
done

seeds="$dir/seeds"
if [ ! -f "$seeds/.complete" ]; then
    "$root/tests/fixtures/make_fixtures.sh" "$seeds"
fi
preview_seeds="$dir/seeds-preview"
if [ ! -f "$preview_seeds/.complete" ]; then
    "$root/tests/fuzz/make_preview_seeds.sh" "$preview_seeds"
fi
export SDL_AUDIODRIVER=dummy

pids=()
for target in "${targets[@]}"; do
    corpus="$dir/corpus/$target"
    findings="$dir/findings/$target"
    target_seeds="$seeds"
    [ "$target" != preview ] || target_seeds="$preview_seeds"
    mkdir -p "$corpus" "$findings"
    # Fork mode keeps going after a finding. Each input is cut off at 20 s
    # (a hang) and 2 GB; inputs stay small so that an execution stays short.
    ASAN_OPTIONS=detect_leaks=1 "$dir/tests/fuzz/veltrano_fuzz_$target" \
        -fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1 \
        -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -max_len=65536 \
        -artifact_prefix="$findings/" "$corpus" "$target_seeds" \
        >"$dir/fuzz-$target.log" 2>&1 &
    pids+=($!)
done
status=0
for pid in "${pids[@]}"; do
    wait "$pid" || status=1
done
for target in "${targets[@]}"; do
    echo "== $target"
    grep -E '^#[0-9]+' "$dir/fuzz-$target.log" | tail -n 1 || true
    grep -E '^(INFO: exiting|==[0-9]+==ERROR|SUMMARY)' "$dir/fuzz-$target.log" | sort | uniq -c || true
    ls "$dir/findings/$target"
done
exit $status
