#!/usr/bin/env python3
"""Draws the widget and screen imagesets of the module.

Writes, for every sheet below, the vector source datafiles/artwork/<Sheet>.svg (the build renders
it to imagesets/<Sheet>.png with rsvg-convert) and the matching datafiles/imagesets/<Sheet>.imageset
with the name and place of every picture on the sheet. Run it after changing a drawing and commit
both outputs:

    tools/artwork/make_imagesets.py

One palette for everything, taken from artwork/Vokaran.svg: a dark navy stage, gold for what has
the focus or is being sung, cyan for the current section and for singers, green / yellow / red
for grading. Shapes that are stretched by the looks avoid rounded corners along the stretched
direction, or are cut into end pieces and a middle piece.
"""
import os
import re
import sys

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
ART = os.path.join(ROOT, "datafiles", "artwork")
SETS = os.path.join(ROOT, "datafiles", "imagesets")

FONT = "WenQuanYi Micro Hei"

# The palette.
NAVY_TOP = "#1d2442"
NAVY_BOT = "#10142a"
INK = "#0b0f1f"
BTN_TOP = "#2b3558"
BTN_BOT = "#1c2340"
LINE = "#44518a"
LINE_DIM = "#2a3150"
GOLD_LIGHT = "#ffe08f"
GOLD = "#d9a441"
GOLD_DEEP = "#c08a2c"
GOLD_DARK = "#8f6420"
CREAM = "#fff2c4"
CYAN = "#36c5e0"
CYAN_LIGHT = "#7fe6f8"
TEXT = "#e8ecff"
TEXT_DIM = "#8a93b8"
DISABLED = "#5a6388"
DARK_TEXT = "#1a1324"
GREEN = "#4fd27d"
GREEN_LIGHT = "#a5f0be"
YELLOW = "#f5c842"
YELLOW_LIGHT = "#ffe9a0"
RED = "#f0555a"
RED_LIGHT = "#ffb0b2"
PURPLE = "#a67cf2"
PURPLE_LIGHT = "#dcc8ff"

DEFS = f"""  <defs>
    <linearGradient id="panel" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="{NAVY_TOP}"/><stop offset="1" stop-color="{NAVY_BOT}"/>
    </linearGradient>
    <linearGradient id="btn" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="{BTN_TOP}"/><stop offset="1" stop-color="{BTN_BOT}"/>
    </linearGradient>
    <linearGradient id="gold" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="{GOLD_LIGHT}"/><stop offset="1" stop-color="{GOLD}"/>
    </linearGradient>
    <linearGradient id="goldDeep" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="{GOLD_DEEP}"/><stop offset="1" stop-color="{GOLD_DARK}"/>
    </linearGradient>
    <linearGradient id="goldH" x1="0" y1="0" x2="1" y2="0">
      <stop offset="0" stop-color="{GOLD}"/><stop offset="1" stop-color="{GOLD_LIGHT}"/>
    </linearGradient>
    <linearGradient id="goldV" x1="0" y1="1" x2="0" y2="0">
      <stop offset="0" stop-color="{GOLD}"/><stop offset="1" stop-color="{GOLD_LIGHT}"/>
    </linearGradient>
    <linearGradient id="cream" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="#fffaf0"/><stop offset="1" stop-color="{GOLD_LIGHT}"/>
    </linearGradient>
    <linearGradient id="cyan" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="{CYAN_LIGHT}"/><stop offset="1" stop-color="{CYAN}"/>
    </linearGradient>
    <linearGradient id="glass" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="#2a3358" stop-opacity="0.85"/>
      <stop offset="1" stop-color="#141a33" stop-opacity="0.85"/>
    </linearGradient>
    <linearGradient id="glassHover" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="#5a4a22" stop-opacity="0.95"/>
      <stop offset="1" stop-color="#2b2414" stop-opacity="0.95"/>
    </linearGradient>
    <linearGradient id="glowUp" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="{GOLD}" stop-opacity="0"/>
      <stop offset="1" stop-color="{GOLD}" stop-opacity="0.40"/>
    </linearGradient>
    <linearGradient id="cyanGlowUp" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="{CYAN}" stop-opacity="0"/>
      <stop offset="1" stop-color="{CYAN}" stop-opacity="0.35"/>
    </linearGradient>
    <linearGradient id="stage" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="#0d1126" stop-opacity="0.92"/>
      <stop offset="0.5" stop-color="#161c3a" stop-opacity="0.92"/>
      <stop offset="1" stop-color="#0d1126" stop-opacity="0.92"/>
    </linearGradient>
    <linearGradient id="sang" x1="0" y1="0" x2="1" y2="0">
      <stop offset="0" stop-color="{GOLD}" stop-opacity="0.04"/>
      <stop offset="1" stop-color="{GOLD}" stop-opacity="0.22"/>
    </linearGradient>
    <linearGradient id="dim" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="#232842"/><stop offset="1" stop-color="#181c30"/>
    </linearGradient>
    <linearGradient id="green" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="{GREEN_LIGHT}"/><stop offset="1" stop-color="{GREEN}"/>
    </linearGradient>
    <linearGradient id="yellow" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="{YELLOW_LIGHT}"/><stop offset="1" stop-color="{YELLOW}"/>
    </linearGradient>
    <linearGradient id="red" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="{RED_LIGHT}"/><stop offset="1" stop-color="{RED}"/>
    </linearGradient>
    <linearGradient id="purple" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="{PURPLE_LIGHT}"/><stop offset="1" stop-color="{PURPLE}"/>
    </linearGradient>
    <radialGradient id="halo" cx="0.5" cy="0.5" r="0.5">
      <stop offset="0" stop-color="{GOLD_LIGHT}" stop-opacity="0.55"/>
      <stop offset="1" stop-color="{GOLD_LIGHT}" stop-opacity="0"/>
    </radialGradient>
  </defs>
"""


# ----------------------------------------------------------------------------------------------
# Drawing helpers: each returns SVG text in the picture's own coordinates.

def rect(x, y, w, h, r=0, fill="none", stroke=None, sw=0, opacity=None, extra=""):
    s = f'<rect x="{x:g}" y="{y:g}" width="{w:g}" height="{h:g}"'
    if r:
        s += f' rx="{r:g}"'
    s += f' fill="{fill}"'
    if stroke:
        s += f' stroke="{stroke}" stroke-width="{sw:g}"'
    if opacity is not None:
        s += f' opacity="{opacity:g}"'
    return s + f"{extra}/>"


def text(x, y, s, size, fill, anchor="middle", bold=False, extra=""):
    weight = ' font-weight="bold"' if bold else ""
    return (f'<text x="{x:g}" y="{y:g}" font-family="{FONT}" font-size="{size:g}"{weight} '
            f'fill="{fill}" text-anchor="{anchor}"{extra}>{s}</text>')


def path(d, fill="none", stroke=None, sw=0, extra=""):
    s = f'<path d="{d}" fill="{fill}"'
    if stroke:
        s += f' stroke="{stroke}" stroke-width="{sw:g}" stroke-linecap="round" stroke-linejoin="round"'
    return s + f"{extra}/>"


def circle(cx, cy, r, fill="none", stroke=None, sw=0, extra=""):
    s = f'<circle cx="{cx:g}" cy="{cy:g}" r="{r:g}" fill="{fill}"'
    if stroke:
        s += f' stroke="{stroke}" stroke-width="{sw:g}"'
    return s + f"{extra}/>"


def pill(w, h, fill, stroke=None, sw=0, inset=1.5, r=None):
    r = (h - 2 * inset) / 2 if r is None else r
    return rect(inset, inset, w - 2 * inset, h - 2 * inset, r, fill, stroke, sw)


# ----------------------------------------------------------------------------------------------
# Sheets

