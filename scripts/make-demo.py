#!/usr/bin/env python3
"""Writes the demo workspace's scene, configuration and show.

The files are committed; run this again only to change the demo. Every
channel points at 127.0.0.1 so that the demo only ever talks to the local
controller simulator.
"""
import math
import os
import struct

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "demo")

# (key index, port, regType, tagNum, nPrevChannel)
CHANNELS = [
    (0, 15020, 1, 80, -1),    # channel 1: pump levels, one register per spring
    (1, 15021, 1, 8, -1),     # channel 2: valve bits and group switches
    (2, 15022, 2, 240, -1),   # channel 3: motor command records
    (3, 15023, 3, 170, -1),   # channel 4: one light universe
    (4, 15024, 5, 30, -1),    # channel 5: moving heads (512-byte buffer)
    (5, 15025, 1, 4, 2),      # channel 6: light bits spilling into channel 2
]


def spring_keys(i, s):
    p = f"sp{i}_"
    return [
        (p + "x", s["x"]), (p + "y", s["y"]), (p + "ID", s["ID"]),
        (p + "COMID", s["COMID"]), (p + "ADDR", s["ADDR"]), (p + "COMID1", s["COMID1"]),
        (p + "BLOCKID", s["BLOCKID"]), (p + "BLOCKID1", s["BLOCKID1"]),
        (p + "ORGANGLEY", "%f" % s["ORGANGLEY"]), (p + "BLOCKID2", s["BLOCKID2"]),
        (p + "BLOCKID3", s["BLOCKID3"]), (p + "COMID2", s["COMID2"]), (p + "COMID3", s["COMID3"]),
        (p + "BLOCKID_L", s["BLOCKID_L"]), (p + "COMID_L", s["COMID_L"]),
    ]


