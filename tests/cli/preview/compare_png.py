#!/usr/bin/env python3
"""compare_png.py ACTUAL EXPECTED: compares two 8-bit RGB/RGBA PNG pictures
pixel by pixel. Passes when they have the same size, at most 1% of the
pixels differ by more than 24 in some channel, and the mean difference is
under 2 per channel (software rasterisers of other versions may move an
edge or a line by a pixel). Prints the figures; exit 1 when they differ."""
import struct
import sys
import zlib


def read_png(path):
    data = open(path, 'rb').read()
    if data[:8] != b'\x89PNG\r\n\x1a\n':
        raise ValueError(path + ' is not a PNG file')
    pos, idat, header = 8, b'', None
    while pos < len(data):
        length, kind = struct.unpack('>I4s', data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b'IHDR':
            header = struct.unpack('>IIBBBBB', body)
        elif kind == b'IDAT':
            idat += body
        pos += 12 + length
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in (2, 6) or interlace:
        raise ValueError(path + ': only 8-bit RGB or RGBA without interlace')
    bpp = 3 if colour == 2 else 4
    raw = zlib.decompress(idat)
    stride = width * bpp
    rows, prev = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - bpp] if i >= bpp else 0
            b = prev[i]
            c = prev[i - bpp] if i >= bpp else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(bytes(line[i] for i in range(stride) if i % bpp < 3))
        prev = line
    return width, height, b''.join(rows)


def main(actual, expected):
    wa, ha, pa = read_png(actual)
    we, he, pe = read_png(expected)
    if (wa, ha) != (we, he):
        print('size %dx%d, expected %dx%d' % (wa, ha, we, he))
        return 1
    pixels = wa * ha
    off = sum(1 for i in range(0, len(pa), 3)
              if max(abs(pa[i] - pe[i]), abs(pa[i + 1] - pe[i + 1]), abs(pa[i + 2] - pe[i + 2])) > 24)
    mean = sum(abs(x - y) for x, y in zip(pa, pe)) / len(pa)
    print('%d of %d pixels differ by more than 24; mean difference %.3f' % (off, pixels, mean))
    return 0 if off <= pixels // 100 and mean < 2.0 else 1


if __name__ == '__main__':
    sys.exit(main(sys.argv[1], sys.argv[2]))