class Sheet:
    """Pictures packed row by row on one sheet. A picture may be cut into several images."""

    def __init__(self, name, width, pad=4, defs="", glyphs=False):
        self.name = name
        self.glyphs = glyphs  # a pixmap font's glyphs: every image stands on the text's baseline
        self.defs = defs  # gradients only this sheet uses, added to the shared ones
        self.width = width
        self.pad = pad
        self.items = []

    def add(self, name, w, h, body, cuts=None, bleed=0):
        """One picture `w` x `h`. `cuts` lists (image name, x, y, w, h) inside it; without cuts the
        whole picture is one image called `name`. `bleed` lets the drawing run that many pixels
        past the left and right edges into the padding, for pieces drawn side by side: filtering
        at a stretched piece's edge then picks up the shape's continuation, not a seam."""
        self.items.append((name, w, h, body, cuts or [(name, 0, 0, w, h)], bleed))

    def add3(self, name, w, h, body, end, suffixes=("L", "M", "R")):
        """A horizontal picture cut into two end pieces `end` wide and the middle."""
        cuts = [(name + suffixes[0], 0, 0, end, h), (name + suffixes[1], end, 0, w - 2 * end, h),
                (name + suffixes[2], w - end, 0, end, h)]
        self.add(name, w, h, body, cuts)

    def add3v(self, name, w, h, body, end):
        """A vertical picture cut into top and bottom pieces `end` high and the middle."""
        cuts = [(name + "T", 0, 0, w, end), (name + "M", 0, end, w, h - 2 * end),
                (name + "B", 0, h - end, w, end)]
        self.add(name, w, h, body, cuts)

    def add9(self, name, size, corner, body):
        """A square picture cut into the nine pieces of a frame."""
        c, m = corner, size - 2 * corner
        parts = [("TL", 0, 0, c, c), ("T", c, 0, m, c), ("TR", c + m, 0, c, c),
                 ("L", 0, c, c, m), ("C", c, c, m, m), ("R", c + m, c, c, m),
                 ("BL", 0, c + m, c, c), ("B", c, c + m, m, c), ("BR", c + m, c + m, c, c)]
        self.add(name, size, size, body, [(name + p, x, y, w, h) for p, x, y, w, h in parts])

    def write(self):
        x = y = row_h = 0
        placed = []
        for name, w, h, body, cuts, bleed in self.items:
            if x and x + w > self.width:
                x, y, row_h = 0, y + row_h + self.pad, 0
            placed.append((name, x, y, w, h, body, cuts, bleed))
            x += w + self.pad
            row_h = max(row_h, h)
        height = y + row_h
        height += (-height) % 4
        svg = [f'<svg xmlns="http://www.w3.org/2000/svg" width="{self.width}" height="{height}" '
               f'viewBox="0 0 {self.width} {height}">',
               f"  <!-- Generated by tools/artwork/make_imagesets.py: edit the drawing there. -->",
               DEFS.replace("  </defs>", self.defs + "  </defs>") if self.defs else DEFS]
        images = []
        for name, px, py, w, h, body, cuts, bleed in placed:
            # Each picture is clipped to its own place on the sheet.
            ident = re.sub(r"[^A-Za-z0-9_]", "_", name)
            svg.append(f'  <g id="{ident}" transform="translate({px},{py})">')
            svg.append("    <!-- " + ", ".join(c[0] for c in cuts) + " -->")
            clip = f'<rect x="{-bleed}" width="{w + 2 * bleed}" height="{h}"/>' if bleed else \
                f'<rect width="{w}" height="{h}"/>'
            svg.append(f'    <clipPath id="clip_{ident}">{clip}</clipPath>')
            svg.append(f'    <g clip-path="url(#clip_{ident})">')
            for line in body(w, h):
                svg.append("      " + line)
            svg.append("    </g>")
            svg.append("  </g>")
            for cname, cx, cy, cw, ch in cuts:
                offset = f'yOffset="{-ch}" ' if self.glyphs else ""
                images.append(f'    <Image name="{cname}" xPos="{px + cx}" yPos="{py + cy}" '
                              f'width="{cw}" height="{ch}" {offset}/>')
        svg.append("</svg>")
        with open(os.path.join(ART, self.name + ".svg"), "w", encoding="utf-8") as f:
            f.write("\n".join(svg) + "\n")
        with open(os.path.join(SETS, self.name + ".imageset"), "w", encoding="utf-8") as f:
            f.write('<?xml version="1.0" ?>\n'
                    "<!-- Generated by tools/artwork/make_imagesets.py with artwork/"
                    f"{self.name}.svg. -->\n"
                    f'<Imageset version="2" name="{self.name}" imagefile="{self.name}.png" '
                    'nativeHorzRes="1440" nativeVertRes="900" autoScaled="false">\n')
            f.write("\n".join(images) + "\n</Imageset>\n")


# ----------------------------------------------------------------------------------------------
# Shared pictures

def button_face(w, h, state, label=None, size=24, icon=None):
    """A rounded button in one of the four button states; `icon` draws on top (w, h, colour)."""
    r = min(14, h / 2 - 2)
    if state == "Normal":
        body = [rect(2, 2, w - 4, h - 4, r, "url(#btn)", LINE, 2)]
        ink = TEXT
    elif state == "Hover":
        body = [rect(1, 1, w - 2, h - 2, r + 1, "url(#halo)"),
                rect(3, 3, w - 6, h - 6, r, "url(#gold)", CREAM, 2.5)]
        ink = DARK_TEXT
    elif state == "Down":
        body = [rect(3, 4, w - 6, h - 6, r, "url(#goldDeep)", GOLD_LIGHT, 2)]
        ink = CREAM
    else:
        body = [rect(2, 2, w - 4, h - 4, r, "#171b2e", LINE_DIM, 2)]
        ink = DISABLED
    if icon:
        body += icon(w, h, ink)
    if label:
        body.append(text(w / 2 + (14 if icon else 0), h / 2 + size * 0.36, label, size, ink, bold=True))
    return body


def play_icon(cx, cy, s, colour):
    return [path(f"M{cx - s * 0.35:g} {cy - s * 0.5:g} L{cx + s * 0.5:g} {cy:g} "
                 f"L{cx - s * 0.35:g} {cy + s * 0.5:g} Z", colour)]


def pause_icon(cx, cy, s, colour):
    bw = s * 0.28
    return [rect(cx - s * 0.4, cy - s * 0.5, bw, s, bw / 3, colour),
            rect(cx + s * 0.4 - bw, cy - s * 0.5, bw, s, bw / 3, colour)]


def upload_icon(cx, cy, s, colour):
    return [path(f"M{cx:g} {cy + s * 0.45:g} V{cy - s * 0.35:g} M{cx - s * 0.35:g} {cy - s * 0.02:g} "
                 f"L{cx:g} {cy - s * 0.45:g} L{cx + s * 0.35:g} {cy - s * 0.02:g}",
                 stroke=colour, sw=s * 0.14)]


def check_icon(cx, cy, s, colour):
    return [path(f"M{cx - s * 0.45:g} {cy:g} L{cx - s * 0.12:g} {cy + s * 0.33:g} "
                 f"L{cx + s * 0.45:g} {cy - s * 0.35:g}", stroke=colour, sw=s * 0.16)]


def wave_icon(cx, cy, s, colour, n):
    """A sound-wave mark with `n` arcs (the four effect modes differ by it)."""
    out = [circle(cx - s * 0.35, cy, s * 0.09, colour)]
    for i in range(n):
        r = s * (0.22 + 0.16 * i)
        out.append(path(f"M{cx - s * 0.35 + r * 0.7:g} {cy - r * 0.7:g} "
                        f"A{r:g} {r:g} 0 0 1 {cx - s * 0.35 + r * 0.7:g} {cy + r * 0.7:g}",
                        stroke=colour, sw=s * 0.07))
    return out


# ----------------------------------------------------------------------------------------------
# VokaranWidgets: the imagery of the widget looks

