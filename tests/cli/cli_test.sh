#!/usr/bin/env bash
# End-to-end checks of velmora-cli on a copy of the demo workspace.
#   cli_test.sh VELMORA_CLI SOURCE_DIR
set -euo pipefail
cli=$1
src=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$src/demo" "$work/ws"
failures=0
py=python3
[ -x /usr/bin/python3 ] && py=/usr/bin/python3
check() {  # check NAME PYTHON-EXPRESSION-ON-j < json
  if "$py" -c "import json,sys; j=json.load(sys.stdin); sys.exit(0 if ($2) else 1)"; then
    echo "ok   $1"
  else
    echo "FAIL $1"; failures=$((failures + 1))
  fi
}

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

echo "$failures failures"
[ "$failures" -eq 0 ]
