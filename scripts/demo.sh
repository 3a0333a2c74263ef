#!/usr/bin/env bash
# Builds the optimised programs and runs the main job on the bundled demo
# workspace, with the controller simulator listening on the demo's loopback
# channels. With a display (DISPLAY or WAYLAND_DISPLAY set) it opens the
# desktop program on the workspace and the operator plays the show from its
# music list (double-click a piece); the simulator runs until the window
# closes. Without one (or with DEMO_HEADLESS=1) the show plays headless with
# its music for DEMO_SECONDS (default 40), with a live status line. Either
# way both report what went over the wire at the end.
# The demo runs on a copy of demo/ (build/demo-workspace), since playing
# writes the open show back when the next piece starts.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh build
cmake --preset release >/dev/null
cmake --build --preset release
bin=build/release
seconds=${DEMO_SECONDS:-40}
work=build/demo-workspace
rm -rf "$work"
cp -r demo "$work"
py=python3
[ -x /usr/bin/python3 ] && py=/usr/bin/python3

echo "== demo scene ==" >&2
"$bin/velmora-cli" --workspace "$work" scene | "$py" -c '
import json, sys
s = json.load(sys.stdin)
used = [c for c in s["channels"] if c["IP"] != "0.0.0.0"]
print("springs: %d, groups: %d, channels in use: %d" % (len(s["springs"]), len(s["groups"]), len(used)))
for i, c in enumerate(s["channels"]):
    if c["IP"] != "0.0.0.0":
        print("  channel %d %s:%d regType %d, %d registers" % (i + 1, c["IP"], c["port"], c["regType"], c["tagNum"]))
'

echo "== controller simulator on the demo's loopback channels ==" >&2
simlog=$(mktemp)
dump=$(mktemp)
trap 'rm -f "$simlog" "$dump"' EXIT
desktop=""
if [ -z "${DEMO_HEADLESS:-}" ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; } && [ -x "$bin/velmora" ]; then
  desktop=1
fi
simfor=$((seconds + 10))
[ -n "$desktop" ] && simfor=86400  # until the window closes
"$bin/velmora-sim" --workspace "$work" --for "$simfor" --quiet --dump "$dump" >"$simlog" 2>&1 &
simpid=$!
for _ in $(seq 100); do grep -q listening "$simlog" && break; sleep 0.05; done
grep listening "$simlog" >&2 || true

if [ -n "$desktop" ]; then
  echo "== a display is available: opening the desktop program (double-click a piece in 音乐列表 to play it; close the window to end) ==" >&2
  "$bin/velmora" --workspace "$work" || echo "velmora ended with status $?" >&2
else
echo "== no display: playing the demo music list headless for ${seconds} s ==" >&2
"$bin/velmora-cli" --workspace "$work" play --for "$seconds" | "$py" -c '
import json, sys
p = json.load(sys.stdin)
print("entry %s, %d entries started, position %.0f of %.0f ms" % (p["entry"], p["entriesStarted"], p["m_dPlayPos"], p["m_dLength"]))
print("engine ticks %d, last tick period %.1f ms; requests sent %d, replies received %d" % (p["engineTicks"], p["m_fTickPeriod"], p["m_nSendCount"], p["m_nRecvCount"]))
'
fi

kill -INT "$simpid" 2>/dev/null || true
wait "$simpid" 2>/dev/null || true
echo "== what the simulated controllers received ==" >&2
"$py" -c '
import json, sys
d = json.load(open(sys.argv[1]))
for e in d["endpoints"]:
    regs = sum(len(u["holding"]) + len(u["coils"]) for u in e["units"])
    light = sum(len(u.get("f0", "")) // 2 for u in e["units"])
    what = "%d addresses written" % regs if regs else "%d bytes of light data last" % light
    print("  %s: %d connections, %d requests, %s" % (e["listen"], e["connections"], e["requests"], what))
' "$dump"
