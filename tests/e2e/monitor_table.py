#!/usr/bin/python3
"""Reads the channel monitor over AT-SPI as a screen reader would: the table
"通道监视", its size, its column headers and a few rows, with the real
velmora on a copy of the demo and velmora-sim as the controllers (extra
simulator options, e.g. --no-reply, make the links fail). Run inside a
desktop session:

    ui-session.sh /usr/bin/python3 monitor_table.py --velmora BIN --sim BIN --source DIR [-- SIM-OPTION...]
"""

import argparse
import os
import subprocess
import sys

import pyatspi

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from atspi import (Failure, application, find, role, table_row, table_rows, table_shape,  # noqa: E402
                   table_titles, wait_for)
from workspace import Workspace  # noqa: E402

TITLES = ["通道", "状态", "链路", "发/收", "失败", "重连", "时延ms", "P99ms", "上次应答", "最近错误"]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--velmora", required=True)
    parser.add_argument("--sim", required=True)
    parser.add_argument("--source", required=True)
    parser.add_argument("sim_options", nargs="*")
    args = parser.parse_args()
    wait_for(lambda: pyatspi.Registry.getDesktop(0) is not None, 20, "the accessibility registry")
    ws = Workspace(args.source)
    sim = subprocess.Popen([args.sim, "--workspace", ws.path, "--for", "120", "--quiet"] + args.sim_options,
                           stdout=subprocess.DEVNULL)
    program = subprocess.Popen([args.velmora, "--workspace", ws.path],
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        app = application("Velmora", timeout=40)
        monitor = find(app, "table", "通道监视", timeout=40)
        rows, columns = table_shape(monitor)
        print("table %r: %d rows, %d columns" % (monitor.name, rows, columns))
        if (rows, columns) != (100, 10):
            raise Failure("the monitor is %d x %d, not 100 x 10" % (rows, columns))
        titles = table_titles(monitor)
        print("headers:", " | ".join(titles))
        if titles != TITLES:
            raise Failure("headers %s" % titles)
        # Wait until channel 1's sender has been through a pass.
        wait_for(lambda: table_row(monitor, 0)[1], 30, "channel 1's status line")
        for row in (0, 1, 4, 99):
            print("row %3d:" % row, " | ".join(table_row(monitor, row)))
        first = monitor.queryTable().getAccessibleAt(0, 0)
        print("cell (0, 0): role %r, name %r, description %r" % (role(first), first.name, first.description))
        by_label = table_rows(monitor, 0)
        print("%d rows keyed by address; [100]… present: %s" % (
            len(by_label), any(k.startswith("[100]") for k in by_label)))
        return 0
    except Failure as error:
        print("FAIL:", error)
        return 1
    finally:
        program.terminate()
        try:
            program.wait(20)
        except subprocess.TimeoutExpired:
            program.kill()
        sim.terminate()
        sim.wait(10)
        ws.remove()


if __name__ == "__main__":
    sys.exit(main())
