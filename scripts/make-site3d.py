#!/usr/bin/env python3
"""Writes the demo workspace's 3D site: Model/Scene1.3ds, its textures and
Model/Scene1.ini.

The site is a walled basin around the demo's springs, a paved plaza with a
pavilion, lamp posts and steps. Every shape and texture is made here; run the
script again only to change the site (the outputs are committed).

Coordinates are the preview's own (Y up). A spring at canvas (x, y) stands at
X = 800 - 3y, Z = 3x - 800 on the water at Y = -400, so the basin is sized
from demo/spring.ini. A 3DS vertex (a, b, c) is read back as (-a, c, b), so
vertices are written as (-X, Z, Y).
"""
import math
import os
import re
import struct

DEMO = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "demo")
MODEL = os.path.join(DEMO, "Model")

WATER_Y = -400.0
RIM_TOP = -340.0
RIM_WIDTH = 60.0
MARGIN = 150.0      # water beyond the outermost springs
PLAZA = 700.0       # paving beyond the rim
TILE = 200.0        # world units per texture repeat


# ---------------------------------------------------------------- geometry

def sub(a, b):
    return (a[0] - b[0], a[1] - b[1], a[2] - b[2])


def cross(a, b):
    return (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])


def dot(a, b):
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]


class Mesh:
    """Triangles with their own vertices (flat shading) and texture
    coordinates from the world position, so textures tile at TILE units."""

    def __init__(self, name, material, textured=False):
        self.name, self.material, self.textured = name, material, textured
        self.vertices, self.uv, self.faces = [], [], []

    def polygon(self, points, outward_from=None):
        """A convex polygon; turned to face away from `outward_from`."""
        normal = cross(sub(points[1], points[0]), sub(points[2], points[0]))
        if outward_from is not None:
            centre = tuple(sum(p[i] for p in points) / len(points) for i in range(3))
            if dot(normal, sub(centre, outward_from)) < 0:
                points = list(reversed(points))
                normal = (-normal[0], -normal[1], -normal[2])
        # Texture axes: the two world axes the polygon spreads across most.
        n = [abs(c) for c in normal]
        axes = (0, 2) if n[1] >= n[0] and n[1] >= n[2] else ((2, 1) if n[0] >= n[2] else (0, 1))
        base = len(self.vertices)
        for p in points:
            self.vertices.append(p)
            self.uv.append((p[axes[0]] / TILE, p[axes[1]] / TILE))
        for i in range(1, len(points) - 1):
            self.faces.append((base, base + i, base + i + 1))

    def box(self, x0, x1, y0, y1, z0, z1, bottom=True):
        c = ((x0 + x1) / 2, (y0 + y1) / 2, (z0 + z1) / 2)
        P = lambda x, y, z: (x, y, z)
        sides = [
            [P(x0, y1, z0), P(x0, y1, z1), P(x1, y1, z1), P(x1, y1, z0)],  # top
            [P(x0, y0, z0), P(x0, y1, z0), P(x1, y1, z0), P(x1, y0, z0)],
            [P(x0, y0, z1), P(x1, y0, z1), P(x1, y1, z1), P(x0, y1, z1)],
            [P(x0, y0, z0), P(x0, y0, z1), P(x0, y1, z1), P(x0, y1, z0)],
            [P(x1, y0, z0), P(x1, y1, z0), P(x1, y1, z1), P(x1, y0, z1)],
        ]
        if bottom:
            sides.append([P(x0, y0, z0), P(x1, y0, z0), P(x1, y0, z1), P(x0, y0, z1)])
        for s in sides:
            self.polygon(s, c)

    def pyramid(self, x0, x1, z0, z1, y0, apex):
        c = ((x0 + x1) / 2, y0, (z0 + z1) / 2)
        top = (c[0], apex, c[2])
        inside = (c[0], (y0 + apex) / 2 - 1, c[2])
        corners = [(x0, y0, z0), (x1, y0, z0), (x1, y0, z1), (x0, y0, z1)]
        for i in range(4):
            self.polygon([corners[i], corners[(i + 1) % 4], top], inside)
        self.polygon(corners, (c[0], apex, c[2]))


# ---------------------------------------------------------------- 3DS chunks

def chunk(cid, body):
    return struct.pack("<HI", cid, len(body) + 6) + body


def cstr(text):
    return text.encode("ascii") + b"\0"


