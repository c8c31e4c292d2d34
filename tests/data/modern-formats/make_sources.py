#!/usr/bin/env python3
"""Writes the source pictures of this folder: small PNG files drawn here from formulas, and
an ICC profile with the Adobe RGB (1998) primaries and a 2.2 gamma, put into one of them.
Only the standard library is used (zlib, struct)."""
import math
import struct
import sys
import zlib


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def write_png(path, width, height, colour_type, depth, rows, icc=None):
    """rows: one bytes object per row, already in the PNG sample layout."""
    raw = b"".join(b"\0" + row for row in rows)
    data = b"\x89PNG\r\n\x1a\n"
    data += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, depth, colour_type, 0, 0, 0))
    if icc is not None:
        data += chunk(b"iCCP", b"Adobe RGB (1998)\0\0" + zlib.compress(icc))
    data += chunk(b"IDAT", zlib.compress(raw, 9))
    data += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(data)


def write_apng(path, width, height, frames):
    """An animated PNG of RGB frames, each shown for a tenth of a second."""
    def frame_control(sequence):
        return struct.pack(">IIIIIHHBB", sequence, width, height, 0, 0, 1, 10, 0, 0)

    data = b"\x89PNG\r\n\x1a\n"
    data += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
    data += chunk(b"acTL", struct.pack(">II", len(frames), 0))
    sequence = 0
    for i, rows in enumerate(frames):
        data += chunk(b"fcTL", frame_control(sequence))
        sequence += 1
        pixels = zlib.compress(b"".join(b"\0" + row for row in rows), 9)
        if i == 0:
            data += chunk(b"IDAT", pixels)
        else:
            data += chunk(b"fdAT", struct.pack(">I", sequence) + pixels)
            sequence += 1
    data += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(data)


def s15(v):
    return struct.pack(">i", int(round(v * 65536)))


def xyz_tag(x, y, z):
    return b"XYZ \0\0\0\0" + s15(x) + s15(y) + s15(z)


def adobe_rgb_icc():
    """A version 2 display profile: Adobe RGB (1998) colorants adapted to D50, gamma 563/256."""
    text = b"Adobe RGB (1998) compatible, made for the tests"
    desc = (b"desc\0\0\0\0" + struct.pack(">I", len(text) + 1) + text + b"\0"
            + b"\0" * 8 + b"\0" * 3 + b"\0" * 67)
    cprt = b"text\0\0\0\0" + b"No copyright, test data\0"
    curve = b"curv\0\0\0\0" + struct.pack(">I", 1) + struct.pack(">H", 0x0233) + b"\0\0"
    tags = [
        (b"desc", desc),
        (b"cprt", cprt),
        (b"wtpt", xyz_tag(0.9642, 1.0, 0.8249)),
        (b"rXYZ", xyz_tag(0.60974, 0.31111, 0.01947)),
        (b"gXYZ", xyz_tag(0.20528, 0.62567, 0.06087)),
        (b"bXYZ", xyz_tag(0.14919, 0.06322, 0.74457)),
        (b"rTRC", curve),
        (b"gTRC", curve),
        (b"bTRC", curve),
    ]
    table_size = 4 + 12 * len(tags)
    offset = 128 + table_size
    table = struct.pack(">I", len(tags))
    body = b""
    for sig, data in tags:
        while len(data) % 4:
            data += b"\0"
        table += sig + struct.pack(">II", offset + len(body), len(data))
        body += data
    size = 128 + table_size + len(body)
    header = (struct.pack(">I", size) + b"\0\0\0\0" + struct.pack(">I", 0x02100000) + b"mntr"
              + b"RGB " + b"XYZ " + struct.pack(">6H", 2026, 1, 1, 0, 0, 0) + b"acsp"
              + b"\0" * 4 + b"\0" * 4 + b"\0" * 8 + b"\0" * 8 + b"\0" * 4
              + s15(0.9642) + s15(1.0) + s15(0.8249) + b"\0" * 4 + b"\0" * 16 + b"\0" * 28)
    assert len(header) == 128
    return header + table + body


def photo_pixel(x, y, w, h):
    """A smooth scene: a sky gradient, a warm disc and a dark hill, as a photo might hold."""
    fx, fy = x / (w - 1), y / (h - 1)
    r, g, b = 70 + 120 * fy, 120 + 90 * fy, 230 - 60 * fy
    d = math.hypot(x - 0.7 * w, y - 0.35 * h) / (0.22 * h)
    if d < 1:
        t = (1 - d) ** 0.5
        r, g, b = r + (250 - r) * t, g + (190 - g) * t, b + (60 - b) * t
    if y > h * (0.7 - 0.15 * math.sin(fx * math.pi)):
        r, g, b = 40 + 30 * fx, 90 + 40 * fy, 45
    return [max(0, min(255, int(round(c)))) for c in (r, g, b)]


def main(folder):
    w, h = 96, 64
    rows = [bytes(sum((photo_pixel(x, y, w, h) for x in range(w)), [])) for y in range(h)]
    write_png(f"{folder}/photo.png", w, h, 2, 8, rows)
    write_png(f"{folder}/photo-adobe.png", w, h, 2, 8, rows, adobe_rgb_icc())

    # Colours with an alpha ramp, and a fully transparent corner.
    aw, ah = 64, 48
    alpha_rows = []
    for y in range(ah):
        row = []
        for x in range(aw):
            a = 0 if x < 8 and y < 8 else int(round(255 * x / (aw - 1)))
            row += [int(255 * y / (ah - 1)), 128, 255 - int(255 * y / (ah - 1)), a]
        alpha_rows.append(bytes(row))
    write_png(f"{folder}/alpha.png", aw, ah, 6, 8, alpha_rows)

    # 16 bits per channel with levels between the 8-bit ones, for 10- and 12-bit files.
    deep_rows = []
    for y in range(ah):
        row = b""
        for x in range(aw):
            r = int(65535 * x / (aw - 1))
            g = int(65535 * y / (ah - 1))
            b = int(65535 * (0.5 + 0.5 * math.sin((x + y) / 9)))
            row += struct.pack(">HHH", r, g, b)
        deep_rows.append(row)
    write_png(f"{folder}/deep.png", aw, ah, 2, 16, deep_rows)

    # Grey levels.
    grey_rows = [bytes(int(255 * ((x + 2 * y) % 64) / 63) for x in range(aw)) for y in range(ah)]
    write_png(f"{folder}/grey.png", aw, ah, 0, 8, grey_rows)

    # A 270-row video frame: white between rows 7 and 262, black above and below, the band a
    # clean aperture of 256 rows centred on the frame keeps.
    band_rows = [bytes([255 if 7 <= y < 263 else 0] * 480) for y in range(270)]
    write_png(f"{folder}/band.png", 480, 270, 0, 8, band_rows)

    # Three flat frames for the animations: red, green, blue; also as one animated PNG.
    colours = [(220, 30, 30), (30, 200, 30), (30, 30, 220)]
    for i, colour in enumerate(colours):
        write_png(f"{folder}/frame{i + 1}.png", 32, 24, 2, 8, [bytes(colour * 32)] * 24)
    write_apng(f"{folder}/anim.png", 32, 24, [[bytes(c * 32)] * 24 for c in colours])


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else ".")
