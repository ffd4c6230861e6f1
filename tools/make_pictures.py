#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the SVG sources of Ampora's pictures.

    python3 tools/make_pictures.py

Every picture listed in resources/pictures/catalogue.txt is drawn at its catalogue size, flat in
the page palette; the catalogue name picks the drawing. The SVG files are committed; the build
renders them to PNG (tools/svgrender.cpp) and never needs this script. Run it again after changing
a drawing here or the catalogue and commit the changed SVG files with it.
"""

import math
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
PICTURES = ROOT / "resources" / "pictures"
CATALOGUE = PICTURES / "catalogue.txt"
ICONS = ROOT / "resources" / "icons"

TEAL = "#1D99B0"       # page background
DARK = "#127F9C"       # page bands
WHITE = "#FFFFFF"
LIGHT = "#3FB3C8"      # hover: lighter than the page
DEEP = "#0B5F77"       # pressed: darker than the bands
GREY = "#AEBCC1"       # disabled face
GREY_GLYPH = "#EEF2F3" # disabled glyph on a grey face
GREY_LINE = "#B8C6CB"  # disabled glyph drawn straight on the page

# Faces in their four states: (fill, outline or None).
FACE = {
    "normal": (TEAL, None),
    "hover": (LIGHT, None),
    "pressed": (DARK, None),
    "disabled": (GREY, None),
}
DARK_FACE = {
    "normal": (DARK, None),
    "hover": (LIGHT, None),
    "pressed": (DEEP, None),
    "disabled": (GREY, None),
}
TILE_FACE = {
    "normal": (DARK, None),
    "hover": (LIGHT, WHITE),
    "pressed": (DEEP, None),
}


def fmt(value):
    text = f"{value:.2f}".rstrip("0").rstrip(".")
    return "0" if text == "-0" else text


def svg(width, height, body, view=None):
    """An SVG of width x height; `view` is the (width, height) the body is drawn in, when that is
    a fixed design size scaled to the picture's size."""
    view_width, view_height = view or (width, height)
    return (f'<svg xmlns="http://www.w3.org/2000/svg" version="1.2" baseProfile="tiny" '
            f'width="{width}" height="{height}" viewBox="0 0 {view_width} {view_height}">\n'
            + "".join(f"  {line}\n" for line in body) + "</svg>\n")


def circle(cx, cy, r, fill):
    return f'<circle cx="{fmt(cx)}" cy="{fmt(cy)}" r="{fmt(r)}" fill="{fill}"/>'


def rect(x, y, w, h, fill, rx=0, stroke=None, stroke_width=1):
    extra = f' stroke="{stroke}" stroke-width="{fmt(stroke_width)}"' if stroke else ""
    return (f'<rect x="{fmt(x)}" y="{fmt(y)}" width="{fmt(w)}" height="{fmt(h)}" '
            f'rx="{fmt(rx)}" fill="{fill}"{extra}/>')


def fill_path(d, fill, evenodd=False):
    rule = ' fill-rule="evenodd"' if evenodd else ""
    return f'<path d="{d}" fill="{fill}"{rule}/>'


def stroke_path(d, colour, width, cap="round"):
    return (f'<path d="{d}" fill="none" stroke="{colour}" stroke-width="{fmt(width)}" '
            f'stroke-linecap="{cap}" stroke-linejoin="round"/>')


def circle_path(cx, cy, r):
    """A circle as a path, so it can cut a hole with the even-odd rule."""
    return (f"M{fmt(cx - r)} {fmt(cy)}A{fmt(r)} {fmt(r)} 0 1 0 {fmt(cx + r)} {fmt(cy)}"
            f"A{fmt(r)} {fmt(r)} 0 1 0 {fmt(cx - r)} {fmt(cy)}Z")


def polygon_path(points):
    return "M" + "L".join(f"{fmt(x)} {fmt(y)}" for x, y in points) + "Z"


def gear_path(cx, cy, outer, inner, hole, teeth=8):
    points = []
    step = 2 * math.pi / teeth
    for i in range(teeth):
        a = i * step - math.pi / 2
        for offset, radius in ((-0.30, inner), (-0.18, outer), (0.18, outer), (0.30, inner)):
            points.append((cx + radius * math.cos(a + offset * step * 1.6),
                           cy + radius * math.sin(a + offset * step * 1.6)))
    return polygon_path(points) + circle_path(cx, cy, hole)


