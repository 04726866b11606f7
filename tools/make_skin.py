#!/usr/bin/env python3
"""Writes the skin's artwork: resources/skin/<id>.svg, one file per picture id,
and the desktop icon resources/icons/veltrano.svg.

The artwork shares one palette and one button drawing, so a change of colour
or corner radius is made here once and the SVGs are written again:

    tools/make_skin.py && tools/screenshot.sh

Sizes are the pictures' 100 % sizes in pixels. Button pictures leave their
canvas transparent outside the button; the program's picture loader makes
that pure white, which is what marks the outside of a button's shape.
"""
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
SKIN = ROOT / "resources" / "skin"
ICONS = ROOT / "resources" / "icons"

FONT = "DejaVu Sans, Noto Sans, Liberation Sans, sans-serif"

# Palette: a calm dark slate surface, one teal accent.
BG_TOP = "#1f2630"
BG_BOTTOM = "#151a21"
PANEL = "#1c232b"
WELL = "#12171d"
WELL_EDGE = "#2b3541"
TEXT = "#f4f6f8"
TEXT_SOFT = "#c3ccd6"
TEXT_MUTED = "#8a97a6"
ACCENT = "#35c4a5"
ACCENT_DEEP = "#22a588"
ACCENT_LIGHT = "#63dcc0"
ACCENT_INK = "#0b1f1a"

# Button faces by state: fill gradient top and bottom, edge, label, symbol.
FACES = {
    "normal": ("#313c4a", "#27313d", "#43505f", "#e9eef3", ACCENT_LIGHT),
    "hover": ("#3d4b5c", "#333f4e", "#5a6c82", TEXT, "#8ae8d2"),
    "disabled": ("#222930", "#1f252c", "#2c343e", "#5f6a76", "#4c5661"),
}
PRIMARY_FACES = {
    "normal": (ACCENT, ACCENT_DEEP, "#1c8b73", ACCENT_INK, ACCENT_INK),
    "hover": ("#5fdcbf", "#3cc3a4", "#2aa98b", ACCENT_INK, ACCENT_INK),
    "disabled": ("#252d35", "#20272e", "#2e3742", "#5f6a76", "#4c5661"),
}


def svg(width, height, body):
    return (
        f'<svg xmlns="http://www.w3.org/2000/svg" width="{width}" height="{height}" '
        f'viewBox="0 0 {width} {height}">\n{body}</svg>\n'
    )


def text(x, y, size, colour, content, weight="normal", anchor="middle", extra=""):
    return (
        f'<text x="{x}" y="{y}" font-family="{FONT}" font-size="{size}" '
        f'font-weight="{weight}" fill="{colour}" text-anchor="{anchor}"{extra}>{content}</text>\n'
    )


# Line symbols, drawn in a 16 x 16 box at (x, y), scaled by s.
def symbol(name, x, y, colour, s=1.0, width=1.8):
    paths = {
        "plus": "M8 2.5V13.5M2.5 8H13.5",
        "help": "M5.6 6.1a2.5 2.5 0 1 1 3.4 2.3c-.7.3-1 .8-1 1.5v.6M8 12.6v.2",
        "scissors": "M6 5.2 13.5 12.8M6 10.8 13.5 3.2M6.1 4.2a2.1 2.1 0 1 1-4.2 0 2.1 2.1 0 0 1 4.2 0z"
        "M6.1 11.8a2.1 2.1 0 1 1-4.2 0 2.1 2.1 0 0 1 4.2 0z",
        "bin": "M2.5 4.2H13.5M6.2 4V2.6h3.6V4M3.8 4.4l.8 9.2h6.8l.8-9.2M6.6 6.8v4.6M9.4 6.8v4.6",
        "info": "M8 7.2v5M8 4.2v.3M14 8A6 6 0 1 1 2 8a6 6 0 0 1 12 0z",
        "gear": "M8 5.6A2.4 2.4 0 1 1 8 10.4 2.4 2.4 0 0 1 8 5.6zM8 1.6v1.8M8 12.6v1.8M1.6 8h1.8"
        "M12.6 8h1.8M3.5 3.5l1.3 1.3M11.2 11.2l1.3 1.3M3.5 12.5l1.3-1.3M11.2 4.8l1.3-1.3",
        "folder": "M1.8 4.2c0-.7.5-1.2 1.2-1.2h3l1.4 1.6h5.6c.7 0 1.2.5 1.2 1.2v6.2c0 .7-.5 1.2-1.2 1.2H3"
        "c-.7 0-1.2-.5-1.2-1.2z",
        "open": "M1.8 4.2c0-.7.5-1.2 1.2-1.2h3l1.4 1.6h5.6c.7 0 1.2.5 1.2 1.2v1.4M1.8 4.2v7.6l2.2-5"
        "h11l-2.2 5H1.8",
        "convert": "M3 3.2v9.6L10.2 8zM12.8 3.2v9.6",
        "minimise": "M4 8.5H12",
        "close": "M4.5 4.5l7 7M11.5 4.5l-7 7",
        "play": "M5 3.2v9.6L12.6 8z",
        "pause": "M5.4 3.4v9.2M10.6 3.4v9.2",
        "stop": "M4 4h8v8H4z",
    }
    return (
        f'<path transform="translate({x} {y}) scale({s})" d="{paths[name]}" fill="none" '
        f'stroke="{colour}" stroke-width="{width}" stroke-linecap="round" '
        f'stroke-linejoin="round"/>\n'
    )


