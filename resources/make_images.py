#!/usr/bin/env python3
"""Builds toolbar.bmp and velmora.ico from the text pixel art in images/.

Each picture is a text file of rows, one character a pixel, each character a key of
images/palette.txt. Lines starting with ';' and blank lines are skipped.

    python3 make_images.py            write toolbar.bmp and velmora.ico next to this script
    python3 make_images.py --check    only compare them with what would be written (exit 1 if stale)
    python3 make_images.py --out DIR  write them into DIR instead

Only the standard library is used, and the output depends on nothing but the text files,
so running it again gives the same bytes. The build uses the committed outputs.
"""

import argparse
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
IMAGES = os.path.join(HERE, "images")

TRANSPARENT = (0xFF, 0x00, 0xFF)  # magenta: the image list's mask colour, clear in the icon
BLACK = (0x00, 0x00, 0x00)
WHITE = (0xFF, 0xFF, 0xFF)

# The image strip, left to right; the image list and the toolbar pick pictures by index.
TOOLBAR = [
    "envelope.txt",  # 0 an address
    "envelope_selected.txt",  # 1 an address, selected
    "book_green_open.txt",  # 2 a local address book, expanded
    "book_green_closed.txt",  # 3 a local address book, collapsed
    "globe.txt",  # 4 a global address book
    "globe.txt",  # 5 the same
    "book_pale_open.txt",  # 6 a folder, expanded
    "book_pale_closed.txt",  # 7 a folder, collapsed
]
TOOLBAR_SIZE = 16

ICON = [("icon16.txt", 16), ("icon32.txt", 32)]


def fail(message):
    sys.exit("make_images.py: " + message)


def text_lines(path):
    """(line number, text) of the lines that are not comments or blank."""
    with open(path, encoding="ascii", newline=None) as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip("\n")
            if line.strip() and not line.startswith(";"):
                yield number, line


def read_palette(path):
    """[(key, (r, g, b))] in the file's order."""
    palette = []
    for number, line in text_lines(path):
        fields = line.split()
        if len(line) < 2 or line[1] != " " or len(fields) < 2:
            fail(f"{path}:{number}: expected 'KEY RRGGBB name'")
        key, hexrgb = line[0], fields[1]
        if len(hexrgb) != 6:
            fail(f"{path}:{number}: colour must be six hex digits")
        try:
            value = int(hexrgb, 16)
        except ValueError:
            fail(f"{path}:{number}: colour must be six hex digits")
        if any(key == k for k, _ in palette):
            fail(f"{path}:{number}: key {key!r} given twice")
        rgb = (value >> 16, (value >> 8) & 0xFF, value & 0xFF)
        if any(rgb == c for _, c in palette):
            fail(f"{path}:{number}: colour {hexrgb} given twice")
        palette.append((key, rgb))
    colours = [rgb for _, rgb in palette]
    for needed in (TRANSPARENT, BLACK, WHITE):
        if needed not in colours:
            fail(f"{path}: the palette needs %02X%02X%02X" % needed)
    if len(palette) > 256:
        fail(f"{path}: more than 256 colours")
    return palette


def colour_table(palette):
    """The BMP's 256 entries: black at 0, white at 255, the others in the file's order.

    comctl32 keeps an 8-bit image list as an 8-bit bitmap and cuts the masked pixels out
    with raster operations, which work on colour indices there. They only give black
    and leave the rest alone when black is index 0 and white index 255, as in the
    Windows system palette.
    """
    middle = [entry for entry in palette if entry[1] not in (BLACK, WHITE)]
    black = [entry for entry in palette if entry[1] == BLACK]
    white = [entry for entry in palette if entry[1] == WHITE]
    spare = [(None, BLACK)] * (256 - len(palette))
    return black + middle + spare + white


def read_art(name, size, keys):
    """The picture in images/NAME as rows of keys, checked to be SIZE by SIZE."""
    path = os.path.join(IMAGES, name)
    rows = []
    for number, line in text_lines(path):
        if len(line) != size:
            fail(f"{path}:{number}: {len(line)} characters, expected {size}")
        for ch in line:
            if ch not in keys:
                fail(f"{path}:{number}: {ch!r} is not in the palette")
        rows.append(line)
    if len(rows) != size:
        fail(f"{path}: {len(rows)} rows, expected {size}")
    return rows


def bmp_8bit(rows, table):
    """A palettized bottom-up BMP (BITMAPINFOHEADER, 8 bits per pixel, no compression)."""
    index = {key: i for i, (key, _) in enumerate(table) if key is not None}
    width, height = len(rows[0]), len(rows)
    stride = (width + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):
        pixels += bytes(index[ch] for ch in row)
        pixels += bytes(stride - width)
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for _, (r, g, b) in table)
    offset = 14 + 40 + len(colours)
    info = struct.pack(
        "<IiiHHIIiiII",
        40,  # biSize
        width,
        height,  # positive: bottom-up
        1,  # biPlanes
        8,  # biBitCount
        0,  # biCompression: BI_RGB
        len(pixels),  # biSizeImage
        2835,  # 72 dpi
        2835,
        len(table),  # biClrUsed
        0,  # biClrImportant: all
    )
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return header + info + colours + bytes(pixels)


def icon_image(rows, colours):
    """One icon image: a 32-bit BGRA DIB of double height, then its AND mask."""
    size = len(rows)
    xor = bytearray()
    mask = bytearray()
    mask_stride = ((size + 31) // 32) * 4
    for row in reversed(rows):
        bits = 0
        for x, ch in enumerate(row):
            r, g, b = colours[ch]
            if (r, g, b) == TRANSPARENT:
                xor += b"\0\0\0\0"
                bits |= 1 << (mask_stride * 8 - 1 - x)
            else:
                xor += struct.pack("<BBBB", b, g, r, 255)
        mask += bits.to_bytes(mask_stride, "big")
    info = struct.pack(
        "<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0
    )
    return info + bytes(xor) + bytes(mask)


def ico(pictures, colours):
    """An .ico file (ICONDIR, ICONDIRENTRY each, then the images) of the given pictures."""
    images = [icon_image(rows, colours) for rows in pictures]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for rows, data in zip(pictures, images):
        size = len(rows)
        dim = 0 if size >= 256 else size
        out += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(images)


def build():
    """{file name: bytes} of everything this script makes."""
    palette = read_palette(os.path.join(IMAGES, "palette.txt"))
    colours = dict(palette)
    pictures = [read_art(name, TOOLBAR_SIZE, colours) for name in TOOLBAR]
    strip = ["".join(p[y] for p in pictures) for y in range(TOOLBAR_SIZE)]
    icons = [read_art(name, size, colours) for name, size in ICON]
    return {
        "toolbar.bmp": bmp_8bit(strip, colour_table(palette)),
        "velmora.ico": ico(icons, colours),
    }


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--check", action="store_true", help="compare, do not write")
    parser.add_argument("--out", default=HERE, help="folder to write into")
    args = parser.parse_args()
    stale = []
    for name, data in build().items():
        path = os.path.join(args.out, name)
        if args.check:
            try:
                with open(path, "rb") as f:
                    same = f.read() == data
            except FileNotFoundError:
                same = False
            if not same:
                stale.append(name)
        else:
            with open(path, "wb") as f:
                f.write(data)
            print(f"wrote {path} ({len(data)} bytes)")
    if stale:
        fail("out of date, run make_images.py: " + ", ".join(stale))


if __name__ == "__main__":
    main()