def widgets_sheet():
    s = Sheet("VokaranWidgets", 512)

    # Menu item with the focus: a gold ring with a warm glow, readable from the sofa.
    s.add3("MenuFocus", 120, 56, lambda w, h: [
        rect(1, 3, w - 2, h - 6, 14, "url(#halo)"),
        rect(3, 5, w - 6, h - 10, 12, "#2a2414", GOLD_LIGHT, 3),
        rect(6, 8, w - 12, h - 16, 9, "url(#glowUp)")], 20)
    # The item on the way to the focus, in a level without the focus: a dim gold underline.
    s.add3("MenuPath", 96, 56, lambda w, h: [
        rect(0, 0, w, h, 10, "url(#glowUp)", opacity=0.45),
        rect(8, h - 6, w - 16, 4, 2, GOLD, opacity=0.7)], 12)
    # The current section: a cyan underline (the main menu's disabled item).
    s.add3("MenuCurrent", 96, 56, lambda w, h: [
        rect(0, 0, w, h, 10, "url(#cyanGlowUp)"),
        rect(8, h - 6, w - 16, 5, 2.5, CYAN_LIGHT)], 12)
    # Pop-up arrows of items that open a pop-up.
    s.add("PopupClosed", 20, 12, lambda w, h: [path("M3 3 L10 10 L17 3", stroke=GOLD, sw=3)])
    s.add("PopupOpen", 20, 12, lambda w, h: [path("M3 10 L10 3 L17 10", stroke=GOLD_LIGHT, sw=3)])
    s.add("PopupRight", 12, 20, lambda w, h: [path("M3 3 L10 10 L3 17", stroke=GOLD, sw=3)])

    # Slider: track, filled part, focused track, thumb.
    s.add3("SliderTrack", 120, 16, lambda w, h: [pill(w, h, INK, LINE, 2)], 10)
    # The focused slider's track: gold edged with a glow around it, 4 pixels each side.
    s.add3("SliderTrackHover", 128, 24, lambda w, h: [
        rect(0.5, 0.5, w - 1, h - 1, 11.5, "none", GOLD, 4, opacity=0.35),
        rect(4.5, 4.5, w - 9, h - 9, 7.5, INK, GOLD_LIGHT, 2.5)], 14)
    s.add3("SliderPassed", 120, 16, lambda w, h: [pill(w, h, "url(#goldH)", inset=3)], 10)
    s.add3("SliderPassedDisabled", 120, 16, lambda w, h: [pill(w, h, DISABLED, inset=3)], 10)
    s.add("SliderThumbNormal", 32, 32, lambda w, h: [
        circle(16, 16, 13, "url(#cream)", GOLD_DEEP, 2), circle(16, 16, 4.5, GOLD_DEEP)])
    s.add("SliderThumbHover", 32, 32, lambda w, h: [
        circle(16, 16, 15.5, "url(#halo)"), circle(16, 16, 13, "#ffffff", GOLD_LIGHT, 3),
        circle(16, 16, 5, GOLD)])

    # Progress bars: focused tracks, brighter and disabled fills, and the vertical set.
    s.add3("ProgressTrackHover", 96, 20, lambda w, h: [pill(w, h, INK, GOLD_LIGHT, 2, inset=1)], 10)
    s.add3("ProgressFillHover", 96, 20, lambda w, h: [pill(w, h, "url(#cream)", inset=2)], 10)
    s.add3("ProgressFillDisabled", 96, 20, lambda w, h: [pill(w, h, DISABLED, inset=2)], 10)
    s.add3v("VProgressTrack", 24, 96, lambda w, h: [rect(1, 1, w - 2, h - 2, 11, INK, LINE, 2)], 12)
    s.add3v("VProgressTrackHover", 24, 96, lambda w, h: [
        rect(1, 1, w - 2, h - 2, 11, INK, GOLD_LIGHT, 2)], 12)
    s.add3v("VProgressFill", 24, 96, lambda w, h: [rect(3, 3, w - 6, h - 6, 9, "url(#goldV)")], 12)
    s.add3v("VProgressFillHover", 24, 96, lambda w, h: [rect(3, 3, w - 6, h - 6, 9, "url(#cream)")], 12)
    s.add3v("VProgressFillDisabled", 24, 96, lambda w, h: [rect(3, 3, w - 6, h - 6, 9, DISABLED)], 12)

    # Tiles: selected (gold) and hovered (cyan) frames, and the focus frame of image buttons.
    s.add9("ItemSelected", 72, 24, lambda w, h: [
        rect(2, 2, w - 4, h - 4, 16, "#d9a441", opacity=0.16),
        rect(2, 2, w - 4, h - 4, 16, "none", GOLD_LIGHT, 3)])
    s.add9("ItemHover", 72, 24, lambda w, h: [
        rect(1, 1, w - 2, h - 2, 17, "none", CYAN, 4, opacity=0.35),
        rect(3, 3, w - 6, h - 6, 15, "none", CYAN_LIGHT, 2)])
    s.add9("FocusFrame", 48, 16, lambda w, h: [
        rect(1, 1, w - 2, h - 2, 13, "none", GOLD, 4, opacity=0.45),
        rect(3, 3, w - 6, h - 6, 11, "none", GOLD_LIGHT, 2.5)])
    # The list's frame: a quiet navy panel.
    s.add9("ListFrame", 48, 16, lambda w, h: [
        rect(1, 1, w - 2, h - 2, 12, "#0c1024", LINE_DIM, 2, opacity=0.9)])
    return s


# ----------------------------------------------------------------------------------------------
# The screens' imagesets, named as the module's windows use them

def pk_sheet():
    s = Sheet("PK", 760)
    tabs = {"WaitUpLoad": "待上传作品", "HasUpLoad": "已上传作品"}
    for name, label in tabs.items():
        s.add(name + "_Normal", 200, 56, lambda w, h, l=label: [
            rect(2, 4, w - 4, h - 6, 14, "url(#btn)", LINE, 2), text(w / 2, 37, l, 22, TEXT_DIM, bold=True)])
        s.add(name + "_Hover", 200, 56, lambda w, h, l=label: [
            rect(2, 2, w - 4, h - 4, 14, "url(#gold)", CREAM, 2.5), text(w / 2, 36, l, 22, DARK_TEXT, bold=True)])
    for state, face in (("Normal", "Normal"), ("Hover", "Hover"), ("Down", "Down")):
        s.add("Ok_" + state, 150, 56, lambda w, h, f=face: button_face(
            w, h, f, "完成", 22, icon=lambda w, h, c: check_icon(34, h / 2, 22, c)))
    for name, icon in (("Play", play_icon), ("Pause", pause_icon)):
        s.add(name + "_Normal", 72, 72, lambda w, h, i=icon: [
            circle(36, 36, 33, "url(#btn)", LINE, 2.5)] + i(38 if i is play_icon else 36, 36, 28, TEXT))
        s.add(name + "_Hover", 72, 72, lambda w, h, i=icon: [
            circle(36, 36, 35, "url(#halo)"), circle(36, 36, 31, "url(#gold)", CREAM, 3)]
            + i(38 if i is play_icon else 36, 36, 28, DARK_TEXT))
    # Tone choices: the whole choice is drawn, its label is the window's text.
    s.add("RadioBtn_Normal", 280, 60, lambda w, h: [
        rect(2, 2, w - 4, h - 4, 14, "url(#glass)", LINE, 2),
        circle(32, 30, 12, INK, TEXT_DIM, 2.5)])
    s.add("RadioBtn_Hover", 280, 60, lambda w, h: [
        rect(2, 2, w - 4, h - 4, 14, "url(#glassHover)", GOLD_LIGHT, 2.5),
        circle(32, 30, 12, INK, GOLD_LIGHT, 3), circle(32, 30, 6.5, "url(#gold)")])
    # Every other row of the works lists: a flat band with hairlines, stretched sideways.
    s.add("UploadListItem_Normal", 64, 48, lambda w, h: [
        rect(0, 0, w, h, 0, "#ffffff", opacity=0.05), rect(0, 0, w, 1, 0, "#ffffff", opacity=0.10),
        rect(0, h - 1, w, 1, 0, "#000000", opacity=0.25)])
    return s