def make_springs():
    springs = []
    next_id = 9001

    def add(x, y, name, motor=None, light_bits=False):
        nonlocal next_id
        i = len(springs)
        s = dict(x=x, y=y, ID=next_id, ADDR=name, ORGANGLEY=0.0,
                 COMID=str(i + 1), BLOCKID=1,
                 COMID1="%d;%d" % (i // 16 + 1, i % 16), BLOCKID1=2,
                 COMID2="", BLOCKID2=-1, COMID3="", BLOCKID3=-1,
                 COMID_L="1;%d" % (i + 1), BLOCKID_L=4)
        if motor is not None:
            s.update(COMID2=str(10 * motor + 1), BLOCKID2=3,
                     COMID3=str(10 * motor + 6), BLOCKID3=3, ORGANGLEY=15.0)
        if light_bits:
            s.update(COMID_L="%d;%d" % (1 + (i % 4), 13), BLOCKID_L=6)
        springs.append(s)
        next_id += 1
        return s["ID"]

    ring = [add(int(400 + 180 * math.cos(2 * math.pi * k / 24)),
                int(300 + 180 * math.sin(2 * math.pi * k / 24)), "环形%d" % (k + 1), motor=k)
            for k in range(24)]
    matrix = [add(700 + 40 * c, 150 + 40 * r, "矩阵%d-%d" % (r + 1, c + 1))
              for r in range(4) for c in range(6)]
    special = [add(100 + 40 * k, 600, "水幕%d" % (k + 1)) for k in range(4)]
    manual = [add(300 + 40 * k, 600, "雾森%d" % (k + 1), light_bits=True) for k in range(4)]
    singles = [add(100 + 60 * k, 80, "独立%d" % (k + 1)) for k in range(8)]
    return springs, next_id, ring, matrix, special, manual, singles


def main():
    springs, next_id, ring, matrix, special, manual, singles = make_springs()
    groups = []

    def group(name, members, color, **extra):
        nonlocal next_id
        g = dict(name=name, members=members, color=color, ID=next_id, BLOCKID=-1, COMID="",
                 nPreTime=0, bMannual=0, bSpecialBTN=0, initX=0, initY=0)
        g.update(extra)
        groups.append(g)
        next_id += 1
        return g["ID"]

    g_ring = group("环形喷泉", ring, 65280, BLOCKID=2, COMID="5;0", nPreTime=200)
    g_matrix = group("矩阵喷泉", matrix, 0x00FF8000, initX=6, initY=4)
    g_special = group("水幕按钮", special, 0x000000FF, bSpecialBTN=1, BLOCKID=2, COMID="5;1")
    g_manual = group("雾森强制", manual, 0x00FFFF00, bMannual=1)
    g_odd = group("独立喷头", singles, 0x0000FFFF)

    lines = ["[main]"]

    def put(k, v):
        lines.append("%s=%s" % (k, v))

    put("BGBMP", "")
    put("PrepareTime", 1000)
    put("graParam", "%f" % 9.8)
    put("numofwater", 20)
    put("pulsePerRound", 8000)
    put("pulsePerRound_Y", 5000)
    put("SystemInterval", 2000)
    put("strLight", "rainbow.color")
    put("SpringIndex", next_id)
    put("count", len(springs))
    for i, s in enumerate(springs):
        for k, v in spring_keys(i, s):
            put(k, v)
    put("GroupCount", len(groups))
    for gi, g in enumerate(groups):
        p = "GP%d_" % gi
        for key in ("color", "name", "BLOCKID", "COMID", "nPreTime", "bMannual", "ID", "bSpecialBTN"):
            put(p + key, g[key])
        put(p + "childCount", len(g["members"]))
        put(p + "initX", g["initX"])
        put(p + "initY", g["initY"])
        for j, m in enumerate(g["members"]):
            put("GP%d_child%d" % (gi, j), m)
    by_index = {c[0]: c for c in CHANNELS}
    for c in range(100):
        ip, port, reg, tag, prev = "0.0.0.0", 102, 1, 30, -1
        if c in by_index:
            _, port, reg, tag, prev = by_index[c]
            ip = "127.0.0.1"
        p = "Channel%d_" % c
        put(p + "IP", ip)
        put(p + "port", port)
        put(p + "regType", reg)
        put(p + "tagNum", tag)
        put(p + "deviceID", 1)
        put(p + "nStartNum", 1)
        put(p + "nPrevChannel", prev)
        put(p + "nPrevTail", -1)
    lines += ["", "[MusicList]", "MusicCount=1", "mu0_path=Music\\demo.mp3",
              "", "[ProgramList]", "ProgramCount=1", "pro0_path=Program\\night.prog"]
    with open(os.path.join(ROOT, "spring.ini"), "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(lines) + "\n")

    with open(os.path.join(ROOT, "config.ini"), "w", encoding="utf-8", newline="\n") as f:
        f.write("[Main]\nnightStart=06:00\nnightEnd=23:30\n")

    write_show(os.path.join(ROOT, "Music", "demo.mp3.tlf"),
               g_ring, g_matrix, g_special, g_manual, g_odd, singles)
    write_assets(g_ring)


def write_show(path, g_ring, g_matrix, g_special, g_manual, g_odd, singles):
    layers = [(g_ring, 0), (g_matrix, 0), (g_special, 0), (g_manual, 0), (g_odd, 0),
              (singles[0], 1), (singles[1], 1), (-1, 2)]
    blocks = []

    def block(layer, start_s, end_s, action, **fields):
        b = dict(start=start_s * 20.0, end=end_s * 20.0, cannel=layer, nSpecicalType=action)
        b.update(fields)
        blocks.append(b)

    # Every action type once, and every take order across the wave blocks.
    block(0, 0.0, 8.0, 3, nWavMax=100, nTakeOrder=0, nInterval=80, szLight="rainbow.color", IntervalLight=500)
    block(0, 8.0, 16.0, 4, nWavMax=128, nWavMin=10, nPeriod=2000, nPeriod1=300, nTakeOrder=1, nInterval=60, nStartDrift=100)
    block(0, 16.0, 24.0, 7, nWavMax=120, nWavMin=0, nPeriod=600, nPeriod1=400, nTakeOrder=2, nInterval=50)
    block(0, 24.0, 32.0, 10, nWavMax=110, nWavMin=20, nPeriod=1500, nTakeOrder=3, nInterval=40, nDeltaInGroup=2)
    block(0, 0.0, 16.0, 1, szMotor="swing.motor", singleSection=1, singleSection1=2, szMotor1="sweep.motor",
          szMotor2="swing.motor", paramMotor1=1.0, paramMotor2=1.5, paramMotor3=0.5, forMotor1=1, forMotor2=2,
          forMotor3=1, nTakeOrder=4, nInterval=100)
    block(0, 16.0, 32.0, 2, szMotor="sweep.motor", singleSection=1, nTakeOrder=5, nInterval=100)
    block(1, 0.0, 12.0, 8, szFrame="wave.frm", fFrameParam=1.0, nRiseUpTime=300, nCutDownTime=300)
    block(1, 12.0, 20.0, 5, nWavMax=90, nPeriod=3000, nTakeOrder=6, nInterval=30)
    block(1, 20.0, 28.0, 6, nWavMax=90, nPeriod=2500, nTakeOrder=0, nInterval=30)
    block(2, 4.0, 20.0, -1, bRunHorse=1, dirRunHorse=0, IntervalRunHorse=150, ForceWav=20, bSystime=1)
    block(3, 6.0, 14.0, 3, nWavMax=128, bLightTogether=1, nLightdelay=100, nLightType=1, szLight="rainbow.color")
    block(4, 2.0, 10.0, 9, nWavMax=3, nWavMin=1)
    block(5, 0.0, 30.0, 3, nWavMax=64, sz512Light="sweep.csv")
    block(6, 10.0, 20.0, 4, nWavMax=128, nWavMin=0, nPeriod=1000, nPeriod1=0)
    block(7, 0.0, 30.0, -1, Program="night.prog")

    write_tlf(path, layers, blocks)


def write_tlf(path, layers, blocks):
    """A .tlf show: 200 layers (the given (GroupID, type) pairs first) and the blocks."""
    defaults = dict(cannel=0, bRunHorse=0, dirRunHorse=0, IntervalRunHorse=150, ForceWav=0, Program="---",
                    nSpecicalType=-1, nInterval=0, nTakeOrder=0, nStartDrift=0, nDeltaInGroup=0,
                    nBound=45.0, nSpeed=15.0, bPingpong=0, nWavMax=0, nWavMin=0, nBound1=0.0, nPeriod=0,
                    nPeriod1=0, szMotor="", szFrame="", fFrameParam=1.0, nRiseUpTime=0, nCutDownTime=0,
                    MaxValidZMotor=360, MinValidZMotor=0, singleSection=0, szMotor1="", singleSection1=0,
                    szMotor2="", paramMotor1=1.0, paramMotor2=1.0, paramMotor3=1.0, forMotor1=1,
                    forMotor2=1, forMotor3=1, delayMotor1=0, delayMotor2=0, delayMotor3=0, szLight="",
                    IntervalLight=0, nLightType=0, bLightTogether=1, nLightdelay=100, bSystime=0,
                    sz512Light="")
    order = ["cannel", "bRunHorse", "dirRunHorse", "IntervalRunHorse", "ForceWav", "Program", "nSpecicalType",
             "nInterval", "nTakeOrder", "nStartDrift", "nDeltaInGroup", "nBound", "nSpeed", "bPingpong",
             "nWavMax", "nInterval", "nWavMin", "nBound1", "nPeriod", "nPeriod1", "szMotor", "szFrame",
             "fFrameParam", "nRiseUpTime", "nCutDownTime", "MaxValidZMotor", "MinValidZMotor",
             "singleSection", "szMotor1", "singleSection1", "szMotor2", "paramMotor1", "paramMotor2",
             "paramMotor3", "forMotor1", "forMotor2", "forMotor3", "delayMotor1", "delayMotor2",
             "delayMotor3", "szLight", "IntervalLight", "nLightType", "bLightTogether", "nLightdelay",
             "bSystime", "sz512Light"]
    floats = {"nBound", "nSpeed", "nBound1", "fFrameParam", "paramMotor1", "paramMotor2", "paramMotor3"}
    out = ["[main]", "mutiMusic=%f" % 2.0, "", "[TimeLine]", "LayerCount=200"]
    for i in range(200):
        gid, typ = layers[i] if i < len(layers) else (-1, 0)
        out += ["ly%d_name=" % i, "ly%d_GroupID=%d" % (i, gid), "ly%d_type=%d" % (i, typ)]
    out.append("TimeBlockCount=%d" % len(blocks))
    for i, b in enumerate(blocks):
        v = dict(defaults)
        v.update(b)
        out.append("TB%d_start=%0.2f" % (i, v["start"]))
        out.append("TB%d_end=%0.2f" % (i, v["end"]))
        for key in order:
            val = v[key]
            out.append("TB%d_%s=%s" % (i, key, ("%f" % val) if key in floats else val))
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(out) + "\n")


def write_ini(path, sections):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    out = []
    for name, keys in sections:
        out.append("[%s]" % name)
        out += ["%s=%s" % kv for kv in keys]
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(out) + "\n")


