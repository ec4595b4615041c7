#!/usr/bin/env python3
"""Writes the BMP, PCX, Sun raster, SGI, Targa and NKL test corpus under
tests/imagefile/data/{bmp,pcx,sun,sgi,tga,nkl}/.

Files from netpbm's encoders are compared by the tests with netpbm's own decoders
(bmptopnm, pcxtoppm, rasttopnm, sgitopnm, tgatoppm) at test time. Files no encoder writes are
made here byte by byte; each of those that decodes has a truth picture `<name>.ppm` computed
here with the readers' conversion rules. Every file's one-line recipe goes to RECIPES.txt in its
folder. Run from anywhere: python3 tests/imagefile/make_bmp_pcx_sun_sgi_tga_data.py
"""
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from make_gif_jpeg_tiff_data import photo, ppm, sh  # noqa: E402  (shared picture makers)

DATA = os.path.join(HERE, "data")
FORMATS = ("bmp", "pcx", "sun", "sgi", "tga", "nkl")
recipes = {f: [] for f in FORMATS}
W, H = 37, 23  # odd width: every row format pads


def path(fmt, name):
    return os.path.join(DATA, fmt, name)


def note(fmt, name, recipe):
    recipes[fmt].append("%s: %s" % (name, recipe))


def write(fmt, name, data, recipe):
    with open(path(fmt, name), "wb") as f:
        f.write(data)
    note(fmt, name, recipe)


def truth(fmt, name, rows):
    """rows: top first, (r, g, b) tuples."""
    ppm(path(fmt, name.rsplit(".", 1)[0] + ".ppm"), len(rows[0]), len(rows), rows)