def leaf_path(x, y, size, vein=True):
    """A leaf pointing to the top right inside the square (x, y, size); the vein is a cut."""
    s = size

    def p(u, v):
        return f"{fmt(x + u * s)} {fmt(y + v * s)}"

    d = (f"M{p(0.04, 0.96)}C{p(0.0, 0.42)} {p(0.36, 0.04)} {p(0.96, 0.04)}"
         f"C{p(0.98, 0.62)} {p(0.6, 0.98)} {p(0.04, 0.96)}Z")
    if vein:
        d += f"M{p(0.16, 0.88)}L{p(0.74, 0.28)}L{p(0.80, 0.30)}L{p(0.22, 0.90)}Z"
    return d


# --- Word mark -----------------------------------------------------------------------------

def wordmark(x, y, height, colour, emblem_colour=None):
    """'ampora' in round geometric strokes; (x, y) is the top left of the x-height box.

    Returns (elements, right edge). With emblem_colour a leaf comes first."""
    sw = height * 0.2
    top = y + sw / 2
    base = y + height - sw / 2
    r = (base - top) / 2
    gap = sw * 1.15
    parts = []
    cx = x
    if emblem_colour:
        parts.append(fill_path(leaf_path(x, y - height * 0.18, height * 1.2), emblem_colour, True))
        cx += height * 1.2 + gap * 1.4
    cx += sw / 2

    def bowl(left):
        return circle_path(left + r, top + r, r)

    def letter_a(left):
        parts.append(stroke_path(bowl(left) + f"M{fmt(left + 2 * r)} {fmt(top)}V{fmt(base)}", colour, sw))
        return left + 2 * r + sw + gap

    def letter_m(left):
        a = r * 0.78
        d = (f"M{fmt(left)} {fmt(base)}V{fmt(top + a)}"
             f"A{fmt(a)} {fmt(a)} 0 0 1 {fmt(left + 2 * a)} {fmt(top + a)}V{fmt(base)}"
             f"M{fmt(left + 2 * a)} {fmt(top + a)}"
             f"A{fmt(a)} {fmt(a)} 0 0 1 {fmt(left + 4 * a)} {fmt(top + a)}V{fmt(base)}")
        parts.append(stroke_path(d, colour, sw))
        return left + 4 * a + sw + gap

    def letter_p(left):
        d = bowl(left) + f"M{fmt(left)} {fmt(top)}V{fmt(base + height * 0.42)}"
        parts.append(stroke_path(d, colour, sw))
        return left + 2 * r + sw + gap

    def letter_o(left):
        parts.append(stroke_path(bowl(left), colour, sw))
        return left + 2 * r + sw + gap

    def letter_r(left):
        d = (f"M{fmt(left)} {fmt(base)}V{fmt(top + r)}"
             f"A{fmt(r)} {fmt(r)} 0 0 1 {fmt(left + r)} {fmt(top)}H{fmt(left + r * 1.15)}")
        parts.append(stroke_path(d, colour, sw))
        return left + r * 1.15 + sw + gap * 0.8

    for letter in (letter_a, letter_m, letter_p, letter_o, letter_r, letter_a):
        cx = letter(cx)
    return parts, cx - gap - sw / 2


def wordmark_picture(width, height, colour, emblem_colour, margin=0.06):
    """The word mark scaled to fit (width, height) with a margin, centred."""
    parts, right = wordmark(0, 0, 10, colour, emblem_colour)
    # The emblem reaches above the x-height box, the p below it.
    top, bottom = -1.8, 14.2
    scale = min(width * (1 - 2 * margin) / right, height * (1 - 2 * margin) / (bottom - top))
    dx = (width - right * scale) / 2
    dy = (height - (bottom - top) * scale) / 2 - top * scale
    return svg(width, height, [f'<g transform="translate({fmt(dx)} {fmt(dy)}) scale({scale:.4f})">']
               + ["  " + p for p in parts] + ["</g>"])