def face(x, y, w, h, radius, colours, grad_id):
    top, bottom, edge = colours[0], colours[1], colours[2]
    return (
        f'<defs><linearGradient id="{grad_id}" x1="0" y1="0" x2="0" y2="1">'
        f'<stop offset="0" stop-color="{top}"/><stop offset="1" stop-color="{bottom}"/>'
        f"</linearGradient></defs>\n"
        f'<rect x="{x + 0.5}" y="{y + 0.5}" width="{w - 1}" height="{h - 1}" rx="{radius}" '
        f'fill="url(#{grad_id})" stroke="{edge}" stroke-width="1"/>\n'
    )


def button(size, box, state, label, icon, layout="row", font=13, radius=8, primary=False):
    """A rounded button face inside `box` (x, y, w, h) on a `size` canvas."""
    colours = (PRIMARY_FACES if primary else FACES)[state]
    x, y, w, h = box
    body = face(x, y, w, h, radius, colours, "face")
    if state != "disabled":
        # A faint top highlight gives the face a little depth.
        body += (
            f'<path d="M{x + radius} {y + 1.5}H{x + w - radius}" stroke="#ffffff" '
            f'stroke-opacity="0.10" stroke-width="1"/>\n'
        )
    label_colour, icon_colour = colours[3], colours[4]
    weight = "bold" if primary else "600"
    if layout == "row":
        text_width = len(label) * font * (0.66 if primary else 0.62)
        icon_size = 16 * font / 13
        gap = 7 * font / 13
        total = icon_size + gap + text_width
        left = x + (w - total) / 2
        icon_y = y + (h - icon_size) / 2
        body += symbol(icon, left, icon_y, icon_colour, s=icon_size / 16, width=1.8)
        body += text(
            round(left + icon_size + gap, 1),
            round(y + h / 2 + font * 0.36, 1),
            font,
            label_colour,
            label,
            weight,
            anchor="start",
        )
    else:  # symbol above its label
        body += symbol(icon, x + w / 2 - 8, y + 5, icon_colour)
        body += text(x + w / 2, y + h - 7, font, label_colour, label, weight)
    return svg(size[0], size[1], body)


def title_button(size, visible_width, state, icon):
    """The small window buttons at the top right: flat until the pointer rests on them."""
    w, h = size
    fills = {"normal": "#1f2630", "hover": "#354252"}
    if icon == "close" and state == "hover":
        fills["hover"] = "#c8504a"
    glyph = TEXT_SOFT if state == "normal" else TEXT
    body = f'<rect x="0" y="0" width="{visible_width}" height="{h}" fill="{fills[state]}"/>\n'
    body += symbol(icon, visible_width / 2 - 7.2, h / 2 - 7.2, glyph, s=0.9, width=1.8)
    return svg(w, h, body)


def write(name, content, folder=SKIN):
    folder.mkdir(parents=True, exist_ok=True)
    (folder / f"{name}.svg").write_text(content)


