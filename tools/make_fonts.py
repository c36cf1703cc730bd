#!/usr/bin/env python3
"""Writes the built-in bitmap font tables from Debian's X11 PCF fonts.

Usage: make_fonts.py FONT_DIR OUTPUT_DIR
FONT_DIR holds the 75dpi and 100dpi folders (/usr/share/fonts/X11).
Writes font_00.cpp to font_17.cpp, one BitmapFontRec each.
"""

import gzip
import os
import struct
import sys

PCF_PROPERTIES = 1
PCF_ACCELERATORS = 2
PCF_METRICS = 4
PCF_BITMAPS = 8
PCF_BDF_ENCODINGS = 32
PCF_BDF_ACCELERATORS = 256

PCF_BYTE_MASK = 1 << 2
PCF_BIT_MASK = 1 << 3
PCF_COMPRESSED_METRICS = 0x100

# Index, source (dpi folder, file stem), name, line height, first code,
# last code, codes without glyph (inclusive ranges).
LATIN = [(127, 159)]
LATIN_NO_NBSP = [(127, 160)]
SYMBOL = [(127, 160), (240, 240)]
FONTS = [
    (0, "75dpi", "courR12-ISO8859-1", "Courier 12", 14, 255, LATIN),
    (1, "100dpi", "courR10-ISO8859-1", "Courier 14", 15, 255, LATIN),
    (2, "75dpi", "courB12-ISO8859-1", "Courier Bold 12", 14, 255, LATIN_NO_NBSP),
    (3, "75dpi", "courB14-ISO8859-1", "Courier Bold 14", 16, 255, LATIN),
    (4, "100dpi", "courB12-ISO8859-1", "Courier Bold 17", 17, 255, LATIN),
    (5, "75dpi", "helvR10-ISO8859-1", "Helvetica 10", 13, 255, LATIN),
    (6, "75dpi", "helvB10-ISO8859-1", "Helvetica Bold 10", 13, 255, LATIN),
    (7, "75dpi", "helvB12-ISO8859-1", "Helvetica Bold 12", 15, 255, LATIN),
    (8, "75dpi", "helvB14-ISO8859-1", "Helvetica Bold 14", 17, 255, LATIN),
    (9, "75dpi", "helvB18-ISO8859-1", "Helvetica Bold 18", 23, 255, LATIN),
    (10, "100dpi", "helvB14-ISO8859-1", "Helvetica Bold 20", 23, 255, LATIN),
    (11, "75dpi", "helvB24-ISO8859-1", "Helvetica Bold 24", 29, 255, LATIN),
    (12, "75dpi", "helvBO12-ISO8859-1", "Helvetica Bold Italic 12", 15, 255, LATIN),
    (13, "75dpi", "helvBO14-ISO8859-1", "Helvetica Bold Italic 14", 17, 255, LATIN),
    (14, "75dpi", "helvBO18-ISO8859-1", "Helvetica Bold Italic 18", 21, 255, LATIN_NO_NBSP),
    (15, "75dpi", "helvO14-ISO8859-1", "Helvetica Italic 14", 17, 255, LATIN),
    (16, "100dpi", "symb10", "Symbol 14", 15, 254, SYMBOL),
    (17, "100dpi", "symb12", "Symbol 17", 17, 254, SYMBOL),
]
FIRST_CHAR = 32

LICENCE = """\
// Glyphs from the Adobe bitmap fonts of the X Window System:
//   Copyright 1984-1989, 1994 Adobe Systems Incorporated.
//   Copyright 1988, 1994 Digital Equipment Corporation.
//
//   Permission to use, copy, modify, distribute and sell this software
//   and its documentation for any purpose and without fee is hereby
//   granted, provided that the above copyright notices appear in all
//   copies and that both those copyright notices and this permission
//   notice appear in supporting documentation, and that the names of
//   Adobe Systems and Digital Equipment Corporation not be used in
//   advertising or publicity pertaining to distribution of the software
//   without specific, written prior permission.  Adobe Systems and
//   Digital Equipment Corporation make no representations about the
//   suitability of this software for any purpose.  It is provided "as
//   is" without express or implied warranty.
"""


class PcfError(Exception):
    pass


class Reader:
    """Reads one PCF table in the byte order its format word names."""

    def __init__(self, data, offset, size):
        # Some files state table sizes past their end; the reads are checked instead.
        if offset < 0 or offset + 4 > len(data):
            raise PcfError("table outside the file")
        self.data = data[offset:offset + size]
        self.pos = 0
        (self.format,) = struct.unpack_from("<I", self.data, 0)
        self.pos = 4
        self.order = ">" if self.format & PCF_BYTE_MASK else "<"

    def take(self, fmt):
        fmt = self.order + fmt
        n = struct.calcsize(fmt)
        if self.pos + n > len(self.data):
            raise PcfError("table too short")
        values = struct.unpack_from(fmt, self.data, self.pos)
        self.pos += n
        return values

    def one(self, fmt):
        return self.take(fmt)[0]