def material_chunk(name, rgb, texture=None):
    body = chunk(0xA000, cstr(name)) + chunk(0xA020, chunk(0x0011, bytes(rgb)))
    if texture:
        body += chunk(0xA200, chunk(0xA300, cstr(texture)))
    return chunk(0xAFFF, body)


def object_chunk(mesh):
    assert len(mesh.vertices) < 65536
    verts = struct.pack("<H", len(mesh.vertices)) + b"".join(
        struct.pack("<3f", -x, z, y) for (x, y, z) in mesh.vertices)
    faces = struct.pack("<H", len(mesh.faces)) + b"".join(
        struct.pack("<4H", a, b, c, 7) for (a, b, c) in mesh.faces)
    if mesh.faces:
        faces += chunk(0x4130, cstr(mesh.material) + struct.pack("<H", len(mesh.faces)) +
                       b"".join(struct.pack("<H", i) for i in range(len(mesh.faces))))
    body = chunk(0x4110, verts)
    if mesh.faces:
        body += chunk(0x4120, faces)
    if mesh.textured:
        body += chunk(0x4140, struct.pack("<H", len(mesh.uv)) +
                      b"".join(struct.pack("<2f", u, v) for (u, v) in mesh.uv))
    return chunk(0x4000, cstr(mesh.name) + chunk(0x4100, body))


# ---------------------------------------------------------------- textures

class Noise:
    """A small linear congruential generator: the same textures every run."""

    def __init__(self, seed):
        self.state = seed

    def next(self):
        self.state = (self.state * 1103515245 + 12345) & 0x7FFFFFFF
        return self.state / 0x7FFFFFFF


def bmp24(width, height, pixel):
    stride = (width * 3 + 3) // 4 * 4
    rows = []
    for y in range(height - 1, -1, -1):  # bottom-up
        row = bytearray()
        for x in range(width):
            r, g, b = (max(0, min(255, int(c))) for c in pixel(x, y))
            row += bytes((b, g, r))
        row += b"\0" * (stride - len(row))
        rows.append(bytes(row))
    data = b"".join(rows)
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    return b"BM" + struct.pack("<IHHI", 14 + len(header) + len(data), 0, 0, 14 + len(header)) + header + data


