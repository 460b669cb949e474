#!/usr/bin/env python3
"""Writes the small picture fixtures of the chart tests into this folder.

Every fixture but the JPEG is written byte by byte here, so that what each
file holds is plain to see. red.jpg (16 x 16 of pure red) was saved once by
Qt's JPEG writer: QImage(16, 16, RGB32) filled with red, save("red.jpg", "JPEG", 95).
Run it again only to change a fixture; the tests read the committed files.

The common picture is 4 x 2 pixels:
    red    green  blue    white
    black  yellow cyan    magenta
"""

import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

RED, GREEN, BLUE, WHITE = (255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 255)
BLACK, YELLOW, CYAN, MAGENTA = (0, 0, 0), (255, 255, 0), (0, 255, 255), (255, 0, 255)
ROWS = [[RED, GREEN, BLUE, WHITE], [BLACK, YELLOW, CYAN, MAGENTA]]
PALETTE = [RED, GREEN, BLUE, WHITE, BLACK, YELLOW, CYAN, MAGENTA]


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


# ---- GIF -------------------------------------------------------------------

def lzw(indices, min_code_size):
    """Plain GIF LZW, with the variable code width and a reset at 4096."""
    clear, end = 1 << min_code_size, (1 << min_code_size) + 1
    width = min_code_size + 1
    table = {(i,): i for i in range(clear)}
    next_code = end + 1
    bits, nbits, out = 0, 0, bytearray()

    def emit(code):
        nonlocal bits, nbits
        bits |= code << nbits
        nbits += width
        while nbits >= 8:
            out.append(bits & 0xFF)
            bits >>= 8
            nbits -= 8

    emit(clear)
    prefix = ()
    for index in indices:
        grown = prefix + (index,)
        if grown in table:
            prefix = grown
            continue
        emit(table[prefix])
        if next_code < 4096:
            table[grown] = next_code
            next_code += 1
            if next_code > (1 << width) and width < 12:
                width += 1
        else:
            emit(clear)
            table = {(i,): i for i in range(clear)}
            next_code, width = end + 1, min_code_size + 1
        prefix = (index,)
    if prefix:
        emit(table[prefix])
    emit(end)
    if nbits:
        out.append(bits & 0xFF)
    return bytes(out)


def sub_blocks(data):
    out = bytearray()
    for i in range(0, len(data), 255):
        chunk = data[i:i + 255]
        out.append(len(chunk))
        out += chunk
    out.append(0)
    return bytes(out)


def gif(version, width, height, frames, palette):
    """frames: lists of palette indices, each a whole width x height image."""
    out = bytearray(b"GIF" + version)
    out += struct.pack("<HHBBB", width, height, 0xF2, 0, 0)  # global table of 8
    for rgb in palette:
        out += bytes(rgb)
    for frame in frames:
        out += b"\x21\xF9\x04\x00\x0A\x00\x00\x00"  # graphic control, 0.1 s
        out += b"\x2C" + struct.pack("<HHHHB", 0, 0, width, height, 0)
        out += bytes([3]) + sub_blocks(lzw(frame, 3))
    out += b"\x3B"
    return bytes(out)


# ---- PNG -------------------------------------------------------------------