def read_pcf(path):
    with gzip.open(path, "rb") as f:
        data = f.read()
    if data[:4] != b"\x01fcp":
        raise PcfError(path + ": not a PCF file")
    (count,) = struct.unpack_from("<I", data, 4)
    tables = {}
    for i in range(count):
        t, fmt, size, offset = struct.unpack_from("<IIII", data, 8 + 16 * i)
        tables[t] = (offset, size)

    def table(kind):
        if kind not in tables:
            raise PcfError(path + ": table %d missing" % kind)
        return Reader(data, *tables[kind])

    r = table(PCF_METRICS)
    metrics = []
    if r.format & PCF_COMPRESSED_METRICS:
        for _ in range(r.one("H")):
            lsb, rsb, w, asc, desc = (v - 0x80 for v in r.take("BBBBB"))
            metrics.append((lsb, rsb, w, asc, desc))
    else:
        for _ in range(r.one("I")):
            lsb, rsb, w, asc, desc, _attr = r.take("hhhhhH")
            metrics.append((lsb, rsb, w, asc, desc))

    r = table(PCF_BITMAPS)
    n = r.one("I")
    offsets = r.take("%dI" % n)
    sizes = r.take("4I")
    pad = 1 << (r.format & 3)
    unit = 1 << ((r.format >> 4) & 3)
    blob = r.data[r.pos:r.pos + sizes[r.format & 3]]
    msb_bits = bool(r.format & PCF_BIT_MASK)
    msb_bytes = bool(r.format & PCF_BYTE_MASK)

    def glyph_rows(i):
        lsb, rsb, _w, asc, desc = metrics[i]
        width, height = rsb - lsb, asc + desc
        stride = ((width + 7) // 8 + pad - 1) // pad * pad
        raw = bytearray(blob[offsets[i]:offsets[i] + stride * height])
        if len(raw) != stride * height:
            raise PcfError(path + ": glyph bitmap outside the table")
        if msb_bytes != msb_bits and unit > 1:
            for k in range(0, len(raw), unit):
                raw[k:k + unit] = raw[k:k + unit][::-1]
        if not msb_bits:
            raw = bytearray(int("{:08b}".format(b)[::-1], 2) for b in raw)
        keep = (width + 7) // 8
        return [bytes(raw[y * stride:y * stride + keep]) for y in range(height)]

    r = table(PCF_BDF_ENCODINGS)
    min2, max2, min1, max1, _default = r.take("hhhhh")
    if min1 != 0 or max1 != 0:
        raise PcfError(path + ": two-byte encoding")
    indices = r.take("%dH" % (max2 - min2 + 1))
    encoding = {}
    for k, g in enumerate(indices):
        if g != 0xFFFF:
            encoding[min2 + k] = g

    accel = PCF_BDF_ACCELERATORS if PCF_BDF_ACCELERATORS in tables else PCF_ACCELERATORS
    r = table(accel)
    r.take("8B")
    ascent, descent = r.take("ii")
    return ascent, descent, metrics, encoding, glyph_rows


def in_ranges(code, ranges):
    return any(lo <= code <= hi for lo, hi in ranges)


def write_font(out_dir, font_dir, entry):
    index, dpi, stem, name, line_height, last, no_glyph = entry
    path = os.path.join(font_dir, dpi, stem + ".pcf.gz")
    ascent, descent, metrics, encoding, glyph_rows = read_pcf(path)
    lines = [LICENCE, "// %s: generated from %s/%s.pcf.gz (ascent %d, descent %d).\n"
             % (name, dpi, stem, ascent, descent),
             '#include "toolkit/fonts.h"\n', "namespace {\n"]
    records = []
    for code in range(FIRST_CHAR, last + 1):
        if in_ranges(code, no_glyph):
            records.append(None)
            continue
        if code not in encoding:
            raise PcfError("%s: no glyph for character %d" % (path, code))
        g = encoding[code]
        lsb, rsb, width, _asc, desc = metrics[g]
        rows = glyph_rows(g)
        if rsb - lsb == 0 or not any(any(r) for r in rows):
            rows = []  # an empty bitmap, as for the space
        data = b"".join(reversed(rows))  # bottom row first, as glBitmap reads
        w = rsb - lsb if rows else 0
        h = len(rows)
        # The raster position is the bottom of the line cell, descent below the baseline.
        x_orig = -lsb
        y_orig = desc - descent
        if data:
            lines.append("const unsigned char bits_%d[] = {%s};\n"
                         % (code, ",".join("0x%02x" % b for b in data)))
        lines.append("const BitmapCharRec char_%d = {%d, %d, %.1ff, %.1ff, %.1ff, %s};\n"
                     % (code, w, h, x_orig, y_orig, width,
                        "bits_%d" % code if data else "nullptr"))
        records.append("&char_%d" % code)
    lines.append("const BitmapCharRec* const chars[] = {\n")
    for k in range(0, len(records), 8):
        lines.append("    " + ", ".join(r or "nullptr" for r in records[k:k + 8]) + ",\n")
    lines.append("};\n}  // namespace\n\n")
    lines.append("extern const BitmapFontRec font_%02d = {%d, %d, %d, chars};\n"
                 % (index, line_height, len(records), FIRST_CHAR))
    target = os.path.join(out_dir, "font_%02d.cpp" % index)
    text = "".join(lines)
    old = None
    if os.path.exists(target):
        with open(target) as f:
            old = f.read()
    if old != text:
        with open(target, "w") as f:
            f.write(text)


def main():
    if len(sys.argv) != 3:
        sys.stderr.write("Usage: make_fonts.py FONT_DIR OUTPUT_DIR\n")
        return 2
    os.makedirs(sys.argv[2], exist_ok=True)
    try:
        for entry in FONTS:
            write_font(sys.argv[2], sys.argv[1], entry)
    except (OSError, PcfError, struct.error) as e:
        sys.stderr.write("make_fonts: %s\n" % e)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
