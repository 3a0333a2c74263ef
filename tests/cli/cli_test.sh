#!/usr/bin/env bash
# End-to-end checks of velmora-cli on a copy of the demo workspace.
#   cli_test.sh VELMORA_CLI SOURCE_DIR
set -euo pipefail
source "$(dirname "$0")/common.sh"

"$cli" --workspace "$work/ws" scene > "$work/scene.json"
check "scene has the demo springs, groups and 100 channels" \
  'len(j["springs"]) >= 60 and len(j["groups"]) >= 4 and len(j["channels"]) == 100 and j["channels"][0]["IP"] == "127.0.0.1"' < "$work/scene.json"
check "scene settings under their file keys" \
  'j["graParam"] == 9.8 and j["SpringIndex"] > 9001 and j["pulsePerRound"] == 8000' < "$work/scene.json"
check "group members listed by ID" \
  'all(len(g["children"]) == g["childCount"] for g in j["groups"]) and any(g["initX"] == 6 and g["initY"] == 4 for g in j["groups"])' < "$work/scene.json"

# Resave keeps the content: printing before and after must agree.
VELMORA_HOME="$work/ws" "$cli" scene --resave > "$work/scene2.json"
cmp -s "$work/scene.json" "$work/scene2.json" && echo "ok   scene --resave keeps every value" \
  || { echo "FAIL scene --resave changed the scene"; failures=$((failures + 1)); }
cmp -s "$src/demo/spring.ini" "$work/ws/spring.ini" && echo "ok   resaved spring.ini is byte-identical" \
  || { echo "FAIL resaved spring.ini differs"; diff "$src/demo/spring.ini" "$work/ws/spring.ini" | head; failures=$((failures + 1)); }

(cd "$work/ws/Music" && "$cli" --workspace "$work/ws" show demo.mp3.tlf) > "$work/show.json"
check "show resolves layer names from the scene" \
  'j["layers"][0]["name"] != "" and any(l["name"] == "PROGRAM" for l in j["layers"]) and len(j["layers"]) == 200' < "$work/show.json"
check "show uses every action type and take order" \
  'set(b["nSpecicalType"] for b in j["blocks"]) >= set([-1] + list(range(1, 11))) and set(b["nTakeOrder"] for b in j["blocks"]) >= set(range(7))' < "$work/show.json"

"$cli" --workspace "$work/ws" show "$work/ws/Music/demo.mp3.tlf" --resave > "$work/show2.json"
cmp -s "$work/show.json" "$work/show2.json" && echo "ok   show --resave keeps every value" \
  || { echo "FAIL show --resave changed the show"; failures=$((failures + 1)); }

"$cli" --workspace "$work/ws" show "$work/none.tlf" > "$work/empty.json" 2> "$work/empty.err"
check "missing show prints the empty show" \
  'len(j["layers"]) == 200 and j["blocks"] == [] and j["mutiMusic"] == 2.0' < "$work/empty.json"
grep -q warning "$work/empty.err" && echo "ok   missing show warns" || { echo "FAIL no warning"; failures=$((failures + 1)); }

mkdir "$work/empty-ws"
"$cli" --workspace "$work/empty-ws" scene > "$work/default.json" 2> "$work/default.err"
check "missing scene prints the default scene" \
  'j["springs"] == [] and j["channels"][5]["port"] == 102 and j["channels"][5]["tagNum"] == 30' < "$work/default.json"

if "$cli" frobnicate 2> "$work/err.txt"; then
  echo "FAIL unknown command accepted"; failures=$((failures + 1))
else
  [ "$(wc -l < "$work/err.txt")" -eq 1 ] && echo "ok   unknown command: one-line error" \
    || { echo "FAIL error not one line"; failures=$((failures + 1)); }
fi
"$cli" --help | grep -q 'scene' && echo "ok   --help lists commands" || { echo "FAIL --help"; failures=$((failures + 1)); }
"$cli" --version | grep -q 'velmora-cli' && echo "ok   --version" || { echo "FAIL --version"; failures=$((failures + 1)); }

"$cli" analyse "$work/ws/Music/demo.mp3" > "$work/analyse.json" 2> "$work/analyse.err"
check "analyse: a record every 0.2 s with 43 bands, level = sum / 64" \
  'j["m_nError"] == 0 and j["m_nDuration"] >= 30 and len(j["records"]) > 100 and all(len(r["bands"]) == 43 and abs(r["level"] - sum(r["bands"]) / 64) < 1e-9 for r in j["records"]) and abs((j["records"][-1]["time"] - j["records"][0]["time"]) / (len(j["records"]) - 1) - 200) < 1' < "$work/analyse.json"