def pk0_sheet():
    s = Sheet("PK0", 640)
    for name, icon, label in (("PauseEllipse", pause_icon, "暂停"), ("UpLoadEllipse", upload_icon, "上传")):
        for state, face in (("Normal", "Normal"), ("Hover", "Hover"), ("Down", "Down")):
            def body(w, h, f=face, i=icon, l=label):
                r = h / 2 - 2
                if f == "Normal":
                    out, ink = [rect(2, 2, w - 4, h - 4, r, "url(#btn)", CYAN, 2)], CYAN_LIGHT
                elif f == "Hover":
                    out, ink = [rect(1, 1, w - 2, h - 2, r + 1, "url(#halo)"),
                                rect(3, 3, w - 6, h - 6, r - 1, "url(#gold)", CREAM, 2.5)], DARK_TEXT
                else:
                    out, ink = [rect(3, 4, w - 6, h - 6, r - 1, "url(#goldDeep)", GOLD_LIGHT, 2)], CREAM
                return out + i(34, h / 2, 20, ink) + [text(78, h / 2 + 8, l, 22, ink, bold=True)]
            s.add(f"{name}_{state}", 128, 48, body)
    # A work that can no longer be mixed cannot be shared: the upload button's disabled face.
    s.add("UpLoadEllipse_Disabled", 128, 48, lambda w, h: ellipse_face(w, h, "Disabled", upload_icon, "上传"))
    # Song list cells, drawn at their usual size so the stretch stays small.
    s.add("SongListItemBK_Normal", 600, 84, lambda w, h: [
        rect(3, 3, w - 6, h - 6, 12, "url(#glass)", LINE_DIM, 1.5)])
    s.add("SongListItemBK_Hover", 600, 84, lambda w, h: [
        rect(1, 1, w - 2, h - 2, 14, "none", GOLD, 3, opacity=0.45),
        rect(3, 3, w - 6, h - 6, 12, "url(#glassHover)", GOLD_LIGHT, 2.5),
        rect(14, h - 10, w - 28, 3, 1.5, GOLD_LIGHT, opacity=0.8)])
    s.add("ComboxEditBK_Hover", 240, 48, lambda w, h: [
        rect(2, 2, w - 4, h - 4, 10, INK, GOLD_LIGHT, 2.5),
        path(f"M{w - 34} 19 L{w - 24} 29 L{w - 14} 19", stroke=GOLD_LIGHT, sw=3)])
    # The works rows' play and delete buttons, beside the upload button and in its shape; a
    # disabled face for the ones a row cannot use (a contest work cannot be deleted).
    for name, icon, label in (("PlayEllipse", lambda cx, cy, sz, c: play_icon(cx + 2, cy, sz, c), "播放"),
                              ("DeleteEllipse", cross_icon, "删除")):
        for state in ("Normal", "Hover", "Down", "Disabled"):
            s.add(f"{name}_{state}", 128, 48, lambda w, h, f=state, i=icon, l=label: ellipse_face(w, h, f, i, l))
    # The contest flag of a works row.
    s.add("PKFlag", 64, 40, lambda w, h: [
        rect(2, 2, w - 4, h - 4, 8, "url(#gold)", CREAM, 2),
        text(w / 2, h / 2 + 8, "PK", 22, DARK_TEXT, bold=True)])
    return s


def cross_icon(cx, cy, s, colour):
    d = s * 0.36
    return [path(f"M{cx - d:g} {cy - d:g} L{cx + d:g} {cy + d:g} M{cx + d:g} {cy - d:g} L{cx - d:g} {cy + d:g}",
                 stroke=colour, sw=s * 0.15)]


def ellipse_face(w, h, state, icon, label):
    """A pill button of the works rows in one of its four states, an icon and a label on it."""
    r = h / 2 - 2
    if state == "Normal":
        out, ink = [rect(2, 2, w - 4, h - 4, r, "url(#btn)", LINE, 2)], TEXT
    elif state == "Hover":
        out, ink = [rect(1, 1, w - 2, h - 2, r + 1, "url(#halo)"),
                    rect(3, 3, w - 6, h - 6, r - 1, "url(#gold)", CREAM, 2.5)], DARK_TEXT
    elif state == "Down":
        out, ink = [rect(3, 4, w - 6, h - 6, r - 1, "url(#goldDeep)", GOLD_LIGHT, 2)], CREAM
    else:
        out, ink = [rect(2, 2, w - 4, h - 4, r, "#171b2e", LINE_DIM, 2)], DISABLED
    return out + icon(34, h / 2, 20, ink) + [text(78, h / 2 + 8, label, 22, ink, bold=True)]


PK1_DEFS = f"""    <linearGradient id="barCyan" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="{CYAN_LIGHT}"/><stop offset="0.55" stop-color="{CYAN}"/>
      <stop offset="1" stop-color="#1f93ad"/>
    </linearGradient>
    <linearGradient id="barGold" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="#fffbea"/><stop offset="0.4" stop-color="#ffe89a"/>
      <stop offset="1" stop-color="#f2b845"/>
    </linearGradient>
    <linearGradient id="nowGlow" x1="0" y1="0" x2="1" y2="0">
      <stop offset="0" stop-color="{GOLD_LIGHT}" stop-opacity="0"/>
      <stop offset="0.5" stop-color="{GOLD_LIGHT}" stop-opacity="0.45"/>
      <stop offset="1" stop-color="{GOLD_LIGHT}" stop-opacity="0"/>
    </linearGradient>
"""


def pk1_sheet():
    s = Sheet("PK1", 512, defs=PK1_DEFS)
    # The melody window: pitch guide lines on the stage, the sung part tinted gold.
    def bk(w, h):
        out = [rect(0, 0, w, h, 0, "url(#stage)")]
        for i in range(1, 12):
            y = h * i / 12
            out.append(rect(0, y, w, 1, 0, "#ffffff", opacity=0.07 if i % 3 else 0.14))
        return out
    s.add("BK", 256, 320, bk)
    s.add("SangBK", 64, 320, lambda w, h: [
        rect(0, 0, w, h, 0, "url(#sang)"), rect(w - 1, 0, 1, h, 0, GOLD_LIGHT, opacity=0.18)])
    # The now line: a bright core in a soft gold glow, centred on the sung area's edge.
    s.add("SangBKSmallRect", 12, 320, lambda w, h: [
        rect(0, 0, 12, h, 0, "url(#nowGlow)"), rect(4.5, 0, 3, h, 0, GOLD_LIGHT),
        rect(5.5, 0, 1, h, 0, "#fffaf0", opacity=0.9)])
    # Note bars, 22 px high: the left piece carries the rounded start, the right piece the
    # rounded end, the middle is stretched between them. A glossy body with a darker rim and a
    # highlight along the top, so a bar reads as one shape over the stage.
    for state, body, rim in (("Normal", "url(#barCyan)", "#1b7f99"), ("Hover", "url(#barGold)", "#a8741f")):
        def bar(x, w, h, r, b=body, e=rim):
            return [rect(x, 1.5, w, h - 3, r, b, e, 1.4),
                    rect(x + 5, 4, w - 10, 3.5, 1.75, "#ffffff", opacity=0.5)]
        s.add(f"LineLeft_{state}", 55, 22, lambda w, h, bar=bar: bar(1.5, w + 14, h, 9.5), bleed=2)
        s.add(f"LineMid_{state}", 16, 22, lambda w, h, bar=bar: bar(-6, w + 12, h, 0), bleed=2)
        s.add(f"LineRight_{state}", 55, 22, lambda w, h, bar=bar: bar(-14, w + 12.5, h, 9.5), bleed=2)
    # The head of a bar: a white bead ringed in the bar's colour.
    for name, ring, glow in (("Header", CYAN, CYAN_LIGHT), ("HeaderOver", GOLD_DEEP, GOLD_LIGHT)):
        s.add(name, 24, 24, lambda w, h, r=ring, g=glow: [
            circle(12, 12, 11.5, g, extra=' opacity="0.35"'), circle(12, 12, 8.5, "#ffffff", r, 3),
            circle(10.2, 9.8, 2.6, "#ffffff", extra=' opacity="0.9"')])
    # Pitch arrows of the grading display: the marker beside the scale bar, pointing at the note
    # bars, in the grading colours.
    for name, fill, edge in (("Red_Arrow", "url(#red)", RED), ("Yellow_Arrow", "url(#yellow)", YELLOW),
                             ("Green_Arrow", "url(#green)", GREEN)):
        s.add(name, 48, 44, lambda w, h, f=fill, e=edge: [
            path("M5 5 L44 22 L5 39 L14 22 Z", "#000000", extra=' opacity="0.35" transform="translate(1.5,2)"'),
            path("M5 5 L44 22 L5 39 L14 22 Z", f, e, 2.5),
            circle(22, 20, 3.5, "#ffffff", extra=' opacity="0.75"')])
    return s


def melodytrace_sheet():
    s = Sheet("MelodyTrace", 64, defs=f"""    <radialGradient id="pitchBrush" cx="0.5" cy="0.5" r="0.5">
      <stop offset="0" stop-color="{CYAN_LIGHT}"/><stop offset="0.5" stop-color="{CYAN_LIGHT}"/>
      <stop offset="0.7" stop-color="{CYAN}" stop-opacity="0.8"/>
      <stop offset="1" stop-color="{CYAN}" stop-opacity="0"/>
    </radialGradient>
""")
    # The singer's pitch trace is laid down a dot a pixel: first a cyan glow that fades out,
    # then a white core over all of it, so the dots merge into one smooth line that shows over
    # the cyan and the gold bars alike.
    s.add("PitchDot", 10, 10, lambda w, h: [circle(5, 5, 5, "url(#pitchBrush)")])
    s.add("PitchCore", 4, 4, lambda w, h: [circle(2, 2, 1.8, "#ffffff")])
    return s


