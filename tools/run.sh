#!/usr/bin/env bash
# Sets up, builds and starts the converter's window on the current desktop.
# Without a desktop session it starts on a virtual X display instead, so the
# program can still be tried (and screenshotted) on a headless machine.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/tools/setup.sh"
"$root/tools/build.sh" release

program="$root/build/app/veltrano"
if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]]; then
    exec "$program" "$@"
fi
echo "No desktop session found: starting on a virtual X display (xvfb-run)." >&2
exec xvfb-run -a -s "-screen 0 1280x800x24" "$program" "$@"