[ ! -s "$work/analyse.err" ] && echo "ok   analyse: no progress bar when stderr is not a terminal" \
  || { echo "FAIL analyse wrote to stderr"; failures=$((failures + 1)); }
if "$cli" analyse "$work/none.mp3" > "$work/analyse-missing.json" 2>/dev/null; then
  echo "FAIL analyse of a missing file succeeded"; failures=$((failures + 1))
else
  check "analyse: missing file prints no records and error 32768" \
    'j["records"] == [] and j["m_nError"] == 32768' < "$work/analyse-missing.json"
fi

# Action assets as their caches hold them, and the compiled angle tracks.
"$cli" --workspace "$work/ws" asset motor swing.motor > "$work/motor.json"
check "motor program with its loop expanded" \
  'j["m_nInterval"] == 400 and len(j["steps"]) == 10 and j["steps"][3] == [1, 2400, 2800, 0] and all(s[0] not in (100, 101) for s in j["steps"])' < "$work/motor.json"
"$cli" --workspace "$work/ws" asset color rainbow.color > "$work/color.json"
check "colours as COLORREF, red in the low byte" 'j["colours"][0] == 255 and len(j["colours"]) == 7' < "$work/color.json"
"$cli" --workspace "$work/ws" asset frame WAVE.FRM > "$work/frame.json"
check "frame pages with loop marks, levels row by row" \
  'j["m_nPageCount"] == 6 and j["pages"][1]["m_bLoopStart"] == 1 and j["pages"][4]["m_bLoopEnd"] == 1 and len(j["pages"][1]["levels"]) == j["m_nRows"] * j["m_nCols"]' < "$work/frame.json"
"$cli" --workspace "$work/ws" asset light512 sweep.csv > "$work/512.json"
check "512 table columns and 32-digit cells" \
  'j["columns"] == [500, 500, 1000, 500] and all(len(c) == 32 for r in j["rows"] for c in r["cells"])' < "$work/512.json"
for bad in "motor none.motor" "frame ../spring.ini" "color none.color" "light512 none.csv" "sound x"; do
  if "$cli" --workspace "$work/ws" asset $bad > /dev/null 2> "$work/err.txt"; then
    echo "FAIL asset $bad accepted"; failures=$((failures + 1))
  else
    [ "$(wc -l < "$work/err.txt")" -eq 1 ] && echo "ok   asset $bad: one-line error" \
      || { echo "FAIL asset $bad: error not one line"; failures=$((failures + 1)); }
  fi
done

"$cli" --workspace "$work/ws" compile "$work/ws/Music/demo.mp3.tlf" > "$work/compile.json"
check "compile gives every spring two time-ordered tracks" \
  'len(j["springs"]) >= 60 and all(all(a[0] <= b[0] for a, b in zip(t, t[1:])) for s in j["springs"] for t in (s["stepsA"], s["stepsB"]))' < "$work/compile.json"
check "rotation blocks reach the ring springs on both axes" \
  'sum(1 for s in j["springs"] if s["stepsB"]) >= 24 and sum(1 for s in j["springs"] if s["stepsA"]) >= 6' < "$work/compile.json"

# Engine ticks on the demo show: one JSON line per tick, reproducible.
render() { "$cli" --workspace "$work/ws" render "$work/ws/Music/demo.mp3.tlf" --clock 12:00 "$@" 2>/dev/null; }
render --at 0 --to 10000 --step 500 --level 64 > "$work/render.jsonl"
render --at 0 --to 10000 --step 500 --level 64 > "$work/render2.jsonl"
cmp -s "$work/render.jsonl" "$work/render2.jsonl" && echo "ok   render: same inputs, same output" \
  || { echo "FAIL render output differs between runs"; failures=$((failures + 1)); }
"$py" -c '
import json, sys
ticks = [json.loads(l) for l in open(sys.argv[1])]
ok = len(ticks) == 21 and [t["position"] for t in ticks] == [500.0 * i for i in range(21)]
ok = ok and all(t["level"] == 64 for t in ticks)
for t in ticks:
    for c in t["channels"]:
        # A frame is the MBAP header and function fields plus two bytes a slot.
        ok = ok and len(c["light512"]) == 1024 and len(c["frame"]) == 2 * (2 * len(c["slots"]) + 13)
ok = ok and any(c["channel"] == 1 for c in ticks[0]["channels"])
ok = ok and sum(s["m_bLit"] for s in ticks[8]["springs"]) > 0
# Motor sequence numbers carry over from tick to tick while rotation blocks run.
ok = ok and max(s["m_nSeqZ"] for s in ticks[-1]["springs"]) > max(s["m_nSeqZ"] for s in ticks[1]["springs"]) > 123
ok = ok and all(set(s) == {"ID", "m_bLit", "m_nOutLevel", "m_crColor", "m_fSwingZ", "m_fSwingY", "m_nSeqY", "m_nSeqZ"} for s in ticks[0]["springs"])
sys.exit(0 if ok else 1)
' "$work/render.jsonl" && echo "ok   render: ticks, frames, lit springs and motor sequence numbers" \
  || { echo "FAIL render ticks"; failures=$((failures + 1)); }
