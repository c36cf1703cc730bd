#!/usr/bin/env python3
"""Writes the stroke font table from a Hershey font in James Hurt's format.

Usage: make_stroke_font.py FONT.jhf OUTPUT.cpp
The font's 96 glyphs are characters 32 to 127. Each is placed in the cell of
120 x 64 units: cap height 64 above the baseline at 0, the ink centred in
x from 0 to 100.
"""

import sys

CAP_TOP = -12   # Hershey y of the cap line (y grows downwards)
BASELINE = 9
Y_SCALE = 64.0 / (BASELINE - CAP_TOP)
INK_WIDTH = 100.0
MAX_X_SCALE = 6.25

# The letter A as the system's own glyph: the outline and the bar.
GLYPH_A = [[(0, 0), (0, 48), (40, 64), (60, 64), (100, 48), (100, 0)],
           [(0, 24), (100, 24)]]

ACKNOWLEDGEMENT = """\
// Stroke glyphs converted from the Hershey fonts (Debian's hershey-fonts-data):
//   The Hershey Fonts were originally created by Dr. A. V. Hershey while
//   working at the U. S. National Bureau of Standards.
//   The format of the Font data in this distribution was originally created by
//   James Hurt, Cognition, Inc., 900 Technology Park Drive, Billerica, MA 01821
//   (mit-eddie!ci-dandelion!hurt)
"""


def read_jhf(path):
    with open(path) as f:
        text = "".join(line.rstrip("\n") for line in f)
    glyphs, pos = [], 0
    while pos < len(text):
        count = int(text[pos + 5:pos + 8])
        body = text[pos + 8:pos + 8 + 2 * count]
        if len(body) != 2 * count:
            raise ValueError("truncated glyph record")
        pos += 8 + 2 * count
        strokes, stroke = [], []
        for k in range(2, len(body), 2):  # the first pair holds the side bearings
            pair = body[k:k + 2]
            if pair == " R":
                if stroke:
                    strokes.append(stroke)
                stroke = []
            else:
                stroke.append((ord(pair[0]) - ord("R"), ord(pair[1]) - ord("R")))
        if stroke:
            strokes.append(stroke)
        glyphs.append(strokes)
    return glyphs


def place(strokes):
    """Scales Hershey strokes into the cell; single points become dots."""
    xs = [x for s in strokes for x, _ in s]
    if not xs:
        return []
    ink = max(xs) - min(xs)
    sx = min(MAX_X_SCALE, INK_WIDTH / ink) if ink else MAX_X_SCALE
    left = (INK_WIDTH - ink * sx) / 2
    # Tall glyphs (brackets, braces) are squeezed to stay below the cell's top.
    sy = min(Y_SCALE, 64.0 / (BASELINE - min(y for s in strokes for _, y in s)))
    placed = []
    for s in strokes:
        points = [(round(left + (x - min(xs)) * sx), round((BASELINE - y) * sy))
                  for x, y in s]
        merged = [points[0]]
        for p in points[1:]:
            if p != merged[-1]:
                merged.append(p)
        if len(merged) == 1:
            merged.append(merged[0])
        placed.append(merged)
    return placed


def encode(strokes):
    out = [len(strokes)]
    for s in strokes:
        out += [len(s) - 1, s[0][0], s[0][1]]
        for (x0, y0), (x1, y1) in zip(s, s[1:]):
            out += [x1 - x0, y1 - y0]
    for v in out:
        if not -128 <= v <= 127:
            raise ValueError("coordinate out of a signed byte")
    return [v & 0xFF for v in out]


def main():
    if len(sys.argv) != 3:
        sys.stderr.write("Usage: make_stroke_font.py FONT.jhf OUTPUT.cpp\n")
        return 2
    try:
        glyphs = read_jhf(sys.argv[1])
    except (OSError, ValueError) as e:
        sys.stderr.write("make_stroke_font: %s\n" % e)
        return 1
    if len(glyphs) != 96:
        sys.stderr.write("make_stroke_font: %d glyphs, expected 96\n" % len(glyphs))
        return 1
    data, ctl = [], []
    for code in range(32, 128):
        strokes = GLYPH_A if code == ord("A") else place(glyphs[code - 32])
        ctl.append(len(data))
        try:
            data += encode(strokes)
        except ValueError as e:
            sys.stderr.write("make_stroke_font: character %d: %s\n" % (code, e))
            return 1
    lines = [ACKNOWLEDGEMENT, '#include "toolkit/stroke_font.h"\n\n',
             "const unsigned char font_data[%d] = {\n" % len(data)]
    for k in range(0, len(data), 16):
        lines.append("    " + ",".join("0x%02x" % b for b in data[k:k + 16]) + ",\n")
    lines.append("};\n\nconst unsigned short font_ctl[96] = {\n")
    for k in range(0, 96, 12):
        lines.append("    " + ", ".join(str(v) for v in ctl[k:k + 12]) + ",\n")
    lines.append("};\n\nconst unsigned font_data_size = %d;\n" % len(data))
    text = "".join(lines)
    try:
        with open(sys.argv[2]) as f:
            if f.read() == text:
                return 0
    except OSError:
        pass
    with open(sys.argv[2], "w") as f:
        f.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main())