def png(rows):
    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body +
                struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))
    raw = b"".join(b"\x00" + b"".join(bytes(p) for p in row) for row in rows)
    return (b"\x89PNG\r\n\x1a\n" +
            chunk(b"IHDR", struct.pack(">IIBBBBB", len(rows[0]), len(rows), 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


# ---- BMP, icon, cursor -----------------------------------------------------

def dib_rows_24(rows):
    """Bottom-up 24-bit rows, each padded to four bytes."""
    out = bytearray()
    for row in reversed(rows):
        line = b"".join(bytes((b, g, r)) for r, g, b in row)
        out += line + b"\x00" * (-len(line) % 4)
    return bytes(out)


def bmp(rows):
    pixels = dib_rows_24(rows)
    info = struct.pack("<IiiHHIIiiII", 40, len(rows[0]), len(rows), 1, 24, 0, len(pixels),
                       2835, 2835, 0, 0)
    header = b"BM" + struct.pack("<IHHI", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    return header + info + pixels


def icon(rows, kind):
    """An icon (kind 1) or cursor (kind 2) with one 24-bit image and its mask."""
    width, height = len(rows[0]), len(rows)
    xor = dib_rows_24(rows)
    mask = b"\x00\x00\x00\x00" * height  # 1-bit AND mask, all opaque, rows of 4 bytes
    info = struct.pack("<IiiHHIIiiII", 40, width, 2 * height, 1, 24, 0, len(xor) + len(mask),
                       0, 0, 0, 0)
    image = info + xor + mask
    # For a cursor the two words after the colour count are the hot spot.
    planes, bits = (1, 24) if kind == 1 else (1, 1)
    entry = struct.pack("<BBBBHHII", width, height, 0, 0, planes, bits, len(image), 6 + 16)
    return struct.pack("<HHH", 0, kind, 1) + entry + image


# ---- PCX -------------------------------------------------------------------

def pcx_header(version, bits, x_min, y_min, x_max, y_max, planes, bytes_per_line):
    header = struct.pack("<BBBBHHHHHH", 0x0A, version, 1, bits, x_min, y_min, x_max, y_max,
                         72, 72)
    header += b"\x00" * 48 + b"\x00" + bytes([planes]) + struct.pack("<HH", bytes_per_line, 1)
    return header + b"\x00" * (128 - len(header))


def pcx8():
    # 4 x 2 through the window 10..13, 20..21, lines padded to 6 bytes. Row one
    # is written literally but for colour index 0xC5 (197), which has the run
    # bits and so must be a run of one; a run of five then covers the two
    # padding bytes of row one and the three black pixels of row two.
    palette = bytearray(768)
    for i, rgb in enumerate(PALETTE):
        palette[3 * i:3 * i + 3] = bytes(rgb)
    palette[3 * 197:3 * 197 + 3] = bytes((10, 20, 30))
    rows = (bytes([0, 1, 2]) + b"\xC1\xC5" +   # red green blue (10,20,30)
            b"\xC5\x04" +                       # pad pad | black black black
            b"\x07" + b"\xC2\x00")              # magenta pad pad
    header = pcx_header(5, 8, 10, 20, 13, 21, 1, 6)
    return header + rows + b"\x0C" + bytes(palette)


def pcx1():
    # 10 x 2 monochrome (set bits white), lines padded to 4 bytes.
    # Row one: 1010101011 -> AA C0; row two: 0000000001 -> 00 40, written with runs.
    header = pcx_header(3, 1, 0, 0, 9, 1, 1, 4)
    rows = b"\xAA\xC1\xC0\x00\x00" + b"\x00\x40\xC2\x00"
    return header + rows


def main():
    indices = [PALETTE.index(p) for row in ROWS for p in row]
    write("picture.gif", gif(b"89a", 4, 2, [indices], PALETTE))
    write("picture87.gif", gif(b"87a", 4, 2, [indices], PALETTE))
    # Two frames: all red, then all blue; only the first is shown.
    write("two_frames.gif", gif(b"89a", 4, 2, [[0] * 8, [2] * 8], PALETTE))
    write("picture.png", png(ROWS))
    write("picture.bmp", bmp(ROWS))
    write("picture.ico", icon(ROWS, 1))
    write("picture.cur", icon(ROWS, 2))
    write("picture8.pcx", pcx8())
    write("picture1.pcx", pcx1())
    write("error_page.html",
          b"<html><head><title>404 Not Found</title></head>\r\n"
          b"<body><h1>Not Found</h1></body></html>\r\n")


if __name__ == "__main__":
    main()
