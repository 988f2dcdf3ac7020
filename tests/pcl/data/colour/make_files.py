#!/usr/bin/python3
"""Writes the colour test pages: small PCL 5 files written by hand, one per behaviour.

Run from this folder: python3 make_files.py. The reference pictures beside them (NAME-N.png)
were rendered from these files by a reference PCL interpreter on a grey device at 300 dpi
(NAME-N.pgm) and halftoned with the printed page's 8 x 8 ordered dither, anchored at the page's
top left (python3 make_files.py --halftone NAME-N.pgm NAME-N.png), then accepted after looking
at them; the tests compare our printed rendering with them.
"""

import sys

# The order in which the pixels of an 8 x 8 cell turn black as a colour darkens.
DITHER = [
    [0, 32, 8, 40, 2, 34, 10, 42], [48, 16, 56, 24, 50, 18, 58, 26],
    [12, 44, 4, 36, 14, 46, 6, 38], [60, 28, 52, 20, 62, 30, 54, 22],
    [3, 35, 11, 43, 1, 33, 9, 41], [51, 19, 59, 27, 49, 17, 57, 25],
    [15, 47, 7, 39, 13, 45, 5, 37], [63, 31, 55, 23, 61, 29, 53, 21],
]


def halftone(grey_file, png_file):
    """A grey page as the printed page shows it: black where the darkness passes the cell's order."""
    from PIL import Image
    grey = Image.open(grey_file).convert("L")
    w, h = grey.size
    src = grey.load()
    out = Image.new("1", (w, h), 1)
    dst = out.load()
    for y in range(h):
        row = DITHER[y & 7]
        for x in range(w):
            darkness = 255 - src[x, y]
            if darkness * 64 > (row[x & 7] * 2 + 1) * 255 // 2:
                dst[x, y] = 0
    out.save(png_file, optimize=True)

E = "\x1b"
FF = "\x0c"


def at(x, y):
    return E + "*p%dx%dY" % (x, y)


def rect(w, h, fill=0):
    return E + "*c%da%db%dP" % (w, h, fill)


def fg(index):
    return E + "*v%dS" % index


def entry(index, a, b, c):
    return E + "*v%da%db%dc%dI" % (a, b, c, index)


def font(points, bold=True):
    return E + "(s1p%dv0s%db4148T" % (points, 3 if bold else 0)


def cid(space, encoding, bits_per_index, bits=8):
    block = bytes([space, encoding, bits_per_index, bits, bits, bits])
    return E + "*v6W" + block.decode("latin1")


def swatches(indices, top):
    """A row of 400 x 250 rectangles, one per palette index, from the left margin."""
    s = ""
    for n, i in enumerate(indices):
        s += at(n * 560, top) + fg(i) + rect(400, 250)
    return s


def simple_rgb():
    s = E + "E" + E + "*r3U" + font(36)
    s += swatches(range(0, 4), 100) + swatches(range(4, 8), 450)
    for n, (i, word) in enumerate([(1, "Red text"), (2, "Green text"), (4, "Blue text")]):
        s += at(0, 1000 + n * 180) + fg(i) + word
    # White text on a black bar, and a rule in magenta.
    s += at(0, 1600) + fg(0) + rect(2000, 220) + at(60, 1780) + fg(7) + "White on black"
    s += at(0, 1950) + fg(5) + rect(2300, 40)
    # HP-GL/2 pens follow the palette: thick lines in pens 1 (red), 2 (green), 4 (blue).
    s += E + "%1BIN;PW1.5;"
    for n, pen in enumerate([1, 2, 4]):
        y = 5000 - n * 600
        s += "SP%d;PU800,%d;PD7000,%d;" % (pen, y, y)
    s += "SP3;PU800,2600;PM0;PD7000,2600,7000,1600,800,1600;PM2;FP;" + E + "%0A"
    return s + FF


def configured_ramp():
    # 8 bits an index, RGB: greys and colours set by components.
    s = E + "E" + cid(0, 1, 8) + font(30)
    greys = [224, 192, 160, 128, 96, 64, 32, 0]
    for i, g in enumerate(greys):
        s += entry(10 + i, g, g, g)
    s += swatches(range(10, 14), 100) + swatches(range(14, 18), 450)
    colours = [(255, 128, 0), (128, 0, 128), (0, 128, 128), (255, 192, 203)]
    for i, c in enumerate(colours):
        s += entry(30 + i, *c)
    s += swatches(range(30, 34), 800)
    # Push the palette, make entry 30 black, pop it: the pushed orange comes back.
    s += E + "*p0P" + entry(30, 0, 0, 0) + at(0, 1150) + fg(30) + rect(400, 250)
    s += E + "*p1P" + at(560, 1150) + fg(30) + rect(400, 250)
    s += at(0, 1650) + fg(31) + "Purple words" + at(0, 1850) + fg(12) + "Grey words"
    return s + FF


def simple_cmy():
    s = E + "E" + E + "*r-3U" + font(36)
    s += swatches(range(0, 4), 100) + swatches(range(4, 8), 450)
    s += at(0, 1000) + fg(1) + "Cyan text" + at(0, 1200) + fg(2) + "Magenta text"
    s += at(0, 1400) + fg(7) + "Black text"
    return s + FF


def write(name, data):
    with open(name, "wb") as f:
        f.write(data.encode("latin1"))


if len(sys.argv) == 4 and sys.argv[1] == "--halftone":
    halftone(sys.argv[2], sys.argv[3])
    sys.exit(0)

write("colour.pcl", simple_rgb() + configured_ramp() + simple_cmy() + E + "E")
