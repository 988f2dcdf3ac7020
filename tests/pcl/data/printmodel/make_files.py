#!/usr/bin/python3
"""Writes the print-model test pages: small PCL 5 files written by hand, one per behaviour.

Run from this folder: python3 make_files.py. The reference pictures beside them (NAME-N.png)
were rendered from these files by a reference PCL interpreter and accepted after looking at
them; the tests compare our rendering with them.
"""

E = "\x1b"
FF = "\x0c"


def at(x, y):
    return E + "*p%dx%dY" % (x, y)


def rect(w, h, fill, pattern=None):
    g = "" if pattern is None else "%dg" % pattern
    return E + "*c%da%db%s%dP" % (w, h, g, fill)


def font(points, bold=False, face=4148, proportional=True):
    return E + "(s%dp%dv0s%db%dT" % (1 if proportional else 0, points, 3 if bold else 0, face)


def user_pattern(pid, rows):
    """A 1-bit user-defined pattern (format 0) from rows of '#' (black) and '.'."""
    h, w = len(rows), len(rows[0])
    data = bytearray()
    for r in rows:
        b = bytearray((w + 7) // 8)
        for x, c in enumerate(r):
            if c == "#":
                b[x // 8] |= 0x80 >> (x % 8)
        data += b
    block = bytes([0, 0, 1, 0, h >> 8, h & 255, w >> 8, w & 255]) + bytes(data)
    return E + "*c%dG" % pid + E + "*c%dW" % len(block) + block.decode("latin1")


def raster(rows, width_bits):
    """Unencoded raster rows (lists of bytes) at the cursor, the source width set."""
    s = E + "*t300R" + E + "*r%dS" % width_bits + E + "*r1A" + E + "*b0M"
    for r in rows:
        s += E + "*b%dW" % len(r) + bytes(r).decode("latin1")
    return s + E + "*rB"


ARROW = [
    "########....",
    "#######.....",
    "######......",
    "#####.......",
    "######......",
    "###.###.....",
    "##...###....",
    "#.....###...",
    "#......###..",
    "........###.",
    ".........###",
    "..........##",
]
DOTS = [
    "##......",
    "##......",
    "........",
    "....#...",
    "........",
    "........",
    "........",
    "........",
]


def patterns():
    """Shading bands, cross-hatches and user patterns, rectangles in four print directions."""
    s = E + "E" + E + "&l2A" + user_pattern(1, ARROW) + user_pattern(2, DOTS)
    s += font(10)
    # Shading bands: one cell per percentage, with the percentage under it.
    levels = [0, 1, 2, 3, 5, 10, 11, 15, 20, 21, 30, 35, 36, 45, 55, 56, 70, 80, 81, 90, 99, 100, 150]
    for i, lvl in enumerate(levels):
        x, y = (i % 8) * 280, (i // 8) * 230
        s += at(x, y) + rect(60, 200, 0)  # a black bar the cell lies over
        s += at(x, y + 40) + rect(240, 120, 2, lvl)
        s += at(x, y + 220) + "%d%%" % lvl
    # Cross-hatches 1-6 and the two user patterns, by type and as the current pattern.
    for i in range(1, 7):
        s += at((i - 1) * 360, 720) + rect(300, 160, 3, i)
    s += at(0, 920) + rect(300, 160, 4, 1) + at(360, 920) + rect(300, 160, 4, 2)
    s += E + "*c1G" + E + "*v4T" + at(720, 920) + rect(300, 160, 5) + E + "*v0T"
    # The reference point moved: the same pattern starts at the rectangle's corner.
    s += at(1083, 921) + E + "*p0R" + at(1080, 920) + rect(300, 160, 4, 1)
    s += at(1440, 920) + rect(300, 160, 3, 3) + at(0, 0) + E + "*p0R"
    # An undefined pattern fills nothing; one deleted by pattern control neither.
    s += at(1800, 920) + rect(300, 160, 4, 99) + E + "*c2G" + E + "*c2Q" + rect(300, 160, 4, 2)
    # Four print directions: rectangles of every fill type from the middle of a quarter.
    for d, (x, y) in zip((0, 90, 180, 270), ((200, 1500), (1500, 2050), (2300, 2950), (900, 2300))):
        s += at(x, y) + E + "&a%dP" % d
        s += rect(500, 60, 0)
        s += E + "*p+0x+80Y" + rect(500, 100, 2, 20)
        s += E + "*p+0x+120Y" + rect(500, 100, 3, 1)
        s += E + "*p+0x+120Y" + rect(500, 100, 4, 1)
        s += E + "*c5G" + E + "*v3T" + E + "*p+0x+120Y" + rect(500, 100, 5) + E + "*v0T"
        s += E + "*p+0x+120Y" + rect(500, 40, 0) + E + "*p+100x+0Y" + rect(300, 40, 1)
        s += font(14, True) + E + "*p-100x+110Y" + "Direction %d" % d + font(10)
        s += E + "&a0P"
    s += FF
    # A landscape legal page: the same fills, turned with the page.
    s += E + "&l3A" + E + "&l1O" + font(12, True)
    for i in range(1, 7):
        s += at((i - 1) * 500, 100) + rect(400, 300, 3, i)
    for i, lvl in enumerate((5, 15, 30, 45, 70, 90)):
        s += at(i * 500, 600) + rect(400, 300, 2, lvl)
    s += at(0, 1100) + rect(400, 300, 4, 1) + at(500, 1200) + "Landscape" + FF
    return s


def banner():
    """A word processor's page: shaded banners and table headers with text over them."""
    s = E + "E" + E + "&l2A" + E + "&l0O"
    s += at(0, 0) + rect(2400, 110, 2, 10)
    s += font(24, True) + at(40, 85) + "Quarterly Statement of Account"
    s += font(10) + at(0, 220) + "Prepared for the account holder; figures in US dollars."
    # A table: a shaded header row, rules between the rows.
    s += at(0, 320) + rect(2400, 70, 2, 20)
    cols = [0, 700, 1300, 1900]
    heads = ["Description", "Date", "Amount", "Balance"]
    s += font(12, True)
    for c, h in zip(cols, heads):
        s += at(c + 20, 370) + h
    s += font(11)
    rows = [("Opening balance", "01/02/2026", "", "12,400.00"),
            ("Deposit", "01/15/2026", "1,250.00", "13,650.00"),
            ("Interest", "01/31/2026", "41.37", "13,691.37"),
            ("Withdrawal", "02/03/2026", "-900.00", "12,791.37")]
    for i, row in enumerate(rows):
        y = 390 + i * 70
        s += at(0, y) + rect(2400, 3, 0)
        for c, v in zip(cols, row):
            s += at(c + 20, y + 50) + v
    s += at(0, 390 + len(rows) * 70) + rect(2400, 3, 0)
    # Reversed banner: white text on black, the white pattern made opaque.
    s += at(0, 800) + rect(2400, 100, 0)
    s += font(18, True) + E + "*v1o1T" + at(40, 875) + "IMPORTANT NOTICE" + E + "*v0o0T"
    # White text with a transparent pattern leaves the black as it is.
    s += at(0, 950) + rect(1200, 100, 0) + E + "*v1T" + at(40, 1025) + "hidden" + E + "*v0T"
    # Shaded and hatched text, a shadow, text over a light shading.
    s += font(48, True)
    s += E + "*c30G" + E + "*v2T" + at(0, 1250) + "SHADED" + E + "*v0T"
    s += E + "*c2G" + E + "*v3T" + at(1200, 1250) + "HATCH" + E + "*v0T"
    s += E + "*c50G" + E + "*v2T" + at(12, 1412) + "Shadow" + E + "*v0T" + at(0, 1400) + "Shadow"
    s += at(1200, 1300) + rect(1100, 140, 2, 15) + at(1220, 1410) + "Over grey"
    s += font(10)
    body = ("The shaded banner above and the table header are drawn the way a printer draws them: "
            "a halftone of the shading level, with the text over it in black.")
    for i in range(0, len(body), 90):
        s += at(0, 1600 + (i // 90) * 45) + body[i:i + 90]
    s += FF
    return s


def rops():
    """Inverted and opaque text, logical operations, transparency modes, opaque raster."""
    s = E + "E" + E + "&l2A" + font(36, True)
    modes = [(0, 0), (1, 0), (0, 1), (1, 1)]  # (source opaque, pattern opaque)
    operations = [0, 51, 90, 102, 136, 204, 238, 240, 252, 255]
    for m, (so, po) in enumerate(modes):
        for i, rop in enumerate(operations):
            x, y = (i % 5) * 470, m * 600 + (i // 5) * 260
            s += at(x, y) + rect(200, 180, 0)  # the left half of the cell is black
            s += at(x + 200, y) + rect(200, 180, 2, 30)  # the right half grey
            s += E + "*c45G" + E + "*v%dn%do%dT" % (so, po, 2 if i % 2 else 0)
            s += E + "*l%dO" % rop + at(x + 10, y + 140) + "Text"
            s += E + "*l252O" + E + "*v0n0o0T"
    # Raster images: opaque source erases, transparent source leaves the page.
    img = [[0xFF, 0x00] * 8 if (r // 8) % 2 == 0 else [0x0F, 0xF0] * 8 for r in range(64)]
    for i, (so, rop) in enumerate([(0, 252), (1, 252), (1, 204), (0, 136), (1, 102), (1, 238)]):
        x = i * 390
        s += at(x, 2450) + rect(64, 128, 0)
        s += E + "*v%dN" % so + E + "*l%dO" % rop + at(x, 2450) + raster(img, 128)
        s += E + "*l252O" + E + "*v0N"
    return s + FF


def resets():
    """Pages ended by a printer reset or a universal exit instead of a form feed."""
    uel = E + "%-12345X"
    s = E + "E" + font(14, True) + at(300, 300) + "Hello" + E + "E"
    s += E + "E" + font(14, True) + at(300, 300) + "World" + E + "E"
    s += at(300, 600) + rect(1200, 40, 0) + E + "E"  # a rule only
    s += at(300, 900) + raster([[0xFF] * 20] * 40, 160) + E + "E"  # a raster image only
    s += E + "%0B" + "IN;SP1;PU1000,1000;PD4000,4000,4000,1000,1000,1000;" + E + "%0A" + E + "E"
    s += uel + "@PJL ENTER LANGUAGE=PCL\r\n" + E + "E" + font(14, True) + at(300, 300) + "After the exit" + uel
    s += E + "E" + E + "E"  # resets without marks: no page
    return s


def main():
    for name, make in (("patterns", patterns), ("banner", banner), ("rops", rops), ("resets", resets)):
        with open(name + ".pcl", "wb") as f:
            f.write(make().encode("latin1"))


if __name__ == "__main__":
    main()