# --- 16 x 16 glyphs, drawn in white on a 16-pixel badge ------------------------------------

def g_plus(c):
    return [stroke_path("M8 4.2V11.8M4.2 8H11.8", c, 2)]


def g_minus(c):
    return [stroke_path("M4.2 8H11.8", c, 2)]


def g_cross(c):
    return [stroke_path("M5 5L11 11M11 5L5 11", c, 1.9)]


def g_check(c):
    return [stroke_path("M4.2 8.4L6.9 11L11.9 5.2", c, 1.9)]


def g_sheet_plus(c):
    return [fill_path("M3.5 2.5H8.5L11 5V8.2A3.6 3.6 0 0 0 7.6 13.5H3.5Z", c),
            stroke_path("M11.2 9.3V13.7M9 11.5H13.4", c, 1.5)]


def g_pencil(c):
    return [fill_path("M10.4 3.2L12.8 5.6L6.2 12.2L3.3 12.7L3.8 9.8Z", c),
            fill_path("M11.1 2.5L12 1.6A1 1 0 0 1 13.4 1.6L14.4 2.6A1 1 0 0 1 14.4 4L13.5 4.9Z", c)]


def g_trash(c):
    return [stroke_path("M3.5 4.6H12.5M6.4 4.4V3.2H9.6V4.4", c, 1.3),
            fill_path("M4.5 5.8H11.5L10.8 13.2H5.2Z", c)]


def g_stop(c):
    return [stroke_path(circle_path(8, 8, 4.6) + "M4.9 11.1L11.1 4.9", c, 1.6)]


def g_power(c):
    return [stroke_path("M5.4 5.3A4.2 4.2 0 1 0 10.6 5.3M8 3.2V8", c, 1.6)]


def g_moon(c):
    return [fill_path("M9.6 3.1A5 5 0 1 0 12.9 10.2A4.2 4.2 0 0 1 9.6 3.1Z", c)]


def g_lid(c):
    return [fill_path("M4 4H12V9.6H4ZM5.2 5.2V8.4H10.8V5.2Z", c, True),
            fill_path("M2.4 10.6H13.6L12.8 12.2H3.2Z", c)]


def g_monitor_frame(c):
    return [fill_path("M2.8 3.4H13.2V10.8H2.8ZM4 4.6V9.6H12V4.6Z", c, True),
            fill_path("M7.2 10.8H8.8V12H10.4V13H5.6V12H7.2Z", c)]


def g_display_dim(c):
    return g_monitor_frame(c) + [rect(4, 4.6, 4, 5, c)]


def g_display_off(c):
    return g_monitor_frame(c) + [stroke_path("M4.6 9.2L11.4 5", c, 1.2, cap="butt")]


def g_disk(c):
    return [fill_path("M2.4 6.2A1.2 1.2 0 0 1 3.6 5H12.4A1.2 1.2 0 0 1 13.6 6.2V9.8A1.2 1.2 0 0 1 12.4 11H3.6"
                      "A1.2 1.2 0 0 1 2.4 9.8Z" + circle_path(11.3, 8, 1.1) + "M4 7.4H8.4V8.6H4Z", c, True)]


def g_snow(c):
    return [stroke_path("M8 2.8V13.2M3.5 5.4L12.5 10.6M3.5 10.6L12.5 5.4"
                        "M6.6 3.6L8 4.8L9.4 3.6M6.6 12.4L8 11.2L9.4 12.4", c, 1.2)]


def g_lock(c):
    return [stroke_path("M5.6 7.4V5.6A2.4 2.4 0 0 1 10.4 5.6V7.4", c, 1.5),
            fill_path("M4 7.4H12V13H4Z" + circle_path(8, 9.8, 1.0), c, True)]


def g_sun(c):
    rays = "".join(
        f"M{fmt(8 + 4.3 * math.cos(a))} {fmt(8 + 4.3 * math.sin(a))}"
        f"L{fmt(8 + 5.6 * math.cos(a))} {fmt(8 + 5.6 * math.sin(a))}"
        for a in (i * math.pi / 4 for i in range(8)))
    return [circle(8, 8, 2.7, c), stroke_path(rays, c, 1.2)]


