#!/usr/bin/env python3
"""Draws bitmap 292, the task list header's check box strip, as XPM text.

Three 16 x 16 images side by side: 0 empty, 1 unchecked box, 2 checked box.
Magenta is the transparent colour; the header masks it out when it loads the
strip. Run once and commit the output:
    tools/make_check_header_xpm.py > resources/check_header_292.xpm
"""

SIZE = 16
IMAGES = 3
BOX_FIRST, BOX_LAST = 2, 14  # the 13 x 13 box, frame included

PALETTE = {
    "m": "#FF00FF",  # transparent
    "f": "#1C5180",  # box frame
    "w": "#FFFFFF",  # box inside
    "k": "#000000",  # check mark
}


def check_mark():
    """Pixels of a three-pixel-thick check mark inside the box."""
    pixels = set()
    for x in range(5, 12):
        # down-stroke over the first three columns, then the long up-stroke
        top = 7 + (x - 5) if x <= 7 else 9 - (x - 7)
        for y in range(top, top + 3):
            pixels.add((x, y))
    return pixels


def pixel(image, x, y, mark):
    if image == 0:
        return "m"
    inside_box = BOX_FIRST <= x <= BOX_LAST and BOX_FIRST <= y <= BOX_LAST
    if not inside_box:
        return "m"
    if x in (BOX_FIRST, BOX_LAST) or y in (BOX_FIRST, BOX_LAST):
        return "f"
    if image == 2 and (x, y) in mark:
        return "k"
    return "w"


def main():
    mark = check_mark()
    rows = []
    for y in range(SIZE):
        row = "".join(
            pixel(image, x, y, mark) for image in range(IMAGES) for x in range(SIZE)
        )
        rows.append(row)
    print("/* XPM */")
    print("static const char* const check_header_292_xpm[] = {")
    print(f'    "{SIZE * IMAGES} {SIZE} {len(PALETTE)} 1",')
    for key, colour in PALETTE.items():
        print(f'    "{key} c {colour}",')
    for index, row in enumerate(rows):
        end = "," if index < len(rows) - 1 else ""
        print(f'    "{row}"{end}')
    print("};")


if __name__ == "__main__":
    main()
