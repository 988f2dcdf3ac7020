#!/usr/bin/env python3
"""Writes the seed corpus of the PCL fuzz targets.

Small PCL files, each a handful of commands the interpreter treats specially (raster modes,
soft fonts, macros, fills, page sizes, job control), plus pages of the demo package's print
job when one is given (`pagellan-cli job samples/demo.qdx -o job.pcl`, then
`pagellan-cli split job.pcl DIR`). Usage: make_pcl_seeds.py OUTDIR [DEMO_PAGE.pcl ...]
"""
import os
import shutil
import sys

E = b"\x1b"


def p(text):
    """PCL written with '~' for the escape byte."""
    return text.replace("~", "\x1b").encode("latin-1")


def row(data):
    return p("~*b%dW" % len(data)) + data


def raster(mode, rows, start=b""):
    return p("~*p0x0Y") + start + p("~*r1A~*b%dM" % mode) + b"".join(rows) + p("~*rB")


def glyph(left, top, width, height, advance, rows):
    g = bytearray(16)
    g[0], g[2], g[3] = 4, 14, 1
    g[6], g[7] = (left >> 8) & 0xFF, left & 0xFF
    g[9], g[11], g[13], g[15] = top, width, height, advance
    return bytes(g) + rows


def font_header(fmt=0, height=200):
    h = bytearray(64)
    h[1], h[2], h[18], h[19] = 64, fmt, height >> 8, height & 0xFF
    return bytes(h)


def soft_font(font_id):
    out = p("~*c%dD~)s64W" % font_id) + font_header()
    for code, g in ((ord("A"), glyph(1, 10, 8, 2, 40, b"\xff\x81")), (ord("B"), glyph(0, 0, 3, 1, 20, b"\xe0"))):
        out += p("~*c%dE~(s%dW" % (code, len(g))) + g
    return out


def compressed_glyph(width, height, runs):
    g = bytearray(glyph(0, height, width, height, 4 * width, b""))
    g[3] = 2
    return bytes(g) + runs


def user_pattern(pid, fmt, height, width, data, resolution=b""):
    block = bytes([fmt, 0, 1, 0, height >> 8, height & 0xFF, width >> 8, width & 0xFF]) + resolution + data
    return p("~*c%dG~*c%dW" % (pid, len(block))) + block


def hpgl(instructions):
    return p("~*p0x0Y~*c7200x7200Y~*c0T~%0B") + instructions.encode("latin-1") + p("~%0A")


