#!/usr/bin/env bash
# Configures and builds one tree: tools/build.sh [release|sanitize]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
kind="${1:-release}"
case "$kind" in
release) dir="$root/build" opts=(-DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
sanitize) dir="$root/build-sanitize" opts=(-DCMAKE_BUILD_TYPE=Debug -DVELTRANO_SANITIZE=ON) ;;
*)
    echo "usage: tools/build.sh [release|sanitize]" >&2
    exit 2
    ;;
esac
cmake -S "$root" -B "$dir" "${opts[@]}" >/dev/null
cmake --build "$dir" -j "$(nproc)"
