#!/usr/bin/env python3
"""Writes a small preview model (Scene1.3ds, Scene1.ini) into a Model folder:
a grey ground under the demo fountain, a red pavilion beside it, and two
cameras. The preview picture test draws the demo show over it, so its
reference does not change when the demo's own model does."""
import struct
import sys
from pathlib import Path


def chunk(cid, body):
    return struct.pack('<HI', cid, len(body) + 6) + body


def cstr(text):
    return text.encode() + b'\0'


def obj(name, points, faces, material):
    # The reader stores file (a, b, c) as (-a, c, b): write (x, y, z) as (-x, z, y).
    verts = struct.pack('<H', len(points)) + b''.join(struct.pack('<3f', -x, z, y) for x, y, z in points)
    flist = struct.pack('<H', len(faces)) + b''.join(struct.pack('<4H', *f, 0) for f in faces)
    fmat = chunk(0x4130, cstr(material) + struct.pack('<H', len(faces)) +
                 b''.join(struct.pack('<H', i) for i in range(len(faces))))
    mesh = chunk(0x4110, verts) + chunk(0x4120, flist + fmat)
    return chunk(0x4000, cstr(name) + chunk(0x4100, mesh))


def material(name, rgb):
    return chunk(0xAFFF, chunk(0xA000, cstr(name)) + chunk(0xA020, chunk(0x0011, bytes(rgb))))


def box(x0, x1, y0, y1, z0, z1):
    p = [(x, y, z) for x in (x0, x1) for y in (y0, y1) for z in (z0, z1)]
    quads = [(0, 1, 3, 2), (4, 6, 7, 5), (0, 4, 5, 1), (2, 3, 7, 6), (0, 2, 6, 4), (1, 5, 7, 3)]
    return p, [f for a, b, c, d in quads for f in ((a, b, c), (a, c, d))]


def main(folder):
    folder = Path(folder)
    folder.mkdir(parents=True, exist_ok=True)
    ground = ([(-1400, -405, -900), (1000, -405, -900), (1000, -405, 2300), (-1400, -405, 2300)],
              [(0, 1, 2), (0, 2, 3)])
    pavilion = box(700, 1000, -405, -100, 1000, 1500)
    editor = (material('stone', (90, 90, 100)) + material('roof', (180, 40, 30)) +
              obj('ground', *ground, 'stone') + obj('pavilion', *pavilion, 'roof'))
    (folder / 'Scene1.3ds').write_bytes(chunk(0x4D4D, chunk(0x3D3D, editor)))
    (folder / 'Scene1.ini').write_text(
        '[Main]\nobjCount=0\nCameraCount=2\n'
        '[Camera01]\nop1x=-200\nop1y=900\nop1z=3600\nop2x=-200\nop2y=-300\nop2z=700\n'
        '[Camera02]\nop1x=-2600\nop1y=500\nop1z=700\nop2x=-200\nop2y=-300\nop2z=700\n')


if __name__ == '__main__':
    main(sys.argv[1])