SEEDS = {
    "text-cursor": p("~E~&l0O~&a10L~&a70M~*p300x300YHello, world\r\nSecond line~=half~&a5R~&a720V~&a360HX\f"),
    "text-fonts": p("~E~(10U~(s1p12v0s3b4148TProportional ~(8U~(s0p10h12v0s0b4099TFixed ~&dDunder~&d@\r\n"
                    "~)s1p14v1s0b16602T~(0N\x0esecondary\x0f primary~&k2S~&k10H spaced\f"),
    "control-codes": b"tab\tback\x08space\rcr\nlf\x0cff\x00nul\x7fdel\x80\x9f\xff high\r\n",
    "page-size-orientation": p("~E~&l3A~&l0OLetter portrait\f~&l3A~&l1OLetter landscape\f"
                               "~&l84A~&l0OLegal\f~&l2OReverse~&l66F~&l2E~&l8D~&l7C\f"),
    "position-stack": p("~*p100x100Y~&f0S~*p+500x+500YA~&f1SB" + "~&f0S" * 22 + "~&f1S" * 23 + "C~*p-50X~&u600D~*p10X\f"),
    "raster-modes": b"".join([
        raster(0, [row(b"\xff\x00\xaa"), row(b"\x80")]),
        raster(1, [row(b"\x03\xff\x01\x00")]),
        raster(2, [row(b"\x02\xaa\xbb\xcc\xfd\xff"), row(b"\x80")]),
        raster(3, [row(b"\x00\xff\x20\x0f"), row(b"")], p("~*b2Y")),
        p("~*r0F") + raster(5, [row(b"\x00\x01\x02\x00\xff")]),
        p("~*t150R~&l1O") + raster(2, [row(b"\x00\xff" * 4)]),
    ]),
    "raster-combined": p("~*p0x0Y~*r1A~*b2m3W") + b"\x02\xff\xff" + p("~*b0m1W") + b"\xf0" + p("~*rC"),
    "rectangles": p("~*p100x100Y~*c300a200b0P~*p500x100Y~*c720h720V~*c25g2P~*c3g3P~*c5P~*c1P"
                    "~*v1T~*v0n1O~*p-50x-50Y~*c65535a65535b0P~*c0a10b0P"),
    "signature-box": p("~*p150x250Y~*c20a20b0P~(s100.200.300.400Z~(s-5.-5.99999.99999Z"),
    "soft-font": soft_font(5) + p("~(5XABAB~)5X~(3@~*c5d2F~*c5D~*c0F\f"),
    "macros": p("~&f7Y~&f0X~*p+100Y~*c10a10b0PMacro text~&f1X~*p0x500Y~&f2X~&f3X"
                "~&f8Y~&f0X~&f7Y~&f2X~&f1X~&f8Y~&f3X~&f4X~&f10X~&f9Y~&f6X~&f8X\f"),
    "multi-page": p("~E~&l1S~&l0HPage one\f~&l2SPage two~E~&l26APage three\f\f"),
    "job-control": p("~%-12345X@PJL JOB NAME=\"x\"\r\n@PJL ENTER LANGUAGE=PCL\r\n~E~&l1SText\f~E~%-12345X@PJL EOJ\r\n"),
    "soft-font-compressed": p("~*c2D~)s64W") + font_header() + p("~*c67E~(s25W") +
    compressed_glyph(8, 4, b"\x02\x02\x04\x02\x00\x00\x08\xff\x01") + p("~*c68E~(s17W") + glyph(0, 2, 8, 2, 40, b"\xff") +
    p("~(s3W") + b"\x04\x01\x81" + p("~*c69E~(s3W") + b"\x04\x01\xff" + p("~(2XCDE~*c2d4F~*c5F~E~(2XC~(X\f"),
    "fonts-across-pages": soft_font(0) + p("~&u600D~(XAB\f~*p600XBA~&p2X") + b"\x0c\x0d" + p("~*c1F~(XA\f"),
    "hpgl-shapes": hpgl("IN;SP1;PW0.5;PA1016,9144;EA2032,8128;PA3048,9144;RA4064,8128;PM0;PD5000,9000,5500,8500;"
                        "PM1;PU6000,6000;PD6500,6000,6500,6500;PM2;FP1;EP;PU7112,6096;CI508,10;RO90;IP;IR10,10,90,90;"
                        "SC0,100,0,100;PR;PD10,10;WU1;PW1;LT2;ER20,20;RR5,5;DF;LBlabel\x03DT*;LBx*SP0;PD1,1;"),
    "hpgl-groff": p("~E~&u1200D~&l0E~*p0x0Y~*c8640x12240y0T~%1BSP1SC0,0.8467,0,-0.8467,2IR0,100,0,100PRTR0;~%1A"
                    "~*p900x1400Y~%1BPW0.141111PD4800,0;~%0A~*p900x2800Y~%1BPMPD2400,0,0,1200,-2400,0,0,-1200PM2EP;~%1A"
                    "Text\f~E"),
    "hpgl-encoded": hpgl("IN;PA0,10160;PE<\x6f\xde\xbf\xbf\x70\xde:\xc1=\xbf\xbf>\xc3\x7f\xde7\x5f\x60;PE"),
    "hpgl-hostile": hpgl("IN;PA1e300,-1e300;PD-99999999999,99999999999;PM0;PD1,1;PD2,2;FP;CI1e9,0.0001;RA1e12,1e12;"
                         "SC0,0,0,0;PD5,5;IR;PE") + p("~%1B") + b"PD" + b"1," * 500,
    "hpgl-fills-pens": hpgl("IN;SP1;FT3,100,30;PA1000,1000;RA3000,3000;FT4,0,45;WG500,0,270;FT10,30;TR0;RR500,500;"
                            "RF1,2,2,1,0,0,1;FT11,1;AC100,100;EA4000,4000;FT22,1;PM0;PD5000,5000,6000,4000;PM2;FP1;"
                            "PW1.5;LA1,4,2,4,3,7;LT-2,10,1;PD8000,8000,9000,7000;LT99;UL2,0,0;LT2,0.001;PD1,1;"
                            "IW0,0,5000,5000;SC0,100,0,100,1,20,80;AA50,50,270;BZ10,10,20,0,30,30;IW;"
                            "PE7>A=_?`_;"),
    "hpgl-labels": hpgl("IN;SP1;PA1000,8000;LO5;LBcentred\x03LO19;DT*,0;LBoffset*DT;SD1,277,2,1,4,12,7,4148;"
                        "SA;AD1,277,2,0,3,10,7,48;DI0,1;SI0.4,0.6;SL0.5;ES1,1;LBturned\r\nlines\x03SS;DV1;"
                        "DR1,1;SR2,3;CP2,1;CP;LBdown\x03LB" + "never ending " * 50),
    "hpgl-fill-no-edges": p("~E~%0BIN;PM0;PA100,100;PM2;FP;PM0;PD100,0,200,0;PM2;FP1;~%0A\f"),
    "print-model": user_pattern(3, 0, 2, 2, b"\x80\x40") + p(
        "~*c3G~*v4T~*v1o1N~*l240O~*p5x5Y~*p0R~&a90P~*c64a64b5PText~&a180P~*c30g2P~*c20G~*v2T~*l102OTurned"
        "~&a270P~*p1R~*c2g3P~*c3G~*c4Q~*c1G~*v3T~*r64S~*r1A~*b2W\x80\x01~*rB~*c5Q~*c3G~*c2Q~*c4P~&a0P~E\f"),
    "pattern-hostile": user_pattern(1, 0, 65535, 65535, b"\xff") + user_pattern(2, 0, 0, 8, b"") +
    user_pattern(3, 20, 4000, 4000, b"\xff", b"\x00\x4b\x00\x4b") + user_pattern(4, 1, 4000, 4000, b"\x01\x00") +
    user_pattern(5, 9, 1, 1, b"x") + p("~*c5G~&a90P~*c300a300b4P~*c99g4P~*c-40g2P~*c32767g2P~*l999O~*v9T~*c4G~*v4T~&a45PX\f"),
    "colour": p("~E~*r3U~*v1SRed~*v4S~*c100a100b0P~*r-3U~*v2S~(s4148TMagenta~*v6W") + bytes([0, 1, 8, 8, 8, 8]) +
    p("~*v255a128b0c5I~*v5S~*c200a50b0P~*p0P~*v0a0b0c5I~*p1P~&p7I~&p6C~&p0S~&p7S~*v5S~%1BIN;SP2;PD100,100;~%0AX\f"),
    "colour-hostile": p("~E~*v18W") + bytes([1, 3, 200, 0, 255, 32, 0x80, 0, 0x7f, 0xff, 0, 0, 0x80, 0, 0x7f, 0xff, 0, 0]) +
    p("~*v6W") + bytes([0, 1, 3, 8, 8, 8]) + p("~*v6W") + bytes([0, 0, 255, 64, 64, 64]) + p("~*v9W") + b"\x00" * 9 +
    p("~*r99U~*r-1U~*v1e308a-1e308b99999999999c2147483647I~*v-2147483648S~*v2147483647S" + "~*p0P" * 40 +
      "~*p1P" * 45 + "".join("~&p%dI~&p6C~&p%dS" % (i, 32767 - i) for i in range(80)) + "~&p-1S~&p99999S~&p9C~&p2C"
      "~*r3U~%1BIN;SP255;PW2;PD500,500;PM0;PD9,9;PM2;FP;~%0AColour\f"),
    "reset-pages": p("~EHello~E~EWorld~E~*c10a10b0P~E~*r1A~*b1W\xff~*rB~%-12345X@PJL EOJ\r\n~%-12345X~E~E"),
    "symbol-sets": p("~E~(8U") + bytes(range(0x20, 0x100)) + p("~(10U~(s1p12v0s0b4148T") + bytes(range(0x80, 0x100)) +
    p("~(12U\x9d~(0N\xe9~(0U\xe9~(19U\x99\xae~(9E\xa3~(1U") + b"~\\" + p("~(8M]R\xc0~(5M\xe5\xd4~(15U*=~(579L\x99") +
    p("~)8M~)s0p12v0s0b4148Ta\x0e]\x0fb\x0e~&p3X") + b"\x0e\x0f]" + p("~(1023^~(99999U~(-5U\x0f\r\n\f"),
    "text-far-off": p("~E~*p2147483000x2147483000YFar~&a-2147483000H~&a99999999VNear~*p-2147483000XLeft~&k2147483000HW W\f"),
    "unknown-and-broken": p("~&z9Q~*q~(~)s~*b99W") + b"\x00" * 3 + p("~&l~E~*c1.5.5A~*p+-3X~&l999999999999D"),
}


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for name, data in SEEDS.items():
        with open(os.path.join(out, name + ".pcl"), "wb") as f:
            f.write(data)
    for page in sys.argv[2:]:
        shutil.copy(page, os.path.join(out, "demo-" + os.path.basename(page)))


if __name__ == "__main__":
    main()