render --at 4000 --hand --level 64 > "$work/render-hand.jsonl"
check "render --hand: full level and the show is not played" \
  'j["level"] == 128 and all(s["m_bLit"] == 0 for s in j["springs"])' < "$work/render-hand.jsonl"
render --at 4000 --music "$work/ws/Music/demo.mp3" > "$work/render-music.jsonl"
check "render --music: the level follows the analysis" '0 < j["level"] <= 128' < "$work/render-music.jsonl"
if "$cli" --workspace "$work/ws" render "$work/ws/Music/demo.mp3.tlf" --at 0 --to 100 > /dev/null 2> "$work/err.txt"; then
  echo "FAIL render --to without --step accepted"; failures=$((failures + 1))
else
  [ "$(wc -l < "$work/err.txt")" -eq 1 ] && echo "ok   render: one-line error for --to without --step" \
    || { echo "FAIL render error not one line"; failures=$((failures + 1)); }
fi

# Headless playback on the null audio output, against the simulator when it
# is built beside the CLI. A 1 s program restarts at its end.
printf '[Main]\nunitMS=50\nnum=20\npower=40\n' > "$work/ws/Program/short.prog"
sim="$(dirname "$cli")/velmora-sim"
simpid=""
if [ -x "$sim" ]; then
  "$sim" --workspace "$work/ws" --for 8 --quiet > "$work/sim.out" 2>&1 &
  simpid=$!
  for _ in $(seq 50); do grep -q listening "$work/sim.out" 2>/dev/null && break; sleep 0.1; done
fi
VELMORA_AUDIO=null "$cli" --workspace "$work/ws" play --program short.prog --for 2.5 > "$work/play.json" 2> "$work/play.err"
check "play: a program entry runs on its own clock and restarts at its end" \
  'j["m_bProgramMode"] == 1 and j["entriesStarted"] >= 2 and j["m_dLength"] == 1000 and j["engineTicks"] >= 60 and j["pacerTicks"] >= 1500' < "$work/play.json"
if [ -n "$simpid" ]; then
  check "play: the senders reach the simulator" 'j["m_nSendCount"] > 0 and j["m_nRecvCount"] > 0' < "$work/play.json"
  wait "$simpid" || true
fi
grep -q "short.prog" "$work/play.err" && echo "ok   play: status lines name the entry" \
  || { echo "FAIL play status"; failures=$((failures + 1)); }
VELMORA_AUDIO=null "$cli" --workspace "$work/ws" play --for 1 > "$work/play2.json" 2>/dev/null
check "play: the music list's first piece plays ahead by the preparation time" \
  'j["m_bProgramMode"] == 0 and j["entry"].endswith("demo.mp3") and 500 < j["m_dPlayPos"] < 5000' < "$work/play2.json"
cmp -s "$src/demo/spring.ini" "$work/ws/spring.ini" && echo "ok   play leaves unchanged lists unwritten" \
  || { echo "FAIL play rewrote spring.ini"; failures=$((failures + 1)); }
if VELMORA_AUDIO=null "$cli" --workspace "$work/ws" play --music "$work/none.mp3" --for 1 > /dev/null 2> "$work/play-missing.err"; then
  echo "FAIL play of a missing file succeeded"; failures=$((failures + 1))
else
  [ "$(wc -l < "$work/play-missing.err")" -eq 1 ] && echo "ok   play: missing file, one-line error" \
    || { echo "FAIL play missing file error"; cat "$work/play-missing.err"; failures=$((failures + 1)); }
fi

# The end of a piece hands over to the music list, which steps to the next.
mkdir -p "$work/short-ws/Music"
cp "$src/tests/media/fixtures/short.mp3" "$work/short-ws/Music/a.mp3"
cp "$src/tests/media/fixtures/short.mp3" "$work/short-ws/Music/b.mp3"
printf '[main]\nPrepareTime=200\n[MusicList]\nMusicCount=2\nmu0_path=Music\\a.mp3\nmu1_path=Music\\b.mp3\n' > "$work/short-ws/spring.ini"
VELMORA_AUDIO=null "$cli" --workspace "$work/short-ws" play --for 3 > "$work/play3.json" 2>/dev/null
check "play: each piece's end starts the next one of the list" \
  'j["m_bProgramMode"] == 0 and j["entriesStarted"] >= 2' < "$work/play3.json"

echo "$failures failures"
[ "$failures" -eq 0 ]