def write_motor(path, interval, steps):
    """steps: (Act, p0, p1, p2) tuples, loop markers included."""
    sections = [("Main", [("Num", len(steps)), ("Interval", interval)])]
    for i, (act, p0, p1, p2) in enumerate(steps):
        sections.append(("MOB%d" % i, [("Act", act), ("p0", p0), ("p1", p1), ("p2", p2)]))
    write_ini(path, sections)


def write_frames(path, cols, rows, default_ms, pages, loop_start, loop_end):
    """pages: list of (duration_ms, level(row, col) function); version 1.2 layout."""
    out = [struct.pack("<f4i", 1.2, cols, rows, default_ms, len(pages))]
    for index, (duration, level) in enumerate(pages):
        cells = bytearray(50 * 50 * 16)
        for r in range(rows):
            for c in range(cols):
                struct.pack_into("<i", cells, (r * 50 + c) * 16, level(r, c))
        tail = struct.pack("<iBBB13x", duration, 0, int(index == loop_start), int(index == loop_end))
        out.append(bytes(cells) + tail)
    out.append(struct.pack("<3i", 128, 0, 5) + bytes(200))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(b"".join(out))


def write_assets(g_ring):
    """Motor programs, colours, frames, a moving-head table and a program entry."""
    # Swing: out and back three times, each time faster and wider; then reset.
    write_motor(os.path.join(ROOT, "motor", "swing.motor"), 400, [
        (100, 3, 400, 800),        # loop start: 3 times, +400 pulses/s, +800 pulses
        (1, 2000, 2000, 0),
        (0, 200, 0, 0),
        (1, -2000, -2000, 0),
        (101, 0, 0, 0),            # loop end
        (5, 0, 0, 0),
    ])
    # Sweep: quarter turns in one direction, a pause, then all the way back.
    write_motor(os.path.join(ROOT, "motor", "sweep.motor"), 500, [
        (100, 4, 0, 0),
        (1, 4000, 2000, 0),
        (0, 300, 0, 0),
        (101, 0, 0, 0),
        (2, -8000, -8000, 0),
        (0, 500, 0, 0),
    ])
    rainbow = [0xFF0000, 0xFF8000, 0xFFFF00, 0x00FF00, 0x00FFFF, 0x0000FF, 0xFF00FF]  # 0xRRGGBB
    write_ini(os.path.join(ROOT, "Color", "rainbow.color"),
              [("Main", [("Num", len(rainbow))] + [("color%d" % (i + 1), v) for i, v in enumerate(rainbow)])])

    # A diagonal wave over the 6 x 4 matrix; pages 1..4 repeat.
    def wave(phase):
        return lambda r, c: max(0, 128 - 40 * abs(((r + c) % 6) - phase))
    pages = [(600, lambda r, c: 0)] + [(0, wave(p)) for p in range(4)] + [(800, lambda r, c: 128)]
    write_frames(os.path.join(ROOT, "Frame", "wave.frm"), 6, 4, 400, pages, 1, 4)

    # Two moving heads on channel 5 sweeping pan and tilt; header = column durations in ms.
    columns = [500, 500, 1000, 500]
    os.makedirs(os.path.join(ROOT, "512Light"), exist_ok=True)
    with open(os.path.join(ROOT, "512Light", "sweep.csv"), "w", encoding="utf-8", newline="\r\n") as f:
        f.write(",".join(["name"] + [str(c) for c in columns]) + "\n")
        for fixture in (1, 2):
            cells = []
            for step in range(len(columns)):
                pan = (64 * step + 32 * fixture) % 256
                tilt = (200 - 40 * step) % 256
                record = bytes([pan, tilt, 255, 0, 255, 128, 0, 0, 0, 0, 0, 0, 0, 0, 0, fixture])
                cells.append("0x" + record.hex().upper())
            f.write(",".join(["5;%d" % fixture] + cells) + "\n")

    # A program-control entry: 30 cells of 1 s at music level 64, with its own show.
    write_ini(os.path.join(ROOT, "Program", "night.prog"),
              [("Main", [("unitMS", 1000), ("num", 30), ("power", 64)])])
    night = []
    def block(start_s, end_s, action, **fields):
        b = dict(start=start_s * 20.0, end=end_s * 20.0, cannel=0, nSpecicalType=action)
        b.update(fields)
        night.append(b)
    block(0.0, 30.0, 3, nWavMax=80, szLight="rainbow.color", IntervalLight=1000)
    # The ring's Z motors are the top-level show's until 16 s; two rotation
    # blocks on one axis at once would both command the motors on every tick.
    block(16.0, 30.0, 1, szMotor="sweep.motor", nTakeOrder=3, nInterval=150)
    write_tlf(os.path.join(ROOT, "Program", "night.prog.tlf"), [(g_ring, 0)], night)


if __name__ == "__main__":
    main()