def main_buttons():
    # id: (picture size, face box inside the control's rectangle, state, label, symbol, options)
    add = ((133, 61), (1, 1, 131, 57), "Add files", "plus", dict(font=15, radius=10))
    help_ = ((129, 61), (1, 1, 127, 57), "Help", "help", dict(font=15, radius=10))
    cut = ((71, 42), (1, 1, 68, 40), "Remove", "scissors", dict(layout="column", font=11))
    empty = ((71, 42), (1, 1, 68, 40), "Clear all", "bin", dict(layout="column", font=11))
    info = ((71, 42), (1, 1, 66, 40), "File info", "info", dict(layout="column", font=11))
    setting = ((116, 38), (1, 1, 113, 36), "Settings", "gear", dict(font=13))
    browse = ((113, 37), (1, 1, 108, 31), "Browse", "folder", dict(font=13))
    find = ((112, 39), (1, 1, 105, 31), "Open folder", "open", dict(font=11))
    convert = (
        (183, 93),
        (2, 2, 179, 77),
        "Convert",
        "convert",
        dict(font=21, radius=14, primary=True),
    )
    pictures = {
        177: (add, "normal"),
        178: (add, "hover"),
        181: (help_, "normal"),
        182: (help_, "hover"),
        189: (cut, "normal"),
        188: (cut, "hover"),
        229: (cut, "disabled"),
        191: (empty, "normal"),
        269: (empty, "hover"),
        212: (empty, "disabled"),
        243: (info, "normal"),
        244: (info, "hover"),
        261: (info, "disabled"),
        197: (setting, "normal"),
        196: (setting, "hover"),
        200: (setting, "disabled"),
        199: (browse, "normal"),
        204: (find, "normal"),
        186: (convert, "normal"),
        185: (convert, "hover"),
        279: (convert, "disabled"),
    }
    for picture_id, ((size, box, label, icon, options), state) in pictures.items():
        write(str(picture_id), button(size, box, state, label, icon, **options))
    for picture_id, icon, state in (
        (254, "info", "normal"),
        (253, "info", "hover"),
        (207, "minimise", "normal"),
        (208, "minimise", "hover"),
        (209, "close", "normal"),
        (210, "close", "hover"),
    ):
        size = (23, 18) if icon == "info" else (20, 18)
        visible = {"info": 21, "minimise": 20, "close": 17}[icon]
        write(str(picture_id), title_button(size, visible, state, icon))


def logo_mark(cx, cy, r):
    """A disc with a sound wave turning into an arrow: the product's mark."""
    bars = ""
    heights = [0.30, 0.55, 0.85, 0.55, 0.30]
    step = r * 0.28
    for i, fraction in enumerate(heights):
        x = cx - r * 0.62 + i * step
        half = r * 0.55 * fraction
        bars += f'<path d="M{x:.1f} {cy - half:.1f}V{cy + half:.1f}"/>'
    arrow_x = cx + r * 0.62
    return (
        f'<defs><linearGradient id="mark" x1="0" y1="0" x2="1" y2="1">'
        f'<stop offset="0" stop-color="{ACCENT_LIGHT}"/><stop offset="1" stop-color="{ACCENT_DEEP}"/>'
        f"</linearGradient></defs>\n"
        f'<circle cx="{cx}" cy="{cy}" r="{r}" fill="url(#mark)"/>\n'
        f'<g stroke="{ACCENT_INK}" stroke-width="{r * 0.13:.1f}" stroke-linecap="round" fill="none">'
        f"{bars}"
        f'<path d="M{arrow_x - r * 0.22:.1f} {cy - r * 0.26:.1f}L{arrow_x:.1f} {cy:.1f}'
        f'L{arrow_x - r * 0.22:.1f} {cy + r * 0.26:.1f}"/></g>\n'
    )