def netmenu_sheet():
    s = Sheet("NetMenu", 512)
    colours = {"Green": ("url(#green)", GREEN, GREEN_LIGHT), "Yellow": ("url(#yellow)", YELLOW, YELLOW_LIGHT),
               "Purple": ("url(#purple)", PURPLE, PURPLE_LIGHT)}
    for name, (grad, base, light) in colours.items():
        s.add(f"{name}SmallFrame_Normal", 139, 58, lambda w, h, b=base: [
            rect(3, 3, w - 6, h - 6, 12, "url(#btn)", b, 2.5),
            rect(10, h - 9, w - 20, 3, 1.5, b, opacity=0.8)])
        s.add(f"{name}SmallFrame_Hover", 139, 58, lambda w, h, g=grad, l=light: [
            rect(0.5, 0.5, w - 1, h - 1, 14, "none", l, 3, opacity=0.5),
            rect(3, 3, w - 6, h - 6, 12, g, "#ffffff", 2.5)])
        s.add(f"{name}SmallFrame_Disable", 139, 58, lambda w, h, b=base: [
            rect(3, 3, w - 6, h - 6, 12, "url(#dim)", b, 1.5, opacity=0.75)])
    # Frames over the item backgrounds: a light top edge, transparent inside.
    for name, w0, h0 in (("MediumFrame", 139, 58), ("LargeFrame", 200, 63)):
        s.add(name, w0, h0, lambda w, h: [
            rect(3, 3, w - 6, h - 6, 12, "none", "#ffffff", 1, opacity=0.25),
            rect(14, 5, w - 28, 2, 1, "#ffffff", opacity=0.35)])
    return s


def menu2_sheet():
    s = Sheet("Menu2", 256)
    # Pop-up menu background: a navy panel, square in the middle so it stretches both ways,
    # with a gold rule on the right end.
    s.add("MenuBarBK_Left", 16, 64, lambda w, h: [
        rect(0, 0, w, h, 0, "#0d1228", opacity=0.94), rect(0, 0, 3, h, 0, GOLD, opacity=0.8)])
    s.add("MenuBarBK_Middle", 32, 64, lambda w, h: [rect(0, 0, w, h, 0, "#0d1228", opacity=0.94)])
    s.add("MenuBarBK_Right", 16, 64, lambda w, h: [
        rect(0, 0, w, h, 0, "#0d1228", opacity=0.94), rect(w - 3, 0, 3, h, 0, GOLD, opacity=0.8)])
    return s


AUDIO_BARS = [("Progress_vol", "总音量"), ("Progress_Accompany", "伴奏"), ("Progress_MIC", "麦克风"),
              ("Progress_MICRE", "麦克监听"), ("ProgressMelody", "旋律"), ("ProgressTempo", "速度"),
              ("ProgressKey", "音调"), ("ProgressECHO", "回声"), ("ProgressDepth", "深度")]


def dirudezud_sheet():
    s = Sheet("DirUdeZud", 700)
    # The mode list's background, tall like the list (230 x 495 on the reference screen);
    # lit gold while the list has the focus.
    s.add("AudioEffectBK_Normal", 240, 500, lambda w, h: [
        rect(2, 2, w - 4, h - 4, 18, "url(#panel)", LINE, 2, opacity=0.96),
        rect(24, 76, w - 48, 2, 1, LINE_DIM)])
    s.add("AudioEffectBK_Over", 240, 500, lambda w, h: [
        rect(1, 1, w - 2, h - 2, 19, "none", GOLD, 4, opacity=0.35),
        rect(3, 3, w - 6, h - 6, 17, "url(#panel)", GOLD_LIGHT, 2.5, opacity=0.96),
        rect(24, 76, w - 48, 2, 1, GOLD, opacity=0.6)])
    # The four modes: a face with a sound-wave icon at the left, the mode's name is the
    # button's text. Selected: the gold face (dark text).
    for i in range(1, 5):
        for state, face in (("Normal", "Normal"), ("Over", "Hover")):
            s.add(f"Stat{i}_{state}", 200, 56, lambda w, h, f=face, n=i: button_face(
                w, h, f, None, 22, icon=lambda w, h, c, n=n: wave_icon(30, h / 2, 30, c, n)))
    for state, ink, line in (("Nomal", TEXT, None), ("Over", GOLD_LIGHT, GOLD_LIGHT)):
        s.add(f"StatBK/StatName_{state}", 200, 48, lambda w, h, c=ink, l=line: [
            text(w / 2, 32, "音效模式", 24, c, bold=True)] + ([rect(40, h - 6, w - 80, 3, 1.5, l)] if l else []))
    # The labels under the nine bars of the audio panel ("...1" windows), dim or focused.
    for bar, label in AUDIO_BARS:
        for state, ink, line in (("Nomal", TEXT_DIM, None), ("Over", GOLD_LIGHT, GOLD_LIGHT)):
            s.add(f"AudioSetup/{bar}1_{state}", 120, 40, lambda w, h, c=ink, l=line, t=label: [
                text(w / 2, 27, t, 22, c, bold=True)] + ([rect(24, h - 4, w - 48, 3, 1.5, l)] if l else []))
    return s


KEYS = [str(d) for d in range(10)] + [chr(c) for c in range(ord("A"), ord("Z") + 1)]


def key_face(w, h, label, over, size=30):
    if over:
        return [rect(1, 1, w - 2, h - 2, 13, "url(#halo)"),
                rect(3, 3, w - 6, h - 6, 11, "url(#gold)", CREAM, 2.5),
                text(w / 2, h / 2 + size * 0.36, label, size, DARK_TEXT, bold=True)]
    return [rect(3, 3, w - 6, h - 6, 11, "url(#btn)", LINE, 2),
            rect(8, 5, w - 16, 2, 1, "#ffffff", opacity=0.12),
            text(w / 2, h / 2 + size * 0.36, label, size, TEXT, bold=True)]


def delete_icon(w, h, colour):
    cx, cy = w / 2, h / 2
    return [path(f"M{cx - 26:g} {cy:g} L{cx - 14:g} {cy - 13:g} H{cx + 24:g} V{cy + 13:g} H{cx - 14:g} Z",
                 stroke=colour, sw=3),
            path(f"M{cx - 2:g} {cy - 6:g} L{cx + 10:g} {cy + 6:g} M{cx + 10:g} {cy - 6:g} L{cx - 2:g} {cy + 6:g}",
                 stroke=colour, sw=3)]


def search_sheet(name, over):
    s = Sheet(name, 1000)
    suffix = "Over" if over else "Normal"
    for k in KEYS:
        s.add(f"Key_{k}_{suffix}", 80, 64, lambda w, h, k=k: key_face(w, h, k, over))
    def delete(w, h):
        face = key_face(w, h, "", over)
        return face + delete_icon(w, h, DARK_TEXT if over else TEXT)
    s.add(f"Key_Del_{suffix}", 160, 64, delete)
    return s


def songlisttille_sheet():
    s = Sheet("SongListTille", 700)
    for name, label in (("SING", "已点歌曲"), ("SANG", "已唱歌曲"), ("SearchResult", "搜索结果")):
        s.add(name, 320, 64, lambda w, h, l=label: [
            rect(8, h - 10, w - 16, 3, 1.5, "url(#goldH)"),
            circle(22, 30, 7, CYAN_LIGHT), circle(22, 30, 12, "none", CYAN, 2),
            text(w / 2 + 14, 42, l, 34, GOLD_LIGHT, bold=True)])
    return s


def list_sheet():
    s = Sheet("list", 512)
    s.add("WordsCountItemBK_Selected", 420, 96, lambda w, h: [
        rect(1, 1, w - 2, h - 2, 16, "none", GOLD, 4, opacity=0.4),
        rect(3, 3, w - 6, h - 6, 14, "url(#glassHover)", GOLD_LIGHT, 2.5)])
    return s


# ----------------------------------------------------------------------------------------------
# PlayCtrol: the play control bar at the bottom of the stage during a song

def next_song_icon(cx, cy, s, colour):
    """Skip to the next song: a play triangle against a bar."""
    return [path(f"M{cx - s * 0.45:g} {cy - s * 0.42:g} L{cx + s * 0.2:g} {cy:g} "
                 f"L{cx - s * 0.45:g} {cy + s * 0.42:g} Z", colour),
            rect(cx + s * 0.24, cy - s * 0.42, s * 0.16, s * 0.84, s * 0.05, colour)]