def g_gauge(c):
    # A speedometer: the dial's upper arc and a needle leaning towards the fast end.
    return [stroke_path("M3.2 11.2A5 5 0 1 1 12.8 11.2", c, 1.5),
            stroke_path("M8 10.4L11 6.2", c, 1.6), circle(8, 10.4, 1.4, c)]


def g_plug(c):
    return [stroke_path("M6.2 2.6V5M9.8 2.6V5M8 11V13.6", c, 1.3),
            fill_path("M4.6 5H11.4V7.4A3.4 3.4 0 0 1 4.6 7.4Z", c)]


def g_battery(c):
    return [fill_path("M2.6 5H12.4V11H2.6ZM3.8 6.2V9.8H11.2V6.2Z", c, True),
            fill_path("M12.4 6.8H13.8V9.2H12.4ZM4.8 7.2H8.4V8.8H4.8Z", c)]


def g_info(c):
    return [circle(8, 4.6, 1.2, c), stroke_path("M8 7.4V12", c, 2)]


def g_dot(c):
    return [circle(8, 8, 2.6, c)]


def g_ring(c):
    return [stroke_path(circle_path(8, 8, 3.6), c, 1.6)]


def g_square(c):
    return [rect(4.8, 4.8, 6.4, 6.4, c, 0.8)]


def g_diamond(c):
    return [fill_path("M8 3.6L12.4 8L8 12.4L3.6 8Z", c)]


def g_play(c):
    return [fill_path("M5.8 4.2L11.6 8L5.8 11.8Z", c)]


def g_star(c):
    points = []
    for i in range(10):
        a = -math.pi / 2 + i * math.pi / 5
        radius = 5 if i % 2 == 0 else 2.1
        points.append((8 + radius * math.cos(a), 8.4 + radius * math.sin(a)))
    return [fill_path(polygon_path(points), c)]


def g_arrow(direction):
    paths = {
        "right": "M4 8H11.6M8.6 4.8L11.8 8L8.6 11.2",
        "left": "M12 8H4.4M7.4 4.8L4.2 8L7.4 11.2",
        "up": "M8 12V4.4M4.8 7.4L8 4.2L11.2 7.4",
        "down": "M8 4V11.6M4.8 8.6L8 11.8L11.2 8.6",
    }
    return lambda c: [stroke_path(paths[direction], c, 1.7)]


def badge(width, height, glyph, disabled):
    face = GREY if disabled else DARK
    colour = GREY_GLYPH if disabled else WHITE
    return svg(width, height, [rect(0.5, 0.5, 15, 15, face, 3)] + glyph(colour), (16, 16))


def help_picture(width, height, disabled):
    fill = GREY_LINE if disabled else WHITE
    return svg(width, height, [
        circle(8, 8, 7.5, fill),
        stroke_path("M5.9 6.2A2.2 2.2 0 1 1 9.1 8.1C8.3 8.5 8 8.9 8 9.9", DARK if not disabled else WHITE, 1.7),
        circle(8, 12.3, 1.05, DARK if not disabled else WHITE),
    ], (16, 16))


def settings_picture(width, height, disabled):
    fill = GREY_LINE if disabled else WHITE
    return svg(width, height, [fill_path(gear_path(8, 8, 7.6, 5.4, 2.3), fill, True)], (16, 16))


# --- Faces ---------------------------------------------------------------------------------

def button_face(width, height, state, faces=FACE):
    fill, outline = faces[state]
    return svg(width, height, [rect(0.5, 0.5, width - 1, height - 1, fill, 4, outline)])


def home_picture(width, height, state):
    fill, _ = DARK_FACE[state]
    glyph = GREY_GLYPH if state == "disabled" else WHITE
    return svg(width, height, [
        circle(16, 16, 15.5, fill),
        fill_path("M16 7.4L24.6 15.2H22.2V23.6H18.2V18.4H13.8V23.6H9.8V15.2H7.4Z", glyph),
    ], (32, 32))


def tile(width, height, state, art):
    """A tile face; the art is drawn for a tile 174 pixels high, from the top left."""
    fill, outline = TILE_FACE[state]
    body = [rect(1, 1, width - 2, height - 2, fill, 8, outline, 2) if outline else rect(0, 0, width, height, fill, 8)]
    return svg(width, height, body + art(fill))