def background_290():
    w, h = 880, 540
    body = (
        f'<defs><linearGradient id="bg" x1="0" y1="0" x2="0" y2="1">'
        f'<stop offset="0" stop-color="{BG_TOP}"/><stop offset="1" stop-color="{BG_BOTTOM}"/>'
        f"</linearGradient>"
        f'<radialGradient id="glow" cx="0.5" cy="0.35" r="0.6">'
        f'<stop offset="0" stop-color="{ACCENT}" stop-opacity="0.16"/>'
        f'<stop offset="1" stop-color="{ACCENT}" stop-opacity="0"/></radialGradient></defs>\n'
        f'<rect width="{w}" height="{h}" fill="url(#bg)"/>\n'
        f'<rect x="0.5" y="0.5" width="{w - 1}" height="{h - 1}" fill="none" stroke="#2f3a47"/>\n'
    )
    # Clip and File information are reached from the list's context menu.
    body += symbol("info", 336, 45, TEXT_MUTED, s=0.9, width=1.5)
    body += text(358, 57, 12, TEXT_MUTED, "Right-click a task to clip it or to see its details.", anchor="start")
    # The task list's place: a drop zone until the first file is added.
    body += (
        f'<rect x="12.5" y="99.5" width="527" height="273" rx="10" fill="{WELL}" '
        f'stroke="{WELL_EDGE}" stroke-dasharray="6 5"/>\n'
    )
    body += symbol("plus", 256, 170, ACCENT_LIGHT, s=2.5, width=1.4)
    body += text(276, 252, 18, TEXT_SOFT, "Drop audio or video files or folders here")
    body += text(276, 278, 13, TEXT_MUTED, "or press Add files to choose them")
    # The product's corner, right of the list.
    body += (
        f'<rect x="556.5" y="99.5" width="311" height="273" rx="10" fill="{PANEL}" '
        f'stroke="#28313c"/>\n'
        f'<rect x="557" y="100" width="310" height="272" rx="10" fill="url(#glow)"/>\n'
    )
    body += logo_mark(712, 168, 38)
    body += text(712, 244, 30, TEXT, "Veltrano", "bold")
    body += text(712, 270, 15, ACCENT_LIGHT, "Audio Converter")
    for i, step in enumerate(("Add files", "Pick a format", "Convert")):
        y = 312 + i * 22
        body += (
            f'<circle cx="630" cy="{y - 4}" r="8" fill="none" stroke="{ACCENT_DEEP}" '
            f'stroke-width="1.2"/>\n'
        )
        body += text(630, y, 10, ACCENT_LIGHT, str(i + 1), "bold")
        body += text(646, y, 12, TEXT_SOFT, step, anchor="start")
    # The row of task buttons under the list.
    body += text(74, 408, 13, TEXT_SOFT, "Tasks", "600", anchor="end")
    # The conversion panel: format, output folder and the Convert button.
    body += (
        f'<rect x="6.5" y="426.5" width="867" height="107" rx="12" fill="{PANEL}" '
        f'stroke="#28313c"/>\n'
    )
    body += text(74, 470, 13, TEXT_SOFT, "Format", "600", anchor="end")
    body += text(74, 505, 13, TEXT_SOFT, "Save to", "600", anchor="end")
    return svg(w, h, body)


def logo_249():
    w, h = 408, 86
    body = (
        f'<defs><linearGradient id="bg" x1="0" y1="0" x2="1" y2="0">'
        f'<stop offset="0" stop-color="{BG_TOP}"/><stop offset="1" stop-color="#243241"/>'
        f"</linearGradient></defs>\n"
        f'<rect width="{w}" height="{h}" rx="8" fill="url(#bg)"/>\n'
    )
    body += logo_mark(50, 43, 28)
    body += text(94, 44, 30, TEXT, "Veltrano", "bold", anchor="start")
    body += text(96, 66, 14, ACCENT_LIGHT, "Audio Converter", anchor="start")
    return svg(w, h, body)