def resing_icon(cx, cy, s, colour):
    """Sing again: a circular arrow, open at the top right."""
    r = s * 0.36
    return [path(f"M{cx + r * 0.87:g} {cy - r * 0.5:g} A{r:g} {r:g} 0 1 0 {cx + r:g} {cy + r * 0.1:g}",
                 stroke=colour, sw=s * 0.12),
            path(f"M{cx + r * 0.2:g} {cy - r * 0.7:g} L{cx + r * 1.15:g} {cy - r * 0.5:g} "
                 f"L{cx + r * 1.1:g} {cy - r * 1.5:g} Z", colour)]


def note_icon(cx, cy, s, colour, crossed=False):
    """The guide melody: a beamed pair of notes; struck through while it is off."""
    out = [path(f"M{cx - s * 0.22:g} {cy + s * 0.3:g} V{cy - s * 0.4:g} L{cx + s * 0.38:g} {cy - s * 0.5:g} "
                f"V{cy + s * 0.2:g}", stroke=colour, sw=s * 0.09),
           rect(cx - s * 0.22, cy - s * 0.47, s * 0.6, s * 0.14, 0, colour,
                extra=f' transform="rotate(-9 {cx + s * 0.08:g} {cy - s * 0.42:g})"'),
           circle(cx - s * 0.33, cy + s * 0.3, s * 0.14, colour),
           circle(cx + s * 0.27, cy + s * 0.2, s * 0.14, colour)]
    if crossed:
        out.append(path(f"M{cx - s * 0.55:g} {cy - s * 0.55:g} L{cx + s * 0.55:g} {cy + s * 0.55:g}",
                        stroke=RED, sw=s * 0.11))
    return out


def mixer_icon(cx, cy, s, colour):
    """The audio settings: three faders with their knobs at different heights."""
    out = []
    for i, knob in enumerate((0.18, -0.22, 0.05)):
        x = cx + (i - 1) * s * 0.34
        out.append(rect(x - s * 0.045, cy - s * 0.45, s * 0.09, s * 0.9, s * 0.045, colour, opacity=0.7))
        out.append(rect(x - s * 0.14, cy + knob * s - s * 0.09, s * 0.28, s * 0.18, s * 0.06, colour))
    return out


PLAY_BUTTONS = [("Cut", "切歌", next_song_icon), ("RePlay", "重唱", resing_icon),
                ("MelodyOn", "主旋开", note_icon),
                ("MelodyOff", "主旋关", lambda cx, cy, s, c: note_icon(cx, cy, s, c, crossed=True)),
                ("Turn", "调音", mixer_icon)]


PLAYCTROL_DEFS = f"""    <linearGradient id="barStrip" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="#161c3a" stop-opacity="0.94"/>
      <stop offset="1" stop-color="#070a18" stop-opacity="0.97"/>
    </linearGradient>
    <linearGradient id="barGlow" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="{GOLD}" stop-opacity="0.35"/>
      <stop offset="1" stop-color="{GOLD}" stop-opacity="0"/>
    </linearGradient>
"""


def playctrol_sheet():
    s = Sheet("PlayCtrol", 512, defs=PLAYCTROL_DEFS)
    for name, label, icon in PLAY_BUTTONS:
        for state in ("Normal", "Hover", "Down"):
            s.add(f"{name}_{state}", 150, 60, lambda w, h, f=state, i=icon, l=label: button_face(
                w, h, f, l, 26 if len(l) < 3 else 24, icon=lambda w, h, c: i(32, h / 2, 30, c)))
    # The bar's strip, stretched across the stage: nearly opaque navy (it may briefly cover a
    # lyric line) under a gold rule with a soft glow.
    s.add("BarBK", 64, 108, lambda w, h: [
        rect(0, 0, w, h, 0, "url(#barStrip)"),
        rect(0, 0, w, 10, 0, "url(#barGlow)"),
        rect(0, 0, w, 2, 0, GOLD_LIGHT, opacity=0.85)])
    return s


# ----------------------------------------------------------------------------------------------
# PKGrade: the live grading display (scale bar, arrow glow, prompts, bursts, counter panels);
# PKScoreNumFont and PKScoreNumStepFont: the glyphs of its two digit fonts (a pixmap font names
# its images after itself).

GRADE_DEFS = f"""    <linearGradient id="tube" x1="0" y1="0" x2="1" y2="0">
      <stop offset="0" stop-color="#0a0d1c" stop-opacity="0.9"/>
      <stop offset="0.5" stop-color="#242c50" stop-opacity="0.9"/>
      <stop offset="1" stop-color="#0a0d1c" stop-opacity="0.9"/>
    </linearGradient>
    <linearGradient id="scale" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="{GREEN}"/><stop offset="0.5" stop-color="{YELLOW}"/>
      <stop offset="1" stop-color="{RED}"/>
    </linearGradient>
    <radialGradient id="glow" cx="0.5" cy="0.5" r="0.5">
      <stop offset="0" stop-color="#fff6c8" stop-opacity="0.95"/>
      <stop offset="0.35" stop-color="{GOLD_LIGHT}" stop-opacity="0.55"/>
      <stop offset="1" stop-color="{GOLD}" stop-opacity="0"/>
    </radialGradient>
    <radialGradient id="sparkHalo" cx="0.5" cy="0.5" r="0.5">
      <stop offset="0" stop-color="#ffffff" stop-opacity="0.8"/>
      <stop offset="1" stop-color="{GOLD_LIGHT}" stop-opacity="0"/>
    </radialGradient>
    <linearGradient id="perfect" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="#fffbe6"/><stop offset="0.45" stop-color="{GOLD_LIGHT}"/>
      <stop offset="1" stop-color="{GOLD_DEEP}"/>
    </linearGradient>
    <linearGradient id="good" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="#f0fff5"/><stop offset="0.5" stop-color="{GREEN_LIGHT}"/>
      <stop offset="1" stop-color="{GREEN}"/>
    </linearGradient>
    <linearGradient id="hard" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="#fff0e8"/><stop offset="0.5" stop-color="#ffb88a"/>
      <stop offset="1" stop-color="#f07a4a"/>
    </linearGradient>
    <linearGradient id="counter" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="#222a4d" stop-opacity="0.92"/>
      <stop offset="1" stop-color="#0e1226" stop-opacity="0.92"/>
    </linearGradient>
    <linearGradient id="digit" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="#fffbe8"/><stop offset="0.4" stop-color="{GOLD_LIGHT}"/>
      <stop offset="1" stop-color="{GOLD}"/>
    </linearGradient>
    <linearGradient id="stepDigit" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="#ffffff"/><stop offset="1" stop-color="{YELLOW_LIGHT}"/>
    </linearGradient>
"""


def star_path(cx, cy, outer, inner, points=5, turn=-90):
    import math
    pts = []
    for i in range(points * 2):
        r = outer if i % 2 == 0 else inner
        a = math.radians(turn + i * 180 / points)
        pts.append(f"{cx + r * math.cos(a):.2f} {cy + r * math.sin(a):.2f}")
    return "M" + " L".join(pts) + " Z"


def flower(w, h, petal, centre):
    import math
    cx, cy = w / 2, h / 2
    out = [circle(cx, cy, 20, "url(#sparkHalo)", extra=' opacity="0.45"')]
    for i in range(5):
        a = math.radians(-90 + i * 72)
        px, py = cx + 9 * math.cos(a), cy + 9 * math.sin(a)
        out.append(f'<ellipse cx="{px:.2f}" cy="{py:.2f}" rx="7.5" ry="10.5" fill="{petal}" '
                   f'stroke="#ffffff" stroke-opacity="0.55" stroke-width="1" '
                   f'transform="rotate({i * 72:g} {px:.2f} {py:.2f})"/>')
    out.append(circle(cx, cy, 5.5, centre, "#ffffff", 1))
    return out