def sheet(x, y, w, h, face, lines):
    """A plan sheet with a folded corner and text lines in the tile colour."""
    fold = w * 0.28
    body = [fill_path(f"M{fmt(x)} {fmt(y)}H{fmt(x + w - fold)}L{fmt(x + w)} {fmt(y + fold)}"
                      f"V{fmt(y + h)}H{fmt(x)}Z", WHITE),
            fill_path(f"M{fmt(x + w - fold)} {fmt(y)}V{fmt(y + fold)}H{fmt(x + w)}Z", "#D6EEF3")]
    for i in range(lines):
        ly = y + fold + 8 + i * 11
        length = w - 20 if i % 2 == 0 else w - 30
        body.append(rect(x + 10, ly, length, 4.5, face, 2.2))
    return body


def create_art(face):
    return sheet(20, 18, 62, 82, face, 4) + [
        circle(84, 94, 21, WHITE),
        circle(84, 94, 17, face),
        stroke_path("M84 84.5V103.5M74.5 94H93.5", WHITE, 5),
    ]


def manage_art(face):
    body = [fill_path("M16 20H86V98H16Z", WHITE)]
    for i in range(4):
        y = 32 + i * 16
        body += [circle(27, y + 2, 4, face), rect(36, y, 40 if i % 2 else 34, 4.5, face, 2.2)]
    body += [circle(84, 96, 23, face), fill_path(gear_path(84, 96, 20, 14.5, 6.5, teeth=9), WHITE, True)]
    return body


def schedule_art(face):
    hands = stroke_path("M58 38V64L76 74", face, 6)
    ticks = "".join(
        f"M{fmt(58 + 30 * math.cos(a))} {fmt(64 + 30 * math.sin(a))}"
        f"L{fmt(58 + 35 * math.cos(a))} {fmt(64 + 35 * math.sin(a))}"
        for a in (i * math.pi / 2 for i in range(4)))
    body = [circle(58, 64, 44, WHITE), circle(58, 64, 39, face), circle(58, 64, 36, WHITE),
            stroke_path(ticks, face, 3), hands, circle(58, 64, 4, face)]
    # The calendar sits right of the clock, below the caption room at the top.
    x, y = 122, 70
    body += [rect(x, y, 84, 52, WHITE, 5), fill_path(f"M{x} {y + 5}A5 5 0 0 1 {x + 5} {y}H{x + 79}"
                                                      f"A5 5 0 0 1 {x + 84} {y + 5}V{y + 13}H{x}Z", "#D6EEF3"),
             rect(x + 16, y - 6, 5, 13, WHITE, 2.5), rect(x + 63, y - 6, 5, 13, WHITE, 2.5)]
    for row in range(3):
        for col in range(6):
            colour = face if (row, col) != (1, 3) else DEEP
            body.append(rect(x + 8 + col * 12.4, y + 19 + row * 10.4, 7.5, 6.5, colour, 1.2))
    return body


def popup_close(width, height):
    return svg(width, height, [stroke_path("M1.5 1.5L6.5 6.5M6.5 1.5L1.5 6.5", WHITE, 1.5)], (8, 8))


# --- Application icon --------------------------------------------------------------------

def app_icon():
    return svg(256, 256, [
        rect(8, 8, 240, 240, TEAL, 52),
        fill_path("M8 156H248V196A52 52 0 0 1 196 248H60A52 52 0 0 1 8 196Z", DARK),
        # The cable runs from the plug down out of the picture.
        stroke_path("M100 190V212C100 232 124 236 150 236", WHITE, 16),
        # Plug body and prongs.
        fill_path("M52 112H148V146A48 48 0 0 1 100 194A48 48 0 0 1 52 146Z", WHITE),
        rect(68, 70, 18, 48, WHITE, 7), rect(114, 70, 18, 48, WHITE, 7),
        # A leaf sprouts from the plug's corner.
        fill_path(leaf_path(140, 26, 96), WHITE, True),
    ])


# --- Catalogue ---------------------------------------------------------------------------