def blocks(width, height):
    """A flat picture of large single-colour areas: run-length encoders find long runs."""
    cols = [(200, 30, 30), (30, 200, 30), (30, 30, 200), (240, 240, 240), (0, 0, 0), (128, 64, 0)]
    return [[cols[((x // 9) + (y // 5)) % len(cols)] for x in range(width)] for y in range(height)]


def palette_of(rows):
    pal = []
    for row in rows:
        for p in row:
            if p not in pal:
                pal.append(p)
    return pal


def indices_of(rows, pal):
    return [[pal.index(p) for p in row] for row in rows]


# ---------------------------------------------------------------- sources
def make_sources(tmp):
    rows = photo(W, H)
    ppm(os.path.join(tmp, "photo.ppm"), W, H, rows)
    ppm(os.path.join(tmp, "blocks.ppm"), W, H, blocks(W, H))
    sh("pnmquant 16 %s/photo.ppm 2>/dev/null" % tmp, os.path.join(tmp, "p16.ppm"))
    sh("pnmquant 200 %s/photo.ppm 2>/dev/null" % tmp, os.path.join(tmp, "p256.ppm"))
    sh("ppmtopgm %s/photo.ppm" % tmp, os.path.join(tmp, "grey.pgm"))
    sh("pgmtopbm -threshold %s/grey.pgm 2>/dev/null" % tmp, os.path.join(tmp, "mono.pbm"))
    sh("pamdepth 65535 %s/photo.ppm" % tmp, os.path.join(tmp, "photo16.ppm"))
    return rows


# ---------------------------------------------------------------- BMP
def bmp_file(width, height, bits, rows_bytes, palette=b"", compression=0, used=0, extra=b"", header=40):
    """rows_bytes: the pixel data as stored; height may be negative (top first)."""
    if header == 40:
        info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, compression, len(rows_bytes), 2835,
                           2835, used, 0)
    else:
        info = struct.pack("<IhhHH", 12, width, height, 1, bits)
    offset = 14 + len(info) + len(extra) + len(palette)
    head = struct.pack("<2sIHHI", b"BM", offset + len(rows_bytes), 0, 0, offset)
    return head + info + extra + palette + rows_bytes


def bmp_rows(rows, pixel, bits, top_first=False):
    """Packs rows (top first) into padded BMP rows, bottom first unless top_first."""
    out = b""
    order = rows if top_first else rows[::-1]
    for row in order:
        data = b"".join(pixel(p) for p in row)
        out += data + b"\0" * ((-len(data)) % 4)
    return out


def rle8(runs_per_row):
    """runs_per_row: bottom row first, each a list of ('run', n, v) / ('lit', [v...]) / ('delta', dx, dy)."""
    out = bytearray()
    for runs in runs_per_row:
        for r in runs:
            if r[0] == "run":
                out += bytes((r[1], r[2]))
            elif r[0] == "lit":
                out += bytes((0, len(r[1]))) + bytes(r[1]) + (b"\0" if len(r[1]) % 2 else b"")
            else:
                out += bytes((0, 2, r[1], r[2]))
        out += b"\0\0"
    out[-2:] = b"\0\1"
    return bytes(out)


def make_bmp(tmp, rows):
    def enc(name, cmd, recipe):
        sh(cmd, path("bmp", name))
        note("bmp", name, recipe)

    enc("rgb24.bmp", "ppmtobmp -bpp=24 %s/photo.ppm 2>/dev/null" % tmp, "ppmtobmp -bpp=24 photo.ppm")
    enc("map8.bmp", "ppmtobmp -bpp=8 %s/p256.ppm 2>/dev/null" % tmp, "pnmquant 200 photo.ppm | ppmtobmp -bpp=8")
    enc("map4.bmp", "ppmtobmp -bpp=4 %s/p16.ppm 2>/dev/null" % tmp, "pnmquant 16 photo.ppm | ppmtobmp -bpp=4")
    enc("map1.bmp", "ppmtobmp -bpp=1 %s/mono.pbm 2>/dev/null" % tmp, "ppmtopgm photo.ppm | pgmtopbm -threshold | ppmtobmp")
    enc("os2_map8.bmp", "ppmtobmp -os2 -bpp=8 %s/p256.ppm 2>/dev/null" % tmp, "ppmtobmp -os2 -bpp=8 (12-byte header)")
    enc("os2_rgb24.bmp", "ppmtobmp -os2 -bpp=24 %s/photo.ppm 2>/dev/null" % tmp, "ppmtobmp -os2 -bpp=24")

    # ImageMagick's RLE8 writer encodes each row's padding as pixels past the width; cut at the
    # row's end they must vanish (bmptopnm refuses the file, ImageMagick reads back p256.ppm)
    enc("rle8_imagemagick_padding_pixels.bmp",
        "convert %s/p256.ppm -type Palette -compress RLE BMP3:- 2>/dev/null" % tmp,
        "convert p256.ppm -type Palette -compress RLE BMP3: (ImageMagick 6.9)")
    sh("cp %s/p256.ppm %s" % (tmp, path("bmp", "rle8_imagemagick_padding_pixels.ppm")))
    # what ImageMagick and most current programs write: the 124-byte (version 5) info header
    enc("header_v5_rgb24.bmp", "convert %s/photo.ppm -type TrueColor BMP:- 2>/dev/null" % tmp,
        "convert photo.ppm -type TrueColor BMP: (124-byte header)")
    enc("header_v5_map4.bmp", "convert %s/p16.ppm -type Palette BMP:- 2>/dev/null" % tmp,
        "convert p16.ppm -type Palette BMP: (124-byte header, 4-bit palette after it)")

    bgr = lambda p: bytes((p[2], p[1], p[0]))
    write("bmp", "rgb24_top_first.bmp", bmp_file(W, -H, 24, bmp_rows(rows, bgr, 24, top_first=True)),
          "photo as 24-bit rows stored top first, height -23 (hand-made)")
    truth("bmp", "rgb24_top_first.bmp", rows)

    # 16 bits, no bit fields: 5-5-5, each component scaled x 255 / 31
    def p555(p):
        return struct.pack("<H", ((p[0] >> 3) << 10) | ((p[1] >> 3) << 5) | (p[2] >> 3))
    write("bmp", "rgb16_555.bmp", bmp_file(W, H, 16, bmp_rows(rows, p555, 16)),
          "photo as 16-bit 5-5-5 pixels, no bit fields (hand-made)")
    truth("bmp", "rgb16_555.bmp", [[((p[0] >> 3) * 255 // 31, (p[1] >> 3) * 255 // 31, (p[2] >> 3) * 255 // 31)
                                    for p in row] for row in rows])

    def p565(p):
        return struct.pack("<H", ((p[0] >> 3) << 11) | ((p[1] >> 2) << 5) | (p[2] >> 3))
    write("bmp", "rgb16_565_bitfields.bmp",
          bmp_file(W, H, 16, bmp_rows(rows, p565, 16), compression=3,
                   extra=struct.pack("<III", 0xF800, 0x07E0, 0x001F)),
          "photo as 16-bit 5-6-5 with bit fields 0xF800 0x07E0 0x001F (hand-made)")
    truth("bmp", "rgb16_565_bitfields.bmp",
          [[((p[0] >> 3) * 255 // 31, (p[1] >> 2) * 255 // 63, (p[2] >> 3) * 255 // 31) for p in row]
           for row in rows])

    write("bmp", "rgb32.bmp", bmp_file(W, H, 32, bmp_rows(rows, lambda p: bytes((p[2], p[1], p[0], 0x77)), 32)),
          "photo as 32-bit B,G,R,X pixels, no bit fields (hand-made)")
    truth("bmp", "rgb32.bmp", rows)
    write("bmp", "rgb32_bitfields_rgbx.bmp",
          bmp_file(W, H, 32, bmp_rows(rows, lambda p: bytes((0x55, p[2], p[1], p[0])), 32), compression=3,
                   extra=struct.pack("<III", 0xFF000000, 0x00FF0000, 0x0000FF00)),
          "photo as 32-bit X,B,G,R bytes with bit fields 0xFF000000 0xFF0000 0xFF00 (hand-made)")
    truth("bmp", "rgb32_bitfields_rgbx.bmp", rows)

    # 8 bits with a used-colour count of 16: only 16 palette entries are stored
    pal16 = [(i * 16, 255 - i * 16, (i * 77) % 256) for i in range(16)]
    idx = [[(x + 2 * y) % 16 for x in range(W)] for y in range(H)]
    palbytes = b"".join(bytes((b, g, r, 0)) for r, g, b in pal16)
    write("bmp", "map8_used_colours_16.bmp",
          bmp_file(W, H, 8, bmp_rows(idx, lambda i: bytes((i,)), 8), palette=palbytes, used=16),
          "8-bit indices (x + 2y) mod 16, used-colour count 16, 16 palette entries (hand-made)")
    truth("bmp", "map8_used_colours_16.bmp", [[pal16[i] for i in row] for row in idx])

    # 8-bit run-length: runs, odd and even literals, a delta, a run past the row end, end of bitmap
    pal = [(i, 255 - i, (i * 3) % 256) for i in range(256)]
    palbytes = b"".join(bytes((b, g, r, 0)) for r, g, b in pal)
    w, h = 10, 4
    runs = [  # bottom row first
        [("run", 4, 7), ("lit", [1, 2, 3]), ("run", 3, 9)],
        [("lit", [10, 11, 12, 13]), ("delta", 0, 0), ("run", 6, 200)],
        [("run", 15, 5)],  # runs past the row's end: cut at 10 pixels
        [("lit", [20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30])],  # 11 literals, cut at 10
    ]
    idx_bottom_first = [[7] * 4 + [1, 2, 3] + [9] * 3, [10, 11, 12, 13] + [200] * 6, [5] * 10,
                        list(range(20, 30))]
    write("bmp", "rle8_runs_literals_cut.bmp", bmp_file(w, h, 8, rle8(runs), palette=palbytes, compression=1),
          "8-bit RLE: runs, odd/even literals, an ignored delta, a run and a literal past the row end (hand-made)")
    truth("bmp", "rle8_runs_literals_cut.bmp", [[pal[i] for i in row] for row in idx_bottom_first[::-1]])
    # end of bitmap after the first row: the other rows are index 0
    write("bmp", "rle8_early_end_of_bitmap.bmp",
          bmp_file(w, h, 8, bytes((10, 3, 0, 1)), palette=palbytes, compression=1),
          "8-bit RLE, 10x4: one run of 10 then end of bitmap (hand-made)")
    truth("bmp", "rle8_early_end_of_bitmap.bmp", [[pal[0]] * w] * 3 + [[pal[3]] * w])
    write("bmp", "rle4.bmp",
          bmp_file(w, h, 4, bytes((10, 0x12, 0, 0)) * 3 + bytes((10, 0x12, 0, 1)), palette=palbytes[:64],
                   compression=2),
          "4-bit RLE, 10x4 (hand-made)")
    write("bmp", "map2.bmp", bmp_file(w, h, 2, b"\0" * 16, palette=palbytes[:16]),
          "2 bits per pixel (hand-made)")
    write("bmp", "refused_jpeg_compression.bmp", bmp_file(w, h, 24, b"\0" * 32, compression=4),
          "compression 4 (JPEG) (hand-made): info 0, load 6")
    write("bmp", "refused_rle8_with_24_bits.bmp", bmp_file(w, h, 24, b"\0\0\0\1", compression=1),
          "compression 1 (8-bit RLE) on 24-bit pixels (hand-made): info 0, load 5")
    write("bmp", "refused_zero_width.bmp", bmp_file(0, h, 24, b""), "width 0 (hand-made): 2")
    write("bmp", "refused_negative_width.bmp", bmp_file(-5, h, 24, b"\0" * 64), "width -5 (hand-made): 2")
    write("bmp", "refused_huge_dimensions.bmp", bmp_file(100000, 100000, 24, b"\0" * 64),
          "100000 x 100000 pixels, 64 bytes of data (hand-made): 5, no size reported")
    write("bmp", "damaged_rle8_truncated.bmp",
          bmp_file(w, h, 8, bytes((10, 3, 0, 0, 10)), palette=palbytes, compression=1),
          "8-bit RLE, 10x4: one row, then a run without its value (hand-made): 2")


# ---------------------------------------------------------------- PCX
def pcx_header(version, encoding, bits, width, height, planes, bpl, pal16=b""):
    h = struct.pack("<BBBBHHHHHH", 10, version, encoding, bits, 0, 0, width - 1, height - 1, 72, 72)
    h += pal16.ljust(48, b"\0") + bytes((0, planes)) + struct.pack("<HH", bpl, 1)
    return h.ljust(128, b"\0")


def make_pcx(tmp, rows):
    def enc(name, cmd, recipe):
        sh(cmd, path("pcx", name))
        note("pcx", name, recipe)

    enc("map1.pcx", "ppmtopcx %s/mono.pbm 2>/dev/null" % tmp, "pgmtopbm -threshold | ppmtopcx (1 plane of 1 bit)")
    enc("map4_planes.pcx", "ppmtopcx %s/p16.ppm 2>/dev/null" % tmp, "pnmquant 16 | ppmtopcx (4 planes of 1 bit)")
    enc("map4_packed.pcx", "ppmtopcx -packed %s/p16.ppm 2>/dev/null" % tmp, "ppmtopcx -packed (1 plane of 4 bits)")
    enc("map8.pcx", "ppmtopcx -8bit %s/p256.ppm 2>/dev/null" % tmp, "pnmquant 200 | ppmtopcx -8bit")
    enc("rgb24.pcx", "ppmtopcx -24bit %s/photo.ppm 2>/dev/null" % tmp, "ppmtopcx -24bit photo.ppm")
    enc("rgb24_blocks.pcx", "ppmtopcx -24bit %s/blocks.ppm 2>/dev/null" % tmp, "ppmtopcx -24bit blocks.ppm (long runs)")

    # version 3: the fixed 16-colour palette, whatever the header holds
    fixed = [(0, 0, 0), (0, 0, 255), (0, 255, 0), (0, 255, 255), (255, 0, 0), (255, 0, 255), (255, 255, 0),
             (255, 255, 255), (85, 85, 255), (85, 85, 85), (0, 170, 0), (170, 0, 0), (85, 255, 255),
             (255, 85, 255), (255, 255, 85), (255, 255, 255)]
    idx = [[(x + y) % 16 for x in range(W)] for y in range(H)]
    data = b"".join(bytes(((row[2 * i] << 4) | (row[2 * i + 1] if 2 * i + 1 < W else 0))
                          for i in range((W + 1) // 2)).ljust(20, b"\0") for row in idx)
    write("pcx", "version3_map4_packed.pcx",
          pcx_header(3, 0, 4, W, H, 1, 20, pal16=bytes(range(48))) + data,
          "version 3, 1 plane of 4 bits, raw, indices (x + y) mod 16, junk header palette (hand-made)")
    truth("pcx", "version3_map4_packed.pcx", [[fixed[i] for i in row] for row in idx])

    # raw 8-bit rows with the version 5 palette at the end
    pal = [((i * 5) % 256, (i * 11) % 256, 255 - i) for i in range(256)]
    idx = [[(x * 7 + y * 3) % 256 for x in range(W)] for y in range(H)]
    data = b"".join(bytes(row) + b"\0" for row in idx)
    palbytes = b"\x0c" + b"".join(bytes(p) for p in pal)
    write("pcx", "map8_raw.pcx", pcx_header(5, 0, 8, W, H, 1, 38) + data + palbytes,
          "version 5, 8 bits, encoding 0 (raw rows of 38 bytes), palette after byte 12 (hand-made)")
    truth("pcx", "map8_raw.pcx", [[pal[i] for i in row] for row in idx])
    write("pcx", "damaged_palette_marker.pcx", pcx_header(5, 0, 8, W, H, 1, 38) + data + b"\x0b" + palbytes[1:],
          "map8_raw.pcx with 11 instead of 12 before the palette (hand-made): 2")

    # a run that crosses from one row into the next (some writers do this); 8x2, one plane
    data = bytes((0xC0 | 12, 77, 0xC0 | 4, 5))
    write("pcx", "run_across_rows.pcx", pcx_header(5, 1, 8, 8, 2, 1, 8) + data + palbytes,
          "8x2, 8 bits: a run of 12 x index 77 (8 in row 0, 4 in row 1) then 4 x index 5 (hand-made)")
    truth("pcx", "run_across_rows.pcx", [[pal[77]] * 8, [pal[77]] * 4 + [pal[5]] * 4])

    write("pcx", "refused_2_planes.pcx", pcx_header(5, 0, 1, 8, 2, 2, 2) + b"\0" * 8,
          "2 planes of 1 bit (hand-made): info 0, load 5")
    write("pcx", "refused_short_plane_line.pcx", pcx_header(5, 0, 8, 40, 2, 1, 8) + b"\0" * 16,
          "width 40 but 8 bytes per plane line (hand-made): 2")
    head = pcx_header(5, 0, 8, 1, 1, 1, 2)
    write("pcx", "refused_inverted_window.pcx", head[:4] + struct.pack("<H", 5) + head[6:] + b"\0" * 4,
          "xmin 5, xmax 0 (hand-made): 2")


# ---------------------------------------------------------------- Sun raster
def sun_file(width, height, depth, data, type_=1, maptype=0, cmap=b""):
    return struct.pack(">8I", 0x59A66A95, width, height, depth, len(data), type_, maptype, len(cmap)) + cmap + data


def sun_encode(data):
    """Sun byte encoding: runs of 3 or more (and every 0x80) as 0x80 count value."""
    out, i = bytearray(), 0
    while i < len(data):
        j = i
        while j + 1 < len(data) and data[j + 1] == data[i] and j + 1 - i < 255:
            j += 1
        n = j - i + 1
        if n >= 3 or data[i] == 0x80:
            out += bytes((0x80, n - 1, data[i])) if not (n == 1 and data[i] == 0x80) else bytes((0x80, 0))
            i = j + 1
        else:
            out.append(data[i])
            i += 1
    return bytes(out)


def make_sun(tmp, rows):
    def enc(name, cmd, recipe):
        sh(cmd, path("sun", name))
        note("sun", name, recipe)

    enc("map1.ras", "pnmtorast -standard %s/mono.pbm 2>/dev/null" % tmp, "pnmtorast -standard mono.pbm")
    enc("map1_rle.ras", "pnmtorast -rle %s/mono.pbm 2>/dev/null" % tmp, "pnmtorast -rle mono.pbm")
    enc("map8.ras", "pnmtorast -standard %s/p256.ppm 2>/dev/null" % tmp, "pnmquant 200 | pnmtorast -standard")
    enc("map8_rle.ras", "pnmtorast -rle %s/p256.ppm 2>/dev/null" % tmp, "pnmquant 200 | pnmtorast -rle")
    enc("grey8_rle.ras", "pnmtorast -rle %s/grey.pgm 2>/dev/null" % tmp, "ppmtopgm | pnmtorast -rle")
    enc("rgb24.ras", "pnmtorast -standard %s/photo.ppm 2>/dev/null" % tmp, "pnmtorast -standard photo.ppm")
    enc("map8_rle_blocks.ras", "pnmtorast -rle %s/blocks.ppm 2>/dev/null" % tmp,
        "pnmtorast -rle blocks.ppm (6 colours: 8-bit with a colour map)")

    # netpbm writes no run-length true colour: byte-encode blocks.ppm as one stream, as Sun's
    # encoder does, so runs cross row ends (rows are 111 bytes + 1 pad byte)
    brows = blocks(W, H)
    write("sun", "rgb24_rle.ras", sun_file(W, H, 24, sun_encode(b"".join(
        b"".join(bytes((p[2], p[1], p[0])) for p in row) + b"\0" for row in brows)), type_=2),
        "blocks.ppm as 24-bit B,G,R, byte-encoded as one stream (hand-made)")
    truth("sun", "rgb24_rle.ras", brows)

    # 32-bit pixels start with their pad byte, as rasttopnm and ImageMagick have them
    xbgr = b"".join(b"".join(bytes((0x11, p[2], p[1], p[0])) for p in row) for row in rows)
    write("sun", "rgb32.ras", sun_file(W, H, 32, xbgr), "photo as 32-bit X,B,G,R pixels, type 1 (hand-made)")
    enc("rgb32_type3_imagemagick.ras",
        "convert %s/photo.ppm -alpha set -channel A -evaluate set 50%% SUN:- 2>/dev/null" % tmp,
        "convert photo.ppm -alpha set -channel A -evaluate set 50% SUN: (type 3, A,R,G,B pixels)")
    rgb = b"".join(b"".join(bytes(p) for p in row) + b"\0" for row in rows)  # 111 bytes + pad
    write("sun", "rgb24_type3.ras", sun_file(W, H, 24, rgb, type_=3),
          "photo as 24-bit R,G,B pixels, type 3 (RGB order) (hand-made)")
    truth("sun", "rgb24_type3.ras", rows)
    # 8-bit without a colour map: a grey ramp
    idx = [[(x * 6 + y) % 256 for x in range(W)] for y in range(H)]
    write("sun", "grey8_no_map.ras", sun_file(W, H, 8, b"".join(bytes(r) + b"\0" for r in idx)),
          "8-bit indices (6x + y) mod 256, no colour map: grey ramp (hand-made)")
    truth("sun", "grey8_no_map.ras", [[(i, i, i) for i in row] for row in idx])
    # escapes: a literal 0x80 (count 0), runs that cross rows; 6x2 8-bit, raw colour map (type 2)
    cmap = b"".join(bytes(((i * 9) % 256, i, 255 - i)) for i in range(256))
    data = bytes((0x80, 0, 1, 0x80, 6, 3, 0x80, 2, 0x80))  # 0x80, 1, 3 x 7 (4 in row 0, 3 in row 1), 3 x 0x80
    write("sun", "rle_escapes_across_rows.ras", sun_file(6, 2, 8, data, type_=2, maptype=2, cmap=cmap),
          "6x2 8-bit byte-encoded: literal 0x80, literal 1, a run of 7 x 3 across the row end, run of 3 x 0x80 "
          "(hand-made)")
    pal = [((i * 9) % 256, i, 255 - i) for i in range(256)]
    truth("sun", "rle_escapes_across_rows.ras", [[pal[0x80], pal[1]] + [pal[3]] * 4, [pal[3]] * 3 + [pal[0x80]] * 3])
    write("sun", "refused_depth_4.ras", sun_file(4, 4, 4, b"\0" * 8), "depth 4 (hand-made): info 0, load 5")
    write("sun", "refused_huge_dimensions.ras", sun_file(70000, 70000, 24, b"\0" * 16),
          "70000 x 70000 (hand-made): 5")
    write("sun", "damaged_map_past_end.ras", sun_file(4, 4, 8, b"", maptype=1, cmap=b"")[:28] +
          struct.pack(">I", 768) + b"\1" * 40, "8-bit, colour map of 768 bytes but 40 in the file (hand-made): 2")


# ---------------------------------------------------------------- SGI
def sgi_header(storage, bpc, dim, x, y, z, pmin=0, pmax=255, colormap=0):
    h = struct.pack(">hBBHHHHii", 474, storage, bpc, dim, x, y, z, pmin, pmax)
    h = h.ljust(24, b"\0") + b"hand-made".ljust(80, b"\0") + struct.pack(">i", colormap)
    return h.ljust(512, b"\0")


def sgi_rle(rows_by_plane, row_bytes_of):
    """rows_by_plane: [plane][row bottom first] -> encoded bytes of that row. Builds the tables."""
    planes, height = len(rows_by_plane), len(rows_by_plane[0])
    offset = 512 + planes * height * 8
    starts, lengths, data = [], [], b""
    for plane in rows_by_plane:
        for row in plane:
            enc = row_bytes_of(row)
            starts.append(offset + len(data))
            lengths.append(len(enc))
            data += enc
    return struct.pack(">%dI" % len(starts), *starts) + struct.pack(">%dI" % len(lengths), *lengths) + data


def make_sgi(tmp, rows):
    def enc(name, cmd, recipe):
        sh(cmd, path("sgi", name))
        note("sgi", name, recipe)

    enc("grey_rle.sgi", "pnmtosgi -rle %s/grey.pgm 2>/dev/null" % tmp, "ppmtopgm | pnmtosgi -rle")
    enc("grey_verbatim.sgi", "pnmtosgi -verbatim %s/grey.pgm 2>/dev/null" % tmp, "ppmtopgm | pnmtosgi -verbatim")
    enc("rgb_rle.sgi", "pnmtosgi -rle %s/photo.ppm 2>/dev/null" % tmp, "pnmtosgi -rle photo.ppm")
    enc("rgb_verbatim.sgi", "pnmtosgi -verbatim %s/photo.ppm 2>/dev/null" % tmp, "pnmtosgi -verbatim photo.ppm")
    enc("rgb16_rle.sgi", "pnmtosgi -rle %s/photo16.ppm 2>/dev/null" % tmp, "pamdepth 65535 | pnmtosgi -rle (2 bytes)")
    enc("rgb_rle_blocks.sgi", "pnmtosgi -rle %s/blocks.ppm 2>/dev/null" % tmp, "pnmtosgi -rle blocks.ppm")

    # four channels (RGBA), run-length, every row ending in a 0 control byte as real files do;
    # each plane's rows are distinct, so a plane read from another plane's rows shows
    def lit_row(row):
        out = b""
        for i in range(0, len(row), 127):
            chunk = row[i:i + 127]
            out += bytes((0x80 | len(chunk),)) + bytes(chunk)
        return out + b"\0"
    planes = [[[p[c] for p in row] for row in rows[::-1]] for c in range(3)]
    planes.append([[255] * W for _ in range(H)])
    write("sgi", "rgba_rle.sgi", sgi_header(1, 1, 3, W, H, 4) + sgi_rle(planes, lit_row),
          "photo plus an alpha plane, 4 channels, run-length literal packets, rows end with 0 (hand-made)")
    truth("sgi", "rgba_rle.sgi", rows)
    # dithered colour map: index = blue x 64 + green x 8 + red (levels 0..7, 0..7, 0..3)
    r8 = [0, 36, 73, 109, 146, 182, 218, 255]
    b4 = [0, 85, 170, 255]
    idx = [[(x * 5 + y * 17) % 256 for x in range(W)] for y in range(H)]
    write("sgi", "dithered_map.sgi", sgi_header(0, 1, 2, W, H, 1, colormap=1) +
          b"".join(bytes(r) for r in idx[::-1]), "indices (5x + 17y) mod 256, colour map kind 1, verbatim (hand-made)")
    truth("sgi", "dithered_map.sgi", [[(r8[i & 7], r8[(i >> 3) & 7], b4[i >> 6]) for i in row] for row in idx])

    one = lambda row: b"".join(bytes((0x80 | 4,)) + bytes(row[i:i + 4]) for i in range(0, 8, 4)) + b"\0"
    grey = [[[x * 30 + y for x in range(8)] for y in range(2)]]
    write("sgi", "refused_colormap_3.sgi", sgi_header(0, 1, 2, 8, 2, 1, colormap=3) + b"\0" * 16,
          "colour map kind 3 (hand-made): info 0, load 5")
    write("sgi", "refused_3_bytes.sgi", sgi_header(0, 3, 2, 8, 2, 1) + b"\0" * 48, "3 bytes a sample: info 0, load 5")
    write("sgi", "refused_2_channels.sgi", sgi_header(0, 1, 3, 8, 2, 2) + b"\0" * 32, "dimension 3, z 2: 5")
    write("sgi", "refused_storage_2.sgi", sgi_header(2, 1, 2, 8, 2, 1) + b"\0" * 16, "storage 2: info 0, load 6")
    good = sgi_header(1, 1, 2, 8, 2, 1) + sgi_rle(grey, one)
    write("sgi", "grey_rle_small.sgi", good, "8x2 grey run-length, literal packets of 4, rows end with 0 (hand-made)")
    truth("sgi", "grey_rle_small.sgi", [[(v, v, v) for v in row] for row in grey[0][::-1]])
    bad = bytearray(good)
    struct.pack_into(">I", bad, 512, 1 << 30)
    write("sgi", "damaged_row_start_past_end.sgi", bytes(bad), "grey_rle_small with row 0 starting at 2^30: 2")
    bad = bytearray(good)
    struct.pack_into(">I", bad, 512 + 8, 1 << 20)
    write("sgi", "damaged_row_length_past_end.sgi", bytes(bad), "grey_rle_small with row 0 of 2^20 bytes: 2")
    early0 = lambda row: bytes((0x80 | 4,)) + bytes(row[:4]) + b"\0" + bytes((0x80 | 4,)) + bytes(row[4:])
    write("sgi", "damaged_zero_control_early.sgi", sgi_header(1, 1, 2, 8, 2, 1) + sgi_rle(grey, early0),
          "8x2 grey run-length with a 0 control byte after 4 of 8 samples (hand-made): 2")
    over = lambda row: bytes((0x80 | 4,)) + bytes(row[:4]) + bytes((6, 9)) + b"\0"
    write("sgi", "damaged_row_overflow.sgi", sgi_header(1, 1, 2, 8, 2, 1) + sgi_rle(grey, over),
          "8x2 grey run-length whose second packet repeats 6 samples into 4 places (hand-made): 2")
    write("sgi", "damaged_tables_past_end.sgi", sgi_header(1, 1, 3, 1000, 1000, 4) + b"\0" * 64,
          "run-length 1000x1000x4 with 64 bytes of tables (hand-made): 2")


# ---------------------------------------------------------------- Targa
def tga_header(idlen, maptype, type_, maplen, mapbits, width, height, depth, desc):
    return struct.pack("<BBBHHBHHHHBB", idlen, maptype, type_, 0, maplen, mapbits, 0, 0, width, height, depth, desc)


def tga_rle(pixels, pixel_bytes, max_run=128):
    """pixels: list of pixel byte strings, one run-length stream (packets may cross rows)."""
    out, i = b"", 0
    while i < len(pixels):
        j = i
        while j + 1 < len(pixels) and pixels[j + 1] == pixels[i] and j + 1 - i < max_run - 1:
            j += 1
        if j > i:
            out += bytes((0x80 | (j - i),)) + pixels[i]
            i = j + 1
        else:
            k = i
            while k + 1 < len(pixels) and pixels[k + 1] != pixels[k] and k + 1 - i < max_run - 1:
                k += 1
            out += bytes((k - i,)) + b"".join(pixels[i:k + 1])
            i = k + 1
    return out


def make_tga(tmp, rows):
    # pamtotga writes the input's path as the image id, so it runs inside the temporary folder
    def enc(name, cmd, recipe):
        sh(cmd, path("tga", name))
        note("tga", name, recipe)

    enc("rgb24_rle.tga", "cd %s && pamtotga -rgb photo.ppm 2>/dev/null" % tmp, "pamtotga -rgb photo.ppm (type 10)")
    enc("rgb24_rle_blocks.tga", "cd %s && pamtotga -rgb blocks.ppm 2>/dev/null" % tmp, "pamtotga -rgb blocks.ppm")
    enc("rgb24_raw.tga", "cd %s && pamtotga -rgb -norle photo.ppm 2>/dev/null" % tmp, "pamtotga -rgb -norle (type 2)")
    enc("map8_rle.tga", "cd %s && pamtotga -cmap p256.ppm 2>/dev/null" % tmp, "pnmquant 200 | pamtotga -cmap (type 9)")
    enc("map8_raw.tga", "cd %s && pamtotga -cmap -norle p256.ppm 2>/dev/null" % tmp, "pamtotga -cmap -norle (type 1)")
    enc("map8_cmap16.tga", "cd %s && pamtotga -cmap16 -norle p256.ppm 2>/dev/null" % tmp,
        "pamtotga -cmap16 -norle: 16-bit colour map entries")
    enc("grey8_rle.tga", "cd %s && pamtotga -mono grey.pgm 2>/dev/null" % tmp, "ppmtopgm | pamtotga -mono (type 11)")
    enc("grey8_raw.tga", "cd %s && pamtotga -mono -norle grey.pgm 2>/dev/null" % tmp, "pamtotga -mono -norle (type 3)")

    bgr = [[bytes((p[2], p[1], p[0])) for p in row] for row in rows]
    write("tga", "rgb24_top_first.tga", tga_header(0, 0, 2, 0, 0, W, H, 24, 0x20) +
          b"".join(b"".join(r) for r in bgr), "photo, type 2, descriptor 0x20: rows top first (hand-made)")
    truth("tga", "rgb24_top_first.tga", rows)
    flat = [p for r in bgr[::-1] for p in r]
    write("tga", "rgb24_rle_across_rows.tga", tga_header(0, 0, 10, 0, 0, W, H, 24, 0) + tga_rle(flat, 3),
          "photo, type 10, one packet stream over the whole picture: packets cross rows (hand-made)")
    truth("tga", "rgb24_rle_across_rows.tga", rows)
    px32 = [bytes((p[2], p[1], p[0], 0x40)) for r in rows[::-1] for p in r]
    write("tga", "rgb32_rle.tga", tga_header(0, 0, 10, 0, 0, W, H, 32, 8) + tga_rle(px32, 4),
          "photo, type 10, 32-bit B,G,R,A pixels (hand-made)")
    truth("tga", "rgb32_rle.tga", rows)

    def v16(p):
        return ((p[0] >> 3) << 10) | ((p[1] >> 3) << 5) | (p[2] >> 3)
    write("tga", "rgb16_raw.tga", tga_header(0, 0, 2, 0, 0, W, H, 16, 1) +
          b"".join(struct.pack("<H", v16(p) | 0x8000) for r in rows[::-1] for p in r),
          "photo, type 2, 16-bit pixels with the top bit set (hand-made)")
    truth("tga", "rgb16_raw.tga", [[(p[0] & 0xF8, p[1] & 0xF8, p[2] & 0xF8) for p in row] for row in rows])
    # 16-bit colour map: palette components are multiples of 8
    pal = [((i * 8) % 256, (i * 24) % 256, 248 - (i * 8) % 256) for i in range(32)]
    cmap = b"".join(struct.pack("<H", ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3)) for r, g, b in pal)
    idx = [[(x + y) % 32 for x in range(W)] for y in range(H)]
    write("tga", "map8_cmap16_hand.tga", tga_header(3, 1, 1, 32, 16, W, H, 8, 0) + b"abc" + cmap +
          b"".join(bytes(r) for r in idx[::-1]), "type 1, id 'abc', 32-entry 16-bit colour map (hand-made)")
    truth("tga", "map8_cmap16_hand.tga", [[pal[i] for i in row] for row in idx])
    # a true-colour file that carries a colour map: the map is skipped
    write("tga", "rgb24_with_map.tga", tga_header(0, 1, 2, 4, 24, 2, 1, 24, 0) + b"\x99" * 12 +
          bytes((1, 2, 3, 4, 5, 6)), "2x1 type 2 with a 4-entry 24-bit map to skip (hand-made)")
    truth("tga", "rgb24_with_map.tga", [[(3, 2, 1), (6, 5, 4)]])
    write("tga", "refused_map_16_bits.tga", tga_header(0, 1, 1, 2, 24, 2, 2, 16, 0) + b"\0" * 14,
          "type 1 with 16-bit indices (hand-made): 5")
    write("tga", "refused_rgb_8_bits.tga", tga_header(0, 0, 2, 0, 0, 2, 2, 8, 0) + b"\0" * 4,
          "type 2 with 8-bit pixels (hand-made): 5")
    write("tga", "refused_mapped_without_map.tga", tga_header(0, 0, 1, 0, 0, 2, 2, 8, 0) + b"\0" * 4,
          "type 1 with colour-map type 0 (hand-made): 4")
    write("tga", "refused_type_32.tga", tga_header(0, 0, 32, 0, 0, 2, 2, 8, 0) + b"\0" * 4,
          "type 32 (hand-made): 4")
    write("tga", "refused_zero_height.tga", tga_header(0, 0, 2, 0, 0, 2, 0, 24, 0), "height 0 (hand-made): 2")


# ---------------------------------------------------------------- NKL
def make_nkl():
    text = ('NKLImage = IMAGE[\n0 = "255 0 0",\n  1 =  "0 128 255" ,\n2 = "10 20 30"]\n'
            '( 4 , 3\n,0,1,2,1\n\t, 2 ,\t2, 0,0\n,1 ,1,1,1\n)')
    write("nkl", "spaced.nkl", text.encode(), "3 colours, 4x3, blanks and tabs between numbers (hand-written)")
    pal = [(255, 0, 0), (0, 128, 255), (10, 20, 30)]
    truth("nkl", "spaced.nkl", [[pal[i] for i in row] for row in ([0, 1, 2, 1], [2, 2, 0, 0], [1, 1, 1, 1])])
    write("nkl", "damaged_11_digits.nkl",
          b'NKLImage = IMAGE[\n0 = "1 2 3"]\n(2,1\n,0,00000000000\n)', "a pixel written with 11 digits: 2")
    write("nkl", "damaged_no_size.nkl", b'NKLImage = IMAGE[\n0 = "1 2 3"]\n', "no '(' before the end: 2")
    write("nkl", "damaged_short_row.nkl", b'NKLImage = IMAGE[\n0 = "1 2 3"]\n(3,1\n,0,0', "3 wide, 2 pixels: 2")
    write("nkl", "refused_nkx.nkl", b'NKXImage = IMAGE[\n0 = "1 2 3"]\n(1,1\n,0\n)', "signature NKX: 4")


def main():
    import tempfile
    for f in FORMATS:
        os.makedirs(os.path.join(DATA, f), exist_ok=True)
    with tempfile.TemporaryDirectory() as tmp:
        rows = make_sources(tmp)
        make_bmp(tmp, rows)
        make_pcx(tmp, rows)
        make_sun(tmp, rows)
        make_sgi(tmp, rows)
        make_tga(tmp, rows)
    make_nkl()
    for f in FORMATS:
        with open(os.path.join(DATA, f, "RECIPES.txt"), "w") as out:
            out.write("# Made by tests/imagefile/make_bmp_pcx_sun_sgi_tga_data.py; photo.ppm is its 37x23 "
                      "photo-like picture, blocks.ppm a flat one.\n")
            out.write("\n".join(recipes[f]) + "\n")


if __name__ == "__main__":
    main()