def prompt(w, h, label, fill, edge, sparkle):
    """A prompt after a line: a big outlined word with a soft halo and two sparkles."""
    out = [f'<ellipse cx="{w / 2:g}" cy="{h / 2:g}" rx="{w / 2 - 4:g}" ry="{h / 2 - 6:g}" '
           f'fill="url(#sparkHalo)" opacity="0.28"/>']
    common = f' font-family="{FONT}" font-size="96" font-weight="bold" text-anchor="middle"'
    out.append(f'<text x="{w / 2 + 3:g}" y="{h / 2 + 38:g}"{common} fill="#000000" opacity="0.45">{label}</text>')
    out.append(f'<text x="{w / 2:g}" y="{h / 2 + 34:g}"{common} fill="{edge}" stroke="{edge}" '
               f'stroke-width="10" stroke-linejoin="round">{label}</text>')
    out.append(f'<text x="{w / 2:g}" y="{h / 2 + 34:g}"{common} fill="{fill}" stroke="#ffffff" '
               f'stroke-opacity="0.7" stroke-width="1.5">{label}</text>')
    if sparkle:
        out.append(path(star_path(34, 30, 16, 4, 4, 0), "#ffffff", extra=' opacity="0.9"'))
        out.append(path(star_path(w - 30, h - 34, 12, 3, 4, 0), "#ffffff", extra=' opacity="0.8"'))
    return out


def counter_panel(w, h, label):
    return [rect(3, 5, w - 6, h - 8, 18, "#000000", opacity=0.35),
            rect(2, 2, w - 4, h - 6, 18, "url(#counter)", GOLD_DEEP, 2),
            rect(10, 8, w - 20, 2, 1, GOLD_LIGHT, opacity=0.35),
            rect(w / 2 - 46, 14, 92, 30, 15, "#000000", opacity=0.35),
            text(w / 2, 37, label, 22, CYAN_LIGHT, bold=True, extra=' letter-spacing="4"')]


def pkgrade_sheet():
    s = Sheet("PKGrade", 760, defs=GRADE_DEFS)
    # The scale bar beside the note bars: a dark tube with the grading colours down its middle
    # and a tick for every fourth of the range. The note area is its top 0.96.
    def scale_line(w, h):
        out = [rect(0, 0, w, h, 8, "url(#tube)", LINE, 1.5),
               rect(w / 2 - 3, 8, 6, h * 0.96 - 8, 3, "url(#scale)", extra=' opacity="0.85"')]
        for i in range(9):
            y = 8 + (h * 0.96 - 16) * i / 8
            tw = 12 if i % 2 == 0 else 7
            out.append(rect(w - 4 - tw, y - 1, tw, 2, 1, TEXT, opacity=0.55 if i % 2 == 0 else 0.3))
        return out
    s.add("ScoreLine", 40, 320, scale_line)
    s.add("ArrowGlow", 120, 120, lambda w, h: [circle(60, 60, 58, "url(#glow)")])
    s.add("Perfect", 420, 150, lambda w, h: prompt(w, h, "完美!", "url(#perfect)", GOLD_DARK, True))
    s.add("Good", 420, 150, lambda w, h: prompt(w, h, "很好!", "url(#good)", "#1f6b40", True))
    s.add("Hard", 420, 150, lambda w, h: prompt(w, h, "加油!", "url(#hard)", "#8a3420", False))
    for name, label in (("YinGanPanel", "音准"), ("FeelPanel", "感情"), ("JieZouPanel", "节奏")):
        s.add(name, 230, 150, lambda w, h, l=label: counter_panel(w, h, l))
    s.add("Star", 47, 43, lambda w, h: [
        circle(23.5, 22, 21, "url(#sparkHalo)", extra=' opacity="0.6"'),
        path(star_path(23.5, 23, 19, 8), "url(#perfect)", GOLD_LIGHT, 1.2),
        circle(20, 19, 2.5, "#ffffff", extra=' opacity="0.9"')])
    s.add("StarSpark", 47, 43, lambda w, h: [
        circle(23.5, 21.5, 20, "url(#sparkHalo)", extra=' opacity="0.7"'),
        path(star_path(23.5, 21.5, 20, 3.5, 4, 0), "#ffffff"),
        path(star_path(23.5, 21.5, 10, 2, 4, 45), CREAM, extra=' opacity="0.8"')])
    for i, (petal, centre) in enumerate((("#ff8fb8", GOLD_LIGHT), (PURPLE_LIGHT, YELLOW), ("#ffd36b", RED_LIGHT))):
        s.add(f"Flower{i}", 47, 43, lambda w, h, p=petal, c=centre: flower(w, h, p, c))
    return s


def digit_glyphs(name, chars, w, h, size, fill, edge, stroke):
    s = Sheet(name, 512, pad=2, glyphs=True)
    common = f' font-family="{FONT}" font-size="{size}" font-weight="bold" text-anchor="middle"'
    for ch in chars:
        base = h - max(3, stroke)
        s.add(ch, w, h, lambda w, h, c=ch, b=base: [
            f'<text x="{w / 2 + 2:g}" y="{b + 3:g}"{common} fill="#000000" opacity="0.5" stroke="#000000" '
            f'stroke-width="{stroke:g}" stroke-linejoin="round">{c}</text>',
            f'<text x="{w / 2:g}" y="{b:g}"{common} fill="{edge}" stroke="{edge}" stroke-width="{stroke:g}" '
            f'stroke-linejoin="round">{c}</text>',
            f'<text x="{w / 2:g}" y="{b:g}"{common} fill="{fill}">{c}</text>'])
    return s


def scorenum_sheet():
    s = digit_glyphs("PKScoreNumFont", "0123456789", 46, 72, 76, "url(#digit)", "#5a3a12", 6)
    s.defs = GRADE_DEFS
    return s


def scorenumstep_sheet():
    s = digit_glyphs("PKScoreNumStepFont", "+-0123456789", 38, 62, 62, "url(#stepDigit)", "#9a5a14", 4)
    s.defs = GRADE_DEFS
    return s


# LyricsPK: the lyrics window's pictures

def lyricspk_sheet():
    s = Sheet("LyricsPK", 320)
    # The count-in: four beats, one gold dot each in a cell of a quarter of the picture, so
    # that the picture cut to b / 4 of its width shows b beats.
    cell, h = 84, 76

    def count_in(w, h):
        out = []
        for i in range(4):
            cx, cy = cell * i + cell / 2, h / 2
            out += [circle(cx, cy, 37, "url(#halo)"),
                    circle(cx, cy, 26, INK),
                    circle(cx, cy, 23, "url(#gold)", GOLD_DARK, 2),
                    circle(cx - 7, cy - 8, 6, CREAM, extra=' opacity="0.75"')]
        return out
    s.add("CountIn", cell * 4, h, count_in)
    return s


# PKEndScore: the score window at the end of a contest song

def pkendscore_sheet():
    s = Sheet("PKEndScore", 400)
    # The percent bar: a dark glass tube with ticks at every tenth, and the gold column that
    # fills it from the bottom (the look clips the column to the progress).
    def bar_track(w, h):
        out = [rect(0, 0, w, h, w / 2, "#000000", opacity=0.45),
               rect(2, 2, w - 4, h - 4, w / 2 - 2, "url(#glass)", GOLD_DEEP, 2)]
        for i in range(1, 10):
            y = h - 12 - (h - 24) * i / 10
            out.append(rect(w - 16, y - 1, 10, 2, 1, GOLD_LIGHT, opacity=0.55 if i == 5 else 0.3))
        return out
    s.add3v("BarTrack", 64, 320, bar_track, 32)

    def bar_fill(w, h):
        return [rect(0, 0, w, h, 0, "url(#goldH)"),
                rect(w * 0.18, 0, w * 0.16, h, 0, "#ffffff", opacity=0.35),
                rect(w - 6, 0, 6, h, 0, GOLD_DARK, opacity=0.6)]
    s.add("BarFill", 48, 64, bar_fill)

    # The rate beside the top of the column: a gold tag pointing at the bar.
    def rate_tag(w, h):
        return [path(f"M4,4 H{w - 26} L{w - 4},{h / 2} L{w - 26},{h - 4} H4 Z", "#000000",
                     extra=' opacity="0.4" transform="translate(2,3)"'),
                path(f"M4,4 H{w - 26} L{w - 4},{h / 2} L{w - 26},{h - 4} H4 Z", "url(#gold)",
                     GOLD_DARK, 2)]
    s.add("RateTag", 150, 56, rate_tag)

    # The row under each of the three totals and the star beside the title.
    s.add("RowLine", 200, 6, lambda w, h: [rect(0, 2, w, 2, 1, "url(#goldH)", opacity=0.6)])
    s.add("TitleStar", 56, 56, lambda w, h: [
        circle(28, 28, 27, "url(#halo)"),
        path(star_path(28, 29, 24, 10), "url(#gold)", GOLD_DARK, 1.5),
        circle(23, 23, 3, "#ffffff", extra=' opacity="0.85"')])
    return s


