#!/usr/bin/env python3
"""Writes the GIF, JPEG and TIFF test corpus under tests/imagefile/data/{gif,jpeg,tiff}/.

Files from independent encoders (netpbm, libjpeg-turbo's cjpeg, libtiff's tiffcp) are compared
by the tests against independent decoders (giftopnm, djpeg, tifftopnm) at test time. Files no
encoder writes are made here byte by byte; each of those has a truth picture `<name>.ppm`
written from the same indices and palette. Every file's one-line recipe goes to RECIPES.txt in
its folder. Run from anywhere: python3 tests/imagefile/make_gif_jpeg_tiff_data.py
"""
import os
import struct
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.join(HERE, "data")
recipes = {"gif": [], "jpeg": [], "tiff": []}


def sh(cmd, out=None):
    """Runs a shell pipeline; its stdout goes to `out` when given."""
    if out is None:
        subprocess.run(cmd, shell=True, check=True)
    else:
        with open(out, "wb") as f:
            subprocess.run(cmd, shell=True, check=True, stdout=f)


def ppm(path, width, height, pixels):
    """pixels: rows top first, each a list of (r, g, b)."""
    with open(path, "wb") as f:
        f.write(b"P6\n%d %d\n255\n" % (width, height))
        for row in pixels:
            for r, g, b in row:
                f.write(bytes((r, g, b)))


def pgm(path, width, height, maxval, rows):
    with open(path, "wb") as f:
        f.write(b"P5\n%d %d\n%d\n" % (width, height, maxval))
        for row in rows:
            f.write(bytes(row))


