#!/usr/bin/env bash
# Sets up, builds and runs every test: once as built for users, once with
# AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/tools/setup.sh"

run_suite() {
    "$root/tools/build.sh" "$1"
    ctest --test-dir "$2" --output-on-failure -j "$(nproc)"
}

run_suite release "$root/build"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    run_suite sanitize "$root/build-sanitize"