def pkhub_sheet():
    """The contest hub: the cards that frame covers and head pictures (cut into nine pieces so
    they stretch to any card size), the carousel's page arrows and the section marks."""
    s = Sheet("PKHub", 640)
    # Cards: a dark glass card; the focused one gold with a halo band inside its edge, obvious
    # from across the room; the pressed one deep gold; an empty place a dashed outline.
    s.add9("Card", 48, 16, lambda w, h: [
        rect(2, 2, w - 4, h - 4, 12, "url(#glass)", LINE, 2)])
    s.add9("CardFocus", 48, 16, lambda w, h: [
        rect(0, 0, w, h, 15, GOLD_LIGHT, opacity=0.35),
        rect(3, 3, w - 6, h - 6, 12, "url(#gold)", CREAM, 3)])
    s.add9("CardDown", 48, 16, lambda w, h: [
        rect(3, 3, w - 6, h - 6, 12, "url(#goldDeep)", GOLD_LIGHT, 2.5)])
    s.add9("CardEmpty", 48, 16, lambda w, h: [
        rect(3, 3, w - 6, h - 6, 12, "#ffffff", LINE_DIM, 2, opacity=0.06,
             extra=' stroke-dasharray="6 5"')])
    # The focus ring of controls that have no look of their own for the focus.
    s.add9("FocusRing", 48, 16, lambda w, h: [
        rect(1, 1, w - 2, h - 2, 14, "none", GOLD_LIGHT, 2, opacity=0.45),
        rect(4, 4, w - 8, h - 8, 11, "none", GOLD_LIGHT, 3.5)])
    # The ordering box: its field (left end and middle, the button closes the right end), the
    # button with the chevron, and the light drop list on which the items' black text reads.
    s.add3("Field", 64, 48, lambda w, h: [
        rect(2, 2, w + 20, h - 4, 12, INK, GOLD, 2)], 16)
    for state, edge, fill, ink in (("Normal", GOLD, INK, GOLD_LIGHT), ("Hover", CREAM, "url(#gold)", DARK_TEXT)):
        s.add("ComboButton_" + state, 48, 48, lambda w, h, e=edge, f=fill, i=ink: [
            rect(-20, 2, w + 18, h - 4, 12, f, e, 2),
            path(f"M{w / 2 - 9:g} {h / 2 - 4:g} L{w / 2:g} {h / 2 + 5:g} L{w / 2 + 9:g} {h / 2 - 4:g}", stroke=i, sw=3.5)])
    s.add9("List", 48, 12, lambda w, h: [
        rect(1, 1, w - 2, h - 2, 10, "#f6efd9", GOLD, 2)])
    # Page arrows of the carousel.
    for name, flip in (("ArrowLeft", True), ("ArrowRight", False)):
        for state in ("Normal", "Hover", "Pushed", "Disabled"):
            def body(w, h, f=flip, st=state):
                if st == "Normal":
                    out, ink = [rect(2, 2, w - 4, h - 4, 16, "url(#btn)", CYAN, 2)], CYAN_LIGHT
                elif st == "Hover":
                    out, ink = [rect(0, 0, w, h, 18, GOLD_LIGHT, opacity=0.3),
                                rect(3, 3, w - 6, h - 6, 15, "url(#gold)", CREAM, 2.5)], DARK_TEXT
                elif st == "Pushed":
                    out, ink = [rect(3, 4, w - 6, h - 6, 15, "url(#goldDeep)", GOLD_LIGHT, 2)], CREAM
                else:
                    out, ink = [rect(2, 2, w - 4, h - 4, 16, "url(#dim)", LINE_DIM, 2)], DISABLED
                cx, cy, a = w / 2, h / 2, 14
                d = (f"M{cx + a * 0.45:g} {cy - a:g} L{cx - a * 0.55:g} {cy:g} L{cx + a * 0.45:g} {cy + a:g}" if f else
                     f"M{cx - a * 0.45:g} {cy - a:g} L{cx + a * 0.55:g} {cy:g} L{cx - a * 0.45:g} {cy + a:g}")
                return out + [path(d, stroke=ink, sw=6)]
            s.add(f"{name}_{state}", 56, 128, body)
    # Section marks before the section titles: a trophy for the contest, a crowd for the works.
    s.add("MarkTrophy", 40, 40, lambda w, h: [
        path("M11 7 H29 V15 C29 22 25 26 20 26 C15 26 11 22 11 15 Z", "url(#gold)", GOLD_DARK, 1.5),
        path("M11 10 H6 C6 17 9 19 12 19 M29 10 H34 C34 17 31 19 28 19", stroke=GOLD_LIGHT, sw=2.5),
        rect(17, 26, 6, 5, 0, GOLD_DEEP), rect(12, 31, 16, 4, 1.5, "url(#gold)")])
    s.add("MarkWorks", 40, 40, lambda w, h: [
        circle(14, 14, 6, "url(#cyan)"), path("M4 34 C4 24 24 24 24 34 Z", "url(#cyan)"),
        circle(27, 12, 5, CYAN_LIGHT, extra=' opacity="0.8"'),
        path("M19 24 C22 21 36 21 36 31 H25", fill=CYAN_LIGHT, extra=' opacity="0.8"')])
    # The rank badge behind the user's rank.
    s.add3("RankBadge", 120, 44, lambda w, h: [
        rect(2, 2, w - 4, h - 4, 20, "url(#glassHover)", GOLD, 2)], 22)
    return s


def recharge_sheet():
    """The fee dialogs and the phone number form: the coin, the recharge card, the phone, and the
    text field with and without the focus."""
    s = Sheet("Recharge", 512)
    # A gold coin with a star struck into it.
    s.add("Coin", 112, 112, lambda w, h: [
        circle(56, 56, 54, "url(#halo)"),
        circle(56, 56, 44, "url(#gold)", GOLD_DARK, 3),
        circle(56, 56, 34, "none", CREAM, 2.5, extra=' opacity="0.8"'),
        path(star_path(56, 57, 22, 9), "url(#goldDeep)", GOLD_LIGHT, 1.5)])
    # The recharge: a card with a coin slot and a plus.
    s.add("Card", 112, 112, lambda w, h: [
        circle(56, 56, 54, "url(#cyanGlowUp)"),
        rect(12, 28, 88, 58, 10, "url(#btn)", CYAN_LIGHT, 3),
        rect(12, 40, 88, 10, 0, CYAN, opacity=0.7),
        rect(22, 62, 30, 8, 4, TEXT_DIM),
        circle(80, 70, 16, "url(#gold)", CREAM, 2),
        path("M80 61 V79 M71 70 H89", stroke=DARK_TEXT, sw=4)])
    # The phone: a handset outline with its screen lit.
    s.add("Phone", 112, 112, lambda w, h: [
        circle(56, 56, 54, "url(#cyanGlowUp)"),
        rect(34, 12, 44, 88, 9, "url(#btn)", CYAN_LIGHT, 3),
        rect(40, 24, 32, 56, 3, "#10203c", CYAN, 1.5),
        rect(48, 17, 16, 3, 1.5, CYAN_LIGHT),
        circle(56, 90, 4.5, "none", CYAN_LIGHT, 2)])
    # The text field: a dark well, gold edged while it has the focus.
    s.add3("Field", 96, 64, lambda w, h: [
        rect(3, 5, w - 6, h - 10, 12, INK, LINE, 2)], 18)
    s.add3("FieldFocus", 96, 64, lambda w, h: [
        rect(1, 2, w - 2, h - 4, 15, "none", GOLD, 4, opacity=0.40),
        rect(3, 5, w - 6, h - 10, 12, "#151a30", GOLD_LIGHT, 2.5)], 18)
    return s


SHEETS = [widgets_sheet, pk_sheet, pk0_sheet, pk1_sheet, netmenu_sheet, menu2_sheet, dirudezud_sheet,
          lambda: search_sheet("Search_1", True), lambda: search_sheet("Search_2", False),
          songlisttille_sheet, list_sheet, playctrol_sheet,
          pkgrade_sheet, scorenum_sheet, scorenumstep_sheet, lyricspk_sheet, melodytrace_sheet,
          pkendscore_sheet, pkhub_sheet, recharge_sheet]


def main():
    for make in SHEETS:
        make().write()
    return 0


if __name__ == "__main__":
    sys.exit(main())
