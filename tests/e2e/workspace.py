"""A private copy of the demo workspace whose loopback channels listen on
free ports, so parallel runs never collide, and the simulator behind it."""

import json
import os
import re
import shutil
import signal
import socket
import subprocess
import tempfile
import time


def free_ports(spring_ini):
    """Gives every loopback channel port of spring.ini a free port (same old
    port, same new port), keeping every other byte of the file."""
    text = open(spring_ini, "rb").read()
    holders, ports = [], {}

    def replace(match):
        old = int(match.group(3))
        if old not in ports:
            s = socket.socket()
            s.bind(("127.0.0.1", 0))
            holders.append(s)
            ports[old] = s.getsockname()[1]
        return match.group(1) + str(ports[old]).encode()

    loopback = set(re.findall(rb"(?m)^Channel(\d+)_IP=127\.", text))
    text = re.sub(rb"(?m)^(Channel(\d+)_port=)(\d+)",
                  lambda m: replace(m) if m.group(2) in loopback else m.group(0), text)
    open(spring_ini, "wb").write(text)
    for s in holders:
        s.close()


class Workspace:
    def __init__(self, source_dir):
        self.root = tempfile.mkdtemp(prefix="velmora-e2e-")
        self.path = os.path.join(self.root, "ws")
        shutil.copytree(os.path.join(source_dir, "demo"), self.path)
        free_ports(os.path.join(self.path, "spring.ini"))

    def file(self, *parts):
        return os.path.join(self.path, *parts)

    def read(self, *parts):
        with open(self.file(*parts), "rb") as f:
            return f.read()

    def remove(self):
        shutil.rmtree(self.root, ignore_errors=True)


class Simulator:
    """velmora-sim listening on the workspace's loopback channels."""

    def __init__(self, binary, workspace, seconds=300):
        self.binary, self.workspace, self.seconds = binary, workspace, seconds
        self.start()

    def start(self):
        binary, workspace, seconds = self.binary, self.workspace, self.seconds
        self.dump = os.path.join(workspace.root, "sim-dump.json")
        self.log = open(os.path.join(workspace.root, "sim.log"), "w")
        self.process = subprocess.Popen(
            [binary, "--workspace", workspace.path, "--for", str(seconds), "--quiet", "--dump", self.dump],
            stdout=self.log, stderr=subprocess.STDOUT)
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline:
            with open(self.log.name) as f:
                if "listening" in f.read():
                    return
            time.sleep(0.05)
        raise RuntimeError("the simulator did not start listening")

    def snapshot(self):
        """What the controllers hold now (asks the simulator for a dump)."""
        if os.path.exists(self.dump):
            os.remove(self.dump)
        self.process.send_signal(signal.SIGUSR1)
        deadline = time.monotonic() + 5
        while time.monotonic() < deadline:
            try:
                with open(self.dump) as f:
                    return json.load(f)
            except (OSError, ValueError):
                time.sleep(0.05)
        raise RuntimeError("the simulator wrote no dump")

    def requests(self):
        """Requests received so far on every endpoint."""
        return sum(e["requests"] for e in self.snapshot()["endpoints"])

    def endpoint(self, port):
        """The dump of the endpoint listening on `port`, or None."""
        return next((e for e in self.snapshot()["endpoints"] if e["listen"].endswith(":%d" % port)), None)

    def holding(self, port, unit, address):
        """Holding register `address` (0-based) of `unit` behind `port`, or
        None while nothing has written it."""
        endpoint = self.endpoint(port)
        for u in (endpoint or {}).get("units", []):
            if u["unit"] == unit:
                return u["holding"].get(str(address))
        return None

    def crash(self):
        """Ends the simulator at once, as a controller losing power does."""
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        self.log.close()

    def restart(self):
        """A new simulator on the same ports, as a controller that reboots."""
        self.stop()
        self.start()

    def stop(self):
        if self.log.closed:
            return
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.log.close()


if __name__ == "__main__":
    # workspace.py free-ports SPRING_INI: for scripts that set up a workspace themselves.
    import sys
    if len(sys.argv) != 3 or sys.argv[1] != "free-ports":
        sys.exit("usage: workspace.py free-ports SPRING_INI")
    free_ports(sys.argv[2])