def clip_pictures():
    # Clip dialog background: 286 x 273 dialog units at 1.75 pixels a unit.
    w, h = 500, 478
    body = (
        f'<defs><linearGradient id="bg" x1="0" y1="0" x2="0" y2="1">'
        f'<stop offset="0" stop-color="{BG_TOP}"/><stop offset="1" stop-color="{BG_BOTTOM}"/>'
        f"</linearGradient></defs>\n"
        f'<rect width="{w}" height="{h}" fill="url(#bg)"/>\n'
        # The preview area (control 1144) and the times' frame.
        f'<rect x="5.5" y="16.5" width="485" height="260" rx="6" fill="#0b0f13" stroke="{WELL_EDGE}"/>\n'
        f'<rect x="5.5" y="347.5" width="485" height="88" rx="8" fill="{PANEL}" stroke="#28313c"/>\n'
    )
    body += symbol("play", 224, 122, "#2c3744", s=3.0, width=1.2)
    write("311", svg(w, h, body))
    # Play and Stop: shape 301 and 303 are the resting faces. Their places
    # in the dialog, (5, 305, 66, 40) and (68, 303, 68, 40), overlap by three
    # pixels and stand two apart in height; white margins (the transparent
    # canvas) keep the faces four pixels apart and on one line, y 305 to 342.
    play_box = (1, 0, 61, 38)
    stop_box = (3, 2, 64, 38)
    for picture_id, size, box, icon, label in (
        (301, (66, 40), play_box, "play", "Play"),
        (302, (66, 40), play_box, "play", "Play"),
        (310, (66, 40), play_box, "pause", "Pause"),
        (303, (68, 40), stop_box, "stop", "Stop"),
        (304, (68, 40), stop_box, "stop", "Stop"),
    ):
        write(str(picture_id), button(size, box, "normal", label, icon, font=11, radius=7))
    # Slider channel: outside the kept range (314) and inside it (319).
    cw, ch = 444, 20
    for picture_id, fill, edge in ((314, "#2a333e", "#364252"), (319, ACCENT_DEEP, ACCENT)):
        channel = (
            f'<rect width="{cw}" height="{ch}" fill="{PANEL}"/>\n'
            f'<rect x="2.5" y="8.5" width="{cw - 5}" height="6" rx="3" fill="{fill}" stroke="{edge}"/>\n'
        )
        write(str(picture_id), svg(cw, ch, channel))
    # Thumbs: the top-left pixel's colour is the transparent one.
    for picture_id, fill in ((308, "#e6ecf1"), (309, ACCENT_LIGHT)):
        thumb = (
            f'<rect width="23" height="17" fill="{PANEL}"/>\n'
            f'<circle cx="11.5" cy="8.5" r="7" fill="{fill}" stroke="#0f1418" stroke-width="1.2"/>\n'
        )
        write(str(picture_id), svg(23, 17, thumb))


def hand_cursor_262():
    # 32 x 32, the tip of the pointing finger at (11, 3).
    body = (
        '<path d="M11 3.2c1.3 0 2.3 1 2.3 2.3v7.3l1-.1c1.2-.1 2.2.7 2.4 1.8l.1.4.7-.1'
        "c1.2-.1 2.2.7 2.4 1.8l.1.4.6-.1c1.2-.1 2.3.8 2.4 2v5.2c0 3.7-3 6.6-6.7 6.6h-2"
        "c-2.4 0-4.6-1.3-5.8-3.4L5 19.8c-.6-1-.3-2.3.7-2.9 1-.6 2.2-.4 2.9.5l.1.2V5.5"
        'c0-1.3 1-2.3 2.3-2.3z" fill="#f8fafc" stroke="#10151a" stroke-width="1.3" '
        'stroke-linejoin="round"/>\n'
        '<path d="M13.3 12.8v4.6M16.8 14.6v3.4M20.2 16.2v2.6" stroke="#10151a" '
        'stroke-width="1.1" stroke-linecap="round"/>\n'
    )
    write("262", svg(32, 32, body))


def app_icon():
    body = (
        f'<defs><linearGradient id="tile" x1="0" y1="0" x2="0" y2="1">'
        f'<stop offset="0" stop-color="#2a3441"/><stop offset="1" stop-color="{BG_BOTTOM}"/>'
        f"</linearGradient></defs>\n"
        f'<rect x="8" y="8" width="240" height="240" rx="52" fill="url(#tile)"/>\n'
    )
    body += logo_mark(128, 128, 84)
    content = svg(256, 256, body)
    write("266", content)
    write("veltrano", content, ICONS)


def main():
    main_buttons()
    (SKIN / "290.svg").write_text(background_290())
    (SKIN / "249.svg").write_text(logo_249())
    clip_pictures()
    hand_cursor_262()
    app_icon()


if __name__ == "__main__":
    main()