def photo(width, height):
    """A photo-like picture: smooth gradients, a disc and a few hard edges."""
    rows = []
    for y in range(height):
        row = []
        for x in range(width):
            r = (x * 255) // (width - 1)
            g = (y * 255) // (height - 1)
            b = ((x + y) * 97) % 256
            if (x - width // 2) ** 2 + (y - height // 2) ** 2 < (height // 3) ** 2:
                r, g, b = 250 - r // 2, 40 + g // 3, 200
            if x % 17 == 0:
                r, g, b = 0, 0, 0
            row.append((r, g, b))
        rows.append(row)
    return rows


def noise(width, height, seed=12345):
    """Indices that LZW cannot compress much, so the code table fills quickly."""
    state = seed
    rows = []
    for _ in range(height):
        row = []
        for _ in range(width):
            state = (state * 1103515245 + 12345) & 0x7FFFFFFF
            row.append((state >> 16) & 0xFF)
        rows.append(row)
    return rows


# ---------------------------------------------------------------- GIF by hand

def lzw_encode(indices, min_code_size, clear_when_full=True, early_end=False):
    """The GIF LZW code stream for `indices`, as a list of (code, width)."""
    clear = 1 << min_code_size
    end = clear + 1
    codes = []
    width = min_code_size + 1
    table = {}
    next_code = end + 1

    def reset():
        nonlocal table, next_code, width
        table = {(i,): i for i in range(clear)}
        next_code = end + 1
        width = min_code_size + 1

    reset()
    codes.append((clear, width))
    w = ()
    for k in indices:
        wk = w + (k,)
        if wk in table:
            w = wk
            continue
        codes.append((table[w], width))
        if next_code < 4096:
            table[wk] = next_code
            next_code += 1
            if next_code > (1 << width) and width < 12:
                width += 1
        elif clear_when_full:
            codes.append((clear, width))
            reset()
        w = (k,)
    if w:
        if early_end:
            # the last pixel is left out: the end code stands in its place
            if len(w) > 1:
                codes.append((table[w[:-1]], width))
        else:
            codes.append((table[w], width))
    codes.append((end, width))
    return codes


def pack_codes(codes):
    out = bytearray()
    acc = 0
    nbits = 0
    for code, width in codes:
        acc |= code << nbits
        nbits += width
        while nbits >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            nbits -= 8
    if nbits:
        out.append(acc & 0xFF)
    return bytes(out)


def sub_blocks(data, terminator=True):
    out = bytearray()
    for i in range(0, len(data), 255):
        chunk = data[i:i + 255]
        out.append(len(chunk))
        out += chunk
    if terminator:
        out.append(0)
    return bytes(out)


def colour_table(palette, size_bits):
    entries = 1 << (size_bits + 1)
    table = bytearray()
    for i in range(entries):
        r, g, b = palette[i] if i < len(palette) else (0, 0, 0)
        table += bytes((r, g, b))
    return bytes(table)


def interlace_order(height):
    order = []
    for start, step in ((0, 8), (4, 8), (2, 4), (1, 2)):
        order += list(range(start, height, step))
    return order


def gif_bytes(width, height, rows, palette, size_bits, min_code_size, interlace=False,
              local_palette=None, extensions=b"", trailer_image=False, clear_when_full=True,
              early_end=False, stream=None):
    """A GIF87a/89a file. rows: top first, palette indices."""
    out = bytearray(b"GIF89a")
    packed = 0x80 | (size_bits << 4) | size_bits
    out += struct.pack("<HHBBB", width, height, packed, 0, 0)
    out += colour_table(palette, size_bits)
    out += extensions
    image_packed = 0x40 if interlace else 0
    if local_palette is not None:
        image_packed |= 0x80 | size_bits
    out += b"," + struct.pack("<HHHHB", 0, 0, width, height, image_packed)
    if local_palette is not None:
        out += colour_table(local_palette, size_bits)
    order = interlace_order(height) if interlace else range(height)
    indices = [i for y in order for i in rows[y]]
    if stream is None:
        stream = pack_codes(lzw_encode(indices, min_code_size, clear_when_full, early_end))
    out.append(min_code_size)
    out += sub_blocks(stream)
    if trailer_image:
        # a second image, which readers of the first image ignore
        out += b"," + struct.pack("<HHHHB", 0, 0, 2, 2, 0) + bytes((2,))
        out += sub_blocks(pack_codes(lzw_encode([1, 1, 1, 1], 2)))
    out += b";"
    return bytes(out)


def palette_ramp(n):
    return [((i * 37) % 256, (i * 91 + 11) % 256, (255 - i * 13) % 256) for i in range(n)]


def hand_gif(name, recipe, width, height, rows, palette, size_bits, min_code_size, truth_palette=None, **kw):
    path = os.path.join(DATA, "gif", name)
    with open(path, "wb") as f:
        f.write(gif_bytes(width, height, rows, palette, size_bits, min_code_size, **kw))
    recipes["gif"].append("%s: by hand: %s" % (name, recipe))
    if truth_palette is not None:
        ppm(path[:-4] + ".ppm", width, height, [[truth_palette[i] for i in row] for row in rows])


def hand_gif_raw(name, recipe, data):
    with open(os.path.join(DATA, "gif", name), "wb") as f:
        f.write(data)
    recipes["gif"].append("%s: by hand: %s" % (name, recipe))


def photo_source(kind):
    """The folder of `kind`, made if needed, and the 61x43 photo written into it as src.ppm."""
    d = os.path.join(DATA, kind)
    os.makedirs(d, exist_ok=True)
    src = os.path.join(d, "src.ppm")
    ppm(src, 61, 43, photo(61, 43))
    return d, src


def make_gif():
    d, tmp = photo_source("gif")
    for name, recipe in [
        ("photo_256.gif", "pnmquant 256 photo | pamtogif"),
        ("photo_256_interlaced.gif", "pnmquant 256 photo | pamtogif -interlace"),
        ("photo_256_nolzw.gif", "pnmquant 256 photo | pamtogif -nolzw"),
        ("photo_16.gif", "pnmquant 16 photo | pamtogif"),
        ("photo_8_code_size_3.gif", "pnmquant 8 photo | pamtogif"),
        ("photo_2_code_size_2.gif", "pnmquant 2 photo | pamtogif"),
    ]:
        colours = recipe.split()[1]
        flags = recipe.split("pamtogif")[1]
        sh("pnmquant %s %s 2>/dev/null | pamtogif %s" % (colours, tmp, flags), os.path.join(d, name))
        recipes["gif"].append("%s: %s (photo: 61x43 gradients, disc, stripes)" % (name, recipe))
    n = noise(160, 120)
    pgm(tmp, 160, 120, 255, n)
    sh("pgmtoppm white %s | pamtogif -noclear" % tmp, os.path.join(d, "noise_full_table_no_clear.gif"))
    recipes["gif"].append("noise_full_table_no_clear.gif: pgmtoppm white noise160x120.pgm | pamtogif -noclear "
                          "(the code table fills and stays full: 12-bit codes, no clear code)")
    os.remove(tmp)

    pal16 = palette_ramp(16)
    rows8 = [[y] * 5 for y in range(8)]
    hand_gif("interlaced_8_rows.gif", "5x8, row r holds index r, interlaced, code size 4",
             5, 8, rows8, pal16, 3, 4, truth_palette=pal16, interlace=True)
    rows2 = [[3, 3, 3], [9, 9, 9]]
    hand_gif("interlaced_2_rows.gif", "3x2, interlaced (passes 2 and 3 start below the image)",
             3, 2, rows2, pal16, 3, 4, truth_palette=pal16, interlace=True)
    rows_pat = [[(x * 3 + y * 5) % 16 for x in range(11)] for y in range(7)]
    red = [(255, 0, 0)] * 16
    hand_gif("local_colour_table.gif", "global table all red, local table ramp; the local one is used",
             11, 7, rows_pat, red, 3, 4, truth_palette=pal16, local_palette=pal16)
    comment = b"\x21\xfe" + sub_blocks(b"made by hand for the tests")
    control = b"\x21\xf9\x04\x01\x00\x00\x02\x00"
    netscape = b"\x21\xff\x0bNETSCAPE2.0\x03\x01\x00\x00\x00"
    hand_gif("extensions_and_second_image.gif",
             "comment, graphic control and application extensions before the image, a second image after",
             11, 7, rows_pat, pal16, 3, 4, truth_palette=pal16,
             extensions=comment + control + netscape, trailer_image=True)
    rows_bits = [[(x ^ y) & 1 for x in range(9)] for y in range(6)]
    pal2 = [(10, 20, 30), (200, 210, 220)]
    hand_gif("code_size_1.gif", "9x6 checker of 2 colours with minimum code size 1",
             9, 6, rows_bits, pal2, 0, 1, truth_palette=pal2)
    n = noise(90, 80, seed=777)
    pal256 = palette_ramp(256)
    hand_gif("full_table_no_clear.gif", "90x80 noise, code size 8; no clear code once the table is full",
             90, 80, n, pal256, 7, 8, truth_palette=pal256, clear_when_full=False)
    rows_short = [[(x + y) % 16 for x in range(6)] for y in range(4)]
    truth = [row[:] for row in rows_short]
    truth[-1][-1] = 0
    path = os.path.join(d, "end_code_for_last_pixel.gif")
    with open(path, "wb") as f:
        f.write(gif_bytes(6, 4, rows_short, pal16, 3, 4, early_end=True))
    ppm(path[:-4] + ".ppm", 6, 4, [[pal16[i] for i in row] for row in truth])
    recipes["gif"].append("end_code_for_last_pixel.gif: by hand: 6x4, the end code stands in place of "
                          "the last pixel (it reads index 0)")

    # damaged and refused files
    def stream_of(codes):
        return pack_codes(codes)
    hand_gif("damaged_premature_end_code.gif", "end code after 3 of 24 pixels",
             6, 4, rows_short, pal16, 3, 4, stream=stream_of([(16, 5), (1, 5), (2, 5), (3, 5), (17, 5)]))
    hand_gif("damaged_undefined_code.gif", "code 30 before any entry past 18 is defined",
             6, 4, rows_short, pal16, 3, 4, stream=stream_of([(16, 5), (1, 5), (30, 5)] + [(0, 5)] * 30))
    good = gif_bytes(6, 4, rows_short, pal16, 3, 4)
    # the first data sub-block shortened and ended by a terminator before the end code
    image_data = good.index(bytes((4,)), 13 + 48 + 10)  # the minimum code size byte
    length = good[image_data + 1]
    cut = bytearray(good[:image_data + 1]) + bytes((3,)) + good[image_data + 2:image_data + 5] + b"\x00;"
    hand_gif_raw("damaged_early_block_terminator.gif", "data sub-block cut to 3 of %d bytes, then a terminator" % length,
                 bytes(cut))
    no_table = bytearray(good)
    no_table[10] &= 0x7F
    no_table = bytes(no_table[:13]) + bytes(no_table[13 + 48:])
    hand_gif_raw("damaged_no_colour_table.gif", "neither a global nor a local colour table", no_table)
    hand_gif_raw("refused_unknown_block.gif", "a 0x3B trailer where the first image descriptor belongs",
                 good[:13 + 48] + b";")
    hand_gif_raw("refused_eof_in_extension.gif", "a comment extension cut inside its sub-block",
                 good[:13 + 48] + b"\x21\xfe\x20abc")
    huge = bytearray(good)
    struct.pack_into("<HH", huge, 13 + 48 + 5, 65535, 65535)
    hand_gif_raw("refused_huge_dimensions.gif", "image descriptor of 65535x65535 (above the pixel limit)",
                 bytes(huge))
    zero = bytearray(good)
    struct.pack_into("<H", zero, 13 + 48 + 5, 0)
    hand_gif_raw("damaged_zero_width.gif", "image descriptor width 0", bytes(zero))


# ---------------------------------------------------------------- JPEG

def make_jpeg():
    d, src = photo_source("jpeg")
    for name, flags in [
        ("rgb_q90.jpg", "-quality 90"),
        ("rgb_q95_444.jpg", "-quality 95 -sample 1x1"),
        ("progressive.jpg", "-quality 85 -progressive"),
        ("restart_every_row.jpg", "-quality 80 -restart 1"),
        ("arithmetic.jpg", "-quality 80 -arithmetic"),
        ("grey.jpg", "-quality 90 -grayscale"),
        ("rgb_colour_space.jpg", "-quality 90 -rgb"),
    ]:
        sh("cjpeg %s %s" % (flags, src), os.path.join(d, name))
        recipes["jpeg"].append("%s: cjpeg %s photo.ppm (61x43)" % (name, flags))
    os.remove(src)
    with open(os.path.join(d, "rgb_q90.jpg"), "rb") as f:
        full = f.read()
    cut = full[: len(full) * 55 // 100]
    path = os.path.join(d, "truncated_55_percent.jpg")
    with open(path, "wb") as f:
        f.write(cut)
    recipes["jpeg"].append("truncated_55_percent.jpg: the first 55%% of rgb_q90.jpg (must be refused)")
    # tables only: start of image, the first quantisation table, end of image
    pos = full.index(b"\xff\xdb")
    seglen = struct.unpack(">H", full[pos + 2:pos + 4])[0]
    with open(os.path.join(d, "tables_only.jpg"), "wb") as f:
        f.write(b"\xff\xd8" + full[pos:pos + 2 + seglen] + b"\xff\xd9")
    recipes["jpeg"].append("tables_only.jpg: SOI + the DQT segment of rgb_q90.jpg + EOI (no image)")


# ---------------------------------------------------------------- TIFF

def tiff_bytes(width, height, entries, data, big_endian=False):
    """A one-strip TIFF; entries: (tag, type, values), StripOffsets filled in here."""
    e = ">" if big_endian else "<"
    header = (b"MM\x00\x2a" if big_endian else b"II\x2a\x00") + struct.pack(e + "I", 8)
    entries = sorted(entries + [(273, 4, [0])], key=lambda t: t[0])
    ifd_size = 2 + 12 * len(entries) + 4
    extra = bytearray()
    extra_start = 8 + ifd_size
    sizes = {1: 1, 3: 2, 4: 4}
    fmt = {1: "B", 3: "H", 4: "I"}
    # strip data after the extra values
    blobs = []
    for tag, typ, values in entries:
        blobs.append(len(values) * sizes[typ])
    extra_len = sum(b for b in blobs if b > 4)
    data_offset = extra_start + extra_len
    ifd = bytearray(struct.pack(e + "H", len(entries)))
    for tag, typ, values in entries:
        if tag == 273:
            values = [data_offset]
        raw = b"".join(struct.pack(e + fmt[typ], v) for v in values)
        if len(raw) <= 4:
            ifd += struct.pack(e + "HHI", tag, typ, len(values)) + raw.ljust(4, b"\x00")
        else:
            ifd += struct.pack(e + "HHII", tag, typ, len(values), extra_start + len(extra))
            extra += raw
    ifd += struct.pack(e + "I", 0)
    return header + bytes(ifd) + bytes(extra) + data


def hand_tiff(name, recipe, data):
    with open(os.path.join(DATA, "tiff", name), "wb") as f:
        f.write(data)
    recipes["tiff"].append("%s: by hand: %s" % (name, recipe))


def make_tiff():
    d = os.path.join(DATA, "tiff")
    os.makedirs(d, exist_ok=True)
    W, H = 61, 43
    rgb = photo(W, H)
    here = os.getcwd()
    os.chdir(d)
    src = "photo.ppm"
    ppm(src, W, H, rgb)
    grey = "photo.pgm"
    pgm(grey, W, H, 255, [[(r * 3 + g * 5 + b) // 9 for r, g, b in row] for row in rgb])
    grey4 = "ramp15.pgm"
    pgm(grey4, W, H, 15, [[(x + y) % 16 for x in range(W)] for y in range(H)])
    bits = "photo.pbm"
    sh("pamthreshold -simple %s 2>/dev/null || pgmtopbm -threshold %s" % (grey, grey), bits)
    few = "photo16.ppm"
    sh("pnmquant 16 %s 2>/dev/null" % src, few)
    four = "photo4.ppm"
    sh("pnmquant 4 %s 2>/dev/null" % src, four)
    deep = "photo16bit.ppm"
    sh("pamdepth 65535 %s" % src, deep)
    runs = [
        ("rgb_none.tif", "pnmtotiff -truecolor -none photo.ppm", "pnmtotiff -truecolor -none %s" % src),
        ("rgb_lzw.tif", "pnmtotiff -truecolor -lzw photo.ppm", "pnmtotiff -truecolor -lzw %s" % src),
        ("rgb_lzw_predictor.tif", "pnmtotiff -truecolor -lzw -predictor 2 photo.ppm",
         "pnmtotiff -truecolor -lzw -predictor 2 %s" % src),
        ("rgb_packbits.tif", "pnmtotiff -truecolor -packbits photo.ppm", "pnmtotiff -truecolor -packbits %s" % src),
        ("rgb_deflate.tif", "pnmtotiff -truecolor -flate photo.ppm", "pnmtotiff -truecolor -flate %s" % src),
        ("rgb_strips_of_3_rows.tif", "pnmtotiff -truecolor -rowsperstrip 3 photo.ppm",
         "pnmtotiff -truecolor -rowsperstrip 3 %s" % src),
        ("grey8_minisblack.tif", "pnmtotiff -minisblack photo.pgm", "pnmtotiff -minisblack %s" % grey),
        ("grey8_miniswhite.tif", "pnmtotiff -miniswhite photo.pgm", "pnmtotiff -miniswhite %s" % grey),
        ("grey4_minisblack.tif", "pnmtotiff -minisblack ramp15.pgm (maxval 15)", "pnmtotiff -minisblack %s" % grey4),
        ("grey4_miniswhite.tif", "pnmtotiff -miniswhite ramp15.pgm (maxval 15)", "pnmtotiff -miniswhite %s" % grey4),
        ("bilevel_miniswhite.tif", "pnmtotiff -miniswhite photo.pbm", "pnmtotiff -miniswhite %s" % bits),
        ("bilevel_minisblack.tif", "pnmtotiff -minisblack photo.pbm", "pnmtotiff -minisblack %s" % bits),
        ("bilevel_g4.tif", "pnmtotiff -g4 photo.pbm", "pnmtotiff -g4 %s" % bits),
        ("bilevel_lsb2msb.tif", "pnmtotiff -lsb2msb photo.pbm", "pnmtotiff -lsb2msb %s" % bits),
        ("palette8.tif", "pnmtotiff -indexbits 8 photo16.ppm (pnmquant 16)", "pnmtotiff -indexbits 8 %s" % few),
        ("palette4.tif", "pnmtotiff -indexbits 4 photo16.ppm (pnmquant 16)", "pnmtotiff -indexbits 4 %s" % few),
        ("refused_palette2.tif", "pnmtotiff -indexbits 2 photo4.ppm (pnmquant 4)", "pnmtotiff -indexbits 2 %s" % four),
        ("refused_rgb16.tif", "pnmtotiff -truecolor photo16bit.ppm (pamdepth 65535)", "pnmtotiff -truecolor %s" % deep),
    ]
    for name, recipe, cmd in runs:
        sh(cmd + " 2>/dev/null", name)
        recipes["tiff"].append("%s: %s" % (name, recipe))
    base = "rgb_none.tif"
    for name, flags in [
        ("rgb_big_endian.tif", "-B"),
        ("refused_planar_separate.tif", "-p separate"),
        ("refused_tiled.tif", "-t -w 16 -l 16"),
        ("refused_jpeg_ycbcr.tif", "-c jpeg"),
    ]:
        sh("tiffcp %s %s %s" % (flags, base, name))
        recipes["tiff"].append("%s: tiffcp %s rgb_none.tif" % (name, flags))
    for f in (src, grey, grey4, bits, few, four, deep):
        os.remove(f)
    os.chdir(here)

    w, h = 5, 3
    common = [(256, 3, [w]), (257, 3, [h]), (277, 3, [1]), (278, 3, [h]), (262, 3, [1])]
    grey_data = bytes(range(15))
    hand_tiff("refused_float.tif", "32-bit float grey (SampleFormat 3)",
              tiff_bytes(w, h, [(256, 3, [w]), (257, 3, [h]), (258, 3, [32]), (262, 3, [1]), (277, 3, [1]),
                                (278, 3, [h]), (279, 4, [w * h * 4]), (339, 3, [3])], bytes(w * h * 4)))
    hand_tiff("refused_rgba.tif", "8-bit RGB with an extra alpha sample",
              tiff_bytes(w, h, [(256, 3, [w]), (257, 3, [h]), (258, 3, [8, 8, 8, 8]), (262, 3, [2]),
                                (277, 3, [4]), (278, 3, [h]), (279, 4, [w * h * 4]), (338, 3, [2])],
                         bytes(w * h * 4)))
    hand_tiff("damaged_strip_past_end.tif", "5x3 8-bit grey whose one strip has 5 of its 15 bytes in the file",
              tiff_bytes(w, h, common + [(258, 3, [8]), (279, 4, [w * h])], grey_data[:5]))
    hand_tiff("damaged_huge_strip.tif", "8-bit grey 4000x4000 claiming one LZW strip of 3.6 GB",
              tiff_bytes(4000, 4000, [(256, 4, [4000]), (257, 4, [4000]), (258, 3, [8]), (259, 3, [5]),
                                      (262, 3, [1]), (277, 3, [1]), (278, 4, [4000]),
                                        (279, 4, [3600000000])], b"\x80\x00" * 8))
    # colour map values whose low bytes would round the components up: only the high bytes count
    cmap = [(i * 16) << 8 | 0xF0 for i in range(16)] + [(255 - i * 16) << 8 | 0x80 for i in range(16)] + \
           [(i * 8) << 8 | 0xFF for i in range(16)]
    hand_tiff("palette4_colour_map_high_bytes.tif", "4x2 4-bit palette, map values like 0x10F0: high bytes only",
              tiff_bytes(4, 2, [(256, 3, [4]), (257, 3, [2]), (258, 3, [4]), (262, 3, [3]), (277, 3, [1]),
                                (278, 3, [2]), (279, 4, [4]), (320, 3, cmap)], bytes([0x01, 0x23, 0x45, 0x6F])))
    hand_tiff("refused_huge_dimensions.tif", "8-bit grey 100000x100000 (above the pixel limit)",
              tiff_bytes(w, h, [(256, 4, [100000]), (257, 4, [100000]), (258, 3, [8]), (262, 3, [1]),
                                (277, 3, [1]), (278, 3, [h]), (279, 4, [15])], grey_data))


def main():
    make_gif()
    make_jpeg()
    make_tiff()
    for kind, lines in recipes.items():
        with open(os.path.join(DATA, kind, "RECIPES.txt"), "w") as f:
            f.write("# Made by tests/imagefile/make_gif_jpeg_tiff_data.py; one line per file.\n")
            f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    sys.exit(main())
