#!/usr/bin/env bash
# Draws the skinned windows to PNG files, with the program's own drawing code.
#
#   tools/screenshot.sh               docs/screenshot.png: the main window with a few
#                                     tasks on a virtual X display (Xvfb), as a user
#                                     sees it; docs/clip-dialog.png (a video playing)
#                                     and docs/clip-dialog-audio.png (a sound); the
#                                     other windows: docs/settings-dialog.png,
#                                     file-info-dialog, about-box, message-box,
#                                     progress-dialog, add-progress, context-menu
#   tools/screenshot.sh --scale 2     the same at 200 % (docs/screenshot@2x.png, ...)
#   tools/screenshot.sh --references  the test reference images, drawn offscreen at
#                                     100 % and 200 % (tests/ui/reference/)
#   tools/screenshot.sh --artwork     writes the SVGs again from tools/make_skin.py and
#                                     the 256 px icon, then the references
#
# After a deliberate change of the artwork: tools/screenshot.sh --artwork, look at
# the pictures, then tools/screenshot.sh for the README.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$root/build"
tool="$build/tools/skin_tool/veltrano-skin-tool"

mode="screenshot"
scale=1
while [[ $# -gt 0 ]]; do
    case "$1" in
    --references) mode="references" ;;
    --artwork) mode="artwork" ;;
    --scale)
        scale="$2"
        shift
        ;;
    *)
        sed -n '2,19p' "${BASH_SOURCE[0]}" >&2
        exit 2
        ;;
    esac
    shift
done

if [[ ! -d "$build" ]]; then
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" --target veltrano-skin-tool -j "$(nproc)" >/dev/null

offscreen() {
    QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR="$1" "$tool" "${@:2}"
}

# The tool's list of what it can draw (it prints it when called without one).
can_draw() {
    local usage
    usage="$(QT_QPA_PLATFORM=offscreen "$tool" 2>&1 || true)"
    [[ "$usage" == *" $1 "* ]]
}

draw_references() {
    mkdir -p "$root/tests/ui/reference"
    local out
    for factor in 1 2; do
        out="$root/tests/ui/reference/main_window_${factor}x.png"
        offscreen "$factor" window "$out"
        # 128 colours without dithering keep the references small and stay
        # well inside the tests' tolerance.
        convert "$out" -dither None -colors 128 "PNG8:$out"
    done
    echo "reference images written to tests/ui/reference/"
}

suffix() {
    [[ "$scale" == 1 ]] && echo "" || echo "@${scale}x"
}

draw_screenshots() {
    mkdir -p "$root/docs"
    local shots=(window "$root/docs/screenshot$(suffix).png")
    if can_draw clip; then
        shots+=(clip "$root/docs/clip-dialog$(suffix).png")
        shots+=(clip-audio "$root/docs/clip-dialog-audio$(suffix).png")
    fi
    local dialog
    for dialog in settings:settings-dialog file-info:file-info-dialog about:about-box \
        message-box:message-box progress:progress-dialog add-progress:add-progress \
        context-menu:context-menu; do
        if can_draw "${dialog%%:*}"; then
            shots+=("${dialog%%:*}" "$root/docs/${dialog#*:}$(suffix).png")
        fi
    done
    # A virtual X display like a user's desktop, for the real platform plugin.
    local i
    for ((i = 0; i < ${#shots[@]}; i += 2)); do
        QT_SCALE_FACTOR="$scale" xvfb-run -a -s "-screen 0 1920x1200x24" \
            "$tool" "${shots[i]}" "${shots[i + 1]}"
        echo "written: ${shots[i + 1]#"$root"/}"
    done
}

case "$mode" in
references) draw_references ;;
artwork)
    python3 "$root/tools/make_skin.py"
    cmake --build "$build" --target veltrano-skin-tool -j "$(nproc)" >/dev/null
    offscreen 1 icon 256 "$root/resources/icons/veltrano-256.png"
    draw_references
    ;;
screenshot) draw_screenshots ;;
esac