def stone_texture():
    noise = Noise(17)
    grain = [noise.next() for _ in range(64 * 64)]

    def pixel(x, y):
        course = y // 16
        shift = 16 if course % 2 else 0
        mortar = y % 16 in (0, 15) or (x + shift) % 32 in (0, 31)
        shade = 150 + 40 * grain[y * 64 + x] + 12 * (((x + shift) // 32 + course) % 2)
        if mortar:
            return (95, 92, 88)
        return (shade, shade * 0.96, shade * 0.9)
    return bmp24(64, 64, pixel)


def water_texture():
    def pixel(x, y):
        a = 2 * math.pi * x / 64
        b = 2 * math.pi * y / 64
        ripple = math.sin(a * 2 + math.sin(b * 3) * 1.5) * 0.5 + math.sin(b * 2 - a) * 0.5
        return (30 + 20 * ripple, 90 + 30 * ripple, 170 + 35 * ripple)
    return bmp24(64, 64, pixel)


def paving_texture():
    noise = Noise(5)
    grain = [noise.next() for _ in range(64 * 64)]

    def pixel(x, y):
        if x % 32 in (0, 31) or y % 32 in (0, 31):
            return (120, 110, 95)
        tone = 190 + (15 if (x // 32 + y // 32) % 2 else -10) + 25 * grain[y * 64 + x]
        return (tone, tone * 0.88, tone * 0.72)
    return bmp24(64, 64, pixel)


# ---------------------------------------------------------------- the site

def spring_extent():
    xs, ys = [], []
    with open(os.path.join(DEMO, "spring.ini"), encoding="utf-8") as f:
        for line in f:
            m = re.match(r"sp\d+_(x|y)=(-?\d+)", line.strip())
            if m:
                (xs if m.group(1) == "x" else ys).append(int(m.group(2)))
    X = [800 - 3 * y for y in ys]
    Z = [3 * x - 800 for x in xs]
    return min(X), max(X), min(Z), max(Z)


def build():
    sx0, sx1, sz0, sz1 = spring_extent()
    x0, x1, z0, z1 = sx0 - MARGIN, sx1 + MARGIN, sz0 - MARGIN, sz1 + MARGIN
    cx, cz = (x0 + x1) / 2, (z0 + z1) / 2
    meshes = []

    water = Mesh("BasinWater", "Water", textured=True)
    # Split in a grid so the texture repeats in small steps and lighting
    # has vertices to work with.
    n = 6
    for i in range(n):
        for j in range(n):
            ax, bx = x0 + (x1 - x0) * i / n, x0 + (x1 - x0) * (i + 1) / n
            az, bz = z0 + (z1 - z0) * j / n, z0 + (z1 - z0) * (j + 1) / n
            water.polygon([(ax, WATER_Y, az), (ax, WATER_Y, bz), (bx, WATER_Y, bz), (bx, WATER_Y, az)])
    meshes.append(water)

    rim = Mesh("BasinRim", "Stone", textured=True)
    w = RIM_WIDTH
    rim.box(x0 - w, x1 + w, WATER_Y - 20, RIM_TOP, z0 - w, z0, bottom=False)
    rim.box(x0 - w, x1 + w, WATER_Y - 20, RIM_TOP, z1, z1 + w, bottom=False)
    rim.box(x0 - w, x0, WATER_Y - 20, RIM_TOP, z0, z1, bottom=False)
    rim.box(x1, x1 + w, WATER_Y - 20, RIM_TOP, z0, z1, bottom=False)
    meshes.append(rim)

    plaza = Mesh("Plaza", "Paving", textured=True)
    ox0, ox1, oz0, oz1 = x0 - w - PLAZA, x1 + w + PLAZA, z0 - w - PLAZA, z1 + w + PLAZA
    ix0, ix1, iz0, iz1 = x0 - w, x1 + w, z0 - w, z1 + w
    y = RIM_TOP
    for quad in ([(ox0, y, oz0), (ox0, y, iz0), (ox1, y, iz0), (ox1, y, oz0)],
                 [(ox0, y, iz1), (ox0, y, oz1), (ox1, y, oz1), (ox1, y, iz1)],
                 [(ox0, y, iz0), (ox0, y, iz1), (ix0, y, iz1), (ix0, y, iz0)],
                 [(ix1, y, iz0), (ix1, y, iz1), (ox1, y, iz1), (ox1, y, iz0)]):
        plaza.polygon(quad, (cx, y - 100, cz))
    meshes.append(plaza)

    # The pavilion stands on the plaza beyond the basin's +X side.
    px, pz = x1 + w + PLAZA / 2, cz
    pillars = Mesh("PavilionPillars", "Stone", textured=True)
    for dx in (-120, 120):
        for dz in (-120, 120):
            pillars.box(px + dx - 15, px + dx + 15, RIM_TOP, RIM_TOP + 260, pz + dz - 15, pz + dz + 15, bottom=False)
    meshes.append(pillars)
    base = Mesh("PavilionBase", "Stone", textured=True)
    base.box(px - 170, px + 170, RIM_TOP, RIM_TOP + 20, pz - 170, pz + 170, bottom=False)
    meshes.append(base)
    roof = Mesh("PavilionRoof", "Roof")
    roof.pyramid(px - 180, px + 180, pz - 180, pz + 180, RIM_TOP + 260, RIM_TOP + 400)
    meshes.append(roof)
    # A weather vane on the roof's tip turns about its own vertical axis.
    vane_axis = Mesh("VaneAxis", "Iron")
    vane_axis.vertices = [(px, RIM_TOP + 400, pz), (px, RIM_TOP + 460, pz)]
    vane_axis.uv = [(0, 0), (0, 0)]
    meshes.append(vane_axis)
    vane = Mesh("Vane", "Iron")
    vane.box(px - 4, px + 4, RIM_TOP + 395, RIM_TOP + 460, pz - 4, pz + 4)
    vane.polygon([(px, RIM_TOP + 430, pz), (px, RIM_TOP + 455, pz), (px, RIM_TOP + 455, pz + 70),
                  (px, RIM_TOP + 430, pz + 70)], (px - 10, RIM_TOP + 440, pz + 35))
    vane.polygon([(px, RIM_TOP + 430, pz), (px, RIM_TOP + 430, pz + 70), (px, RIM_TOP + 455, pz + 70),
                  (px, RIM_TOP + 455, pz)], (px + 10, RIM_TOP + 440, pz + 35))
    meshes.append(vane)

    # Steps down to the plaza from a terrace on the -Z side.
    steps = Mesh("Steps", "Stone", textured=True)
    for k in range(5):
        steps.box(cx - 300, cx + 300, RIM_TOP, RIM_TOP + 30 * (k + 1),
                  oz0 + 40 * (4 - k) - 200, oz0 + 40 * (4 - k) - 160, bottom=False)
    steps.box(cx - 600, cx + 600, RIM_TOP, RIM_TOP + 150, oz0 - 500, oz0 - 200, bottom=False)
    meshes.append(steps)

    # Lamp posts along the rim: the heads hang below their posts.
    lamps = []
    for i, (lx, lz) in enumerate([(x0 - w - 60, z0 + (z1 - z0) * t) for t in (0.15, 0.5, 0.85)] +
                                 [(x1 + w + 60, z0 + (z1 - z0) * t) for t in (0.15, 0.85)], start=1):
        post = Mesh("LampPost%02d" % i, "Iron")
        post.box(lx - 8, lx + 8, RIM_TOP, RIM_TOP + 300, lz - 8, lz + 8, bottom=False)
        head = Mesh("LampHead%02d" % i, "Lamp")
        head.box(lx - 25, lx + 25, RIM_TOP + 300, RIM_TOP + 340, lz - 25, lz + 25)
        meshes += [post, head]
        lamps.append((post.name, head.name))

    materials = [
        ("Water", (60, 110, 190), "water.bmp"),
        ("Stone", (170, 165, 155), "stone.bmp"),
        ("Paving", (200, 180, 150), "Paving.BMP"),  # the file is paving.bmp: Windows names ignore case
        ("Roof", (150, 50, 40), None),
        ("Iron", (60, 60, 66), None),
        ("Lamp", (250, 230, 160), None),
    ]
    editor = b"".join(material_chunk(*m) for m in materials) + b"".join(object_chunk(m) for m in meshes)
    model = chunk(0x4D4D, chunk(0x0002, struct.pack("<I", 3)) + chunk(0x3D3D, editor))

    centre = (cx, WATER_Y, cz)
    span = max(x1 - x0, z1 - z0)
    ring_x, ring_z = 800 - 3 * 300, 3 * 400 - 800  # the ring of springs around canvas (400, 300)
    cameras = [
        # overview: high up beyond the +Z rim, looking at the middle of the water
        ((cx, 1500, z1 + span * 0.55), (cx, WATER_Y, cz + span * 0.1)),
        # side view across the basin from beyond the pavilion
        ((x1 + span * 0.75, 250, cz + span * 0.2), (cx, WATER_Y, cz)),
        # close to the ring of springs
        ((ring_x, -150, ring_z + 900), (ring_x, -320, ring_z)),
    ]

    ini = ["[Main]", "objCount=%d" % (len(lamps) * 2 + 1), "CameraCount=%d" % len(cameras), ""]
    number = 0
    for post, head in lamps:
        number += 1
        ini += ["[Obj%02d]" % number, "Name=%s" % post, "actCount=0", ""]
        number += 1
        # Each lamp lights up while the spring of the same number plays.
        spring_id = 9000 + (number // 2)
        ini += ["[Obj%02d]" % number, "Name=%s" % head, "Parent=%s" % post, "actCount=1", "",
                "[Act%02d01]" % number, "type=3", "var=spring%d" % spring_id, "R1=255", "G1=210", "B1=90", ""]
    number += 1
    ini += ["[Obj%02d]" % number, "Name=Vane", "Parent=PavilionRoof", "actCount=1", "",
            "[Act%02d01]" % number, "type=1", "line=VaneAxis", "var=spring9001", ""]
    for i, (eye, look) in enumerate(cameras, start=1):
        ini += ["[Camera%02d]" % i] + ["%s=%d" % (k, round(v)) for k, v in
                                       zip(("op1x", "op1y", "op1z", "op2x", "op2y", "op2z"), eye + look)] + [""]
    return model, "\r\n".join(ini)


def main():
    os.makedirs(MODEL, exist_ok=True)
    model, ini = build()
    with open(os.path.join(MODEL, "Scene1.3ds"), "wb") as f:
        f.write(model)
    with open(os.path.join(MODEL, "Scene1.ini"), "w", encoding="ascii", newline="") as f:
        f.write(ini)
    for name, data in (("water.bmp", water_texture()), ("stone.bmp", stone_texture()),
                       ("paving.bmp", paving_texture())):
        with open(os.path.join(MODEL, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