# 16-pixel badges by catalogue name (without the state ending).
GLYPHS = {
    "AboutMenuItem": g_info,
    "CreatePlan": g_sheet_plus, "EditPlan": g_pencil, "DeletePlan": g_trash,
    "AddSchedule": g_plus, "EditSchedule": g_pencil, "EnableSchedule": g_check,
    "DisableSchedule": g_stop, "RemoveSchedule": g_cross,
    "PowerButton": g_power, "Sleep": g_moon, "LidClose": g_lid, "DisplayDim": g_display_dim,
    "DisplayOff": g_display_off, "HardDisk": g_disk, "Hibernate": g_snow, "LockOnWake": g_lock,
    "Brightness": g_sun, "PerformanceProfile": g_gauge, "PluggedIn": g_plug, "OnBattery": g_battery,
    "Dot": g_dot, "Ring": g_ring, "Square": g_square, "Diamond": g_diamond, "Play": g_play,
    "ArrowRight": g_arrow("right"), "ArrowLeft": g_arrow("left"), "ArrowUp": g_arrow("up"),
    "ArrowDown": g_arrow("down"), "Info": g_info, "Star": g_star, "Minus": g_minus,
}

# Every other drawing by catalogue name: (width, height, state) -> SVG text.
DRAWINGS = {
    "DialogButton": button_face,
    "WideDialogButton": button_face,
    "DarkButton": lambda w, h, state: button_face(w, h, state, DARK_FACE),
    "CreatePlanTile": lambda w, h, state: tile(w, h, state, create_art),
    "ManagePlansTile": lambda w, h, state: tile(w, h, state, manage_art),
    "SchedulePlanTile": lambda w, h, state: tile(w, h, state, schedule_art),
    "Home": home_picture,
    "Help": lambda w, h, state: help_picture(w, h, state == "disabled"),
    "Settings": lambda w, h, state: settings_picture(w, h, state == "disabled"),
    "WordMark": lambda w, h, state: wordmark_picture(w, h, DARK, TEAL),
    "PopupClose": lambda w, h, state: popup_close(w, h),
    "PopupBrand": lambda w, h, state: wordmark_picture(w, h, WHITE, WHITE),
}
DRAWINGS.update({name: (lambda glyph: lambda w, h, state: badge(w, h, glyph, state == "disabled"))(glyph)
                 for name, glyph in GLYPHS.items()})


def read_catalogue(path=CATALOGUE):
    """(id, name, width, height) for every picture listed in the catalogue."""
    entries = []
    for number, line in enumerate(path.read_text().splitlines(), 1):
        fields = line.split("#", 1)[0].split()
        if not fields:
            continue
        if len(fields) != 4 or not all(f.isdigit() for f in (fields[0], fields[2], fields[3])):
            raise SystemExit(f"{path}:{number}: expected 'id name width height'")
        entries.append((int(fields[0]), fields[1], int(fields[2]), int(fields[3])))
    return entries


def drawing_and_state(name):
    """The drawing for a catalogue name and the state its ending names."""
    for state in ("Hover", "Pressed", "Disabled"):
        if name.endswith(state) and name[:-len(state)] in DRAWINGS:
            return DRAWINGS[name[:-len(state)]], state.lower()
    if name not in DRAWINGS:
        raise SystemExit(f"{CATALOGUE}: no drawing for {name}")
    return DRAWINGS[name], "normal"


def pictures():
    out = {}
    for ident, name, width, height in read_catalogue():
        draw, state = drawing_and_state(name)
        try:
            out[ident] = draw(width, height, state)
        except KeyError:
            raise SystemExit(f"{CATALOGUE}: {name}: the drawing has no {state} state") from None
    return out


def write(path, text):
    """Leaves unchanged files alone so the build renders only what changed."""
    if not path.exists() or path.read_text() != text:
        path.write_text(text)


def main():
    PICTURES.mkdir(parents=True, exist_ok=True)
    ICONS.mkdir(parents=True, exist_ok=True)
    for ident, text in sorted(pictures().items()):
        write(PICTURES / f"{ident}.svg", text)
    write(PICTURES / "vt-orvale-am.svg", wordmark_picture(180, 40, WHITE, WHITE))
    write(ICONS / "ampora.svg", app_icon())


if __name__ == "__main__":
    main()
