#!/usr/bin/env bash
# Builds the optimised program and runs its main job on the bundled demo workspace.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh build
cmake --preset release >/dev/null
cmake --build --preset release
cli=build/release/velmora-cli
py=python3
[ -x /usr/bin/python3 ] && py=/usr/bin/python3
echo "== scene of demo/ ==" >&2
"$cli" --workspace demo scene | "$py" -c '
import json, sys
s = json.load(sys.stdin)
used = [c for c in s["channels"] if c["IP"] != "0.0.0.0"]
print("springs: %d, groups: %d, channels in use: %d" % (len(s["springs"]), len(s["groups"]), len(used)))
for g in s["groups"]:
    print("  group %d %s: %d members" % (g["ID"], g["name"], g["childCount"]))
for i, c in enumerate(s["channels"]):
    if c["IP"] != "0.0.0.0":
        print("  channel %d %s:%d regType %d, %d registers" % (i + 1, c["IP"], c["port"], c["regType"], c["tagNum"]))
'
echo "== show demo/Music/demo.mp3.tlf ==" >&2
"$cli" --workspace demo show demo/Music/demo.mp3.tlf | "$py" -c '
import json, sys
s = json.load(sys.stdin)
bound = [l for l in s["layers"] if l["GroupID"] != -1 or l["type"] == 2]
print("music multiplier %.1f, %d layers (%d bound), %d blocks" % (s["mutiMusic"], len(s["layers"]), len(bound), len(s["blocks"])))
for b in s["blocks"]:
    layer = s["layers"][b["cannel"]]
    print("  %6.2fs..%6.2fs  row %d (%s)  action %d  take order %d" % (b["start"] / 20, b["end"] / 20, b["cannel"], layer["name"], b["nSpecicalType"], b["nTakeOrder"]))
'
