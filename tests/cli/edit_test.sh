#!/usr/bin/env bash
# End-to-end checks of `velmora-cli edit` on a copy of the demo workspace.
#   edit_test.sh VELMORA_CLI SOURCE_DIR
set -euo pipefail
source "$(dirname "$0")/common.sh"
# Group 9069 names a spring that does not exist in its second place.
sed -i 's/^GP4_child1=9058\r\?$/GP4_child1=99999/' "$work/ws/spring.ini"
show="$work/ws/Music/demo.mp3.tlf"
cp "$show" "$work/original.tlf"
check() {  # check NAME PYTHON-EXPRESSION-ON-j < json
  if "$py" -c "import json,sys; j=json.load(sys.stdin); b=j['blocks']; l=j['layers']; sys.exit(0 if ($2) else 1)"; then
    echo "ok   $1"
  else
    fail "$1"
  fi
}
edit() {  # edit NAME OPS-JSON [--save]: runs the ops, output in $work/NAME.json
  local name=$1 ops=$2
  shift 2
  printf '%s' "$ops" > "$work/$name.ops.json"
  "$cli" --workspace "$work/ws" edit "$show" --ops "$work/$name.ops.json" "$@" > "$work/$name.json" 2> "$work/$name.err"
}

"$cli" --workspace "$work/ws" show "$show" > "$work/before.json"
check "the demo show starts as the tests expect" \
  'b[0]["start"] == 0 and b[0]["end"] == 160 and b[0]["cannel"] == 0 and b[1]["start"] == 160 and len(b) == 15' < "$work/before.json"

edit moves '[{"op":"lock","blocks":[1]},{"op":"move","blocks":[0,1],"dx":10,"drow":2}]'
check "move: the unlocked block moves, the locked one stays" \
  'b[0]["start"] == 10 and b[0]["end"] == 170 and b[0]["cannel"] == 2 and b[1]["start"] == 160 and b[1]["cannel"] == 0' < "$work/moves.json"

edit undo '[{"op":"move","blocks":[0],"dx":10,"drow":1},{"op":"move","blocks":[0],"dx":5,"drow":0},{"op":"undo"}]'
check "undo takes back the last move only" 'b[0]["start"] == 10 and b[0]["cannel"] == 1' < "$work/undo.json"
edit redo '[{"op":"move","blocks":[0],"dx":10,"drow":1},{"op":"undo"},{"op":"undo"},{"op":"redo"},{"op":"redo"}]'
check "undo past the start does nothing; redo brings the move back" \
  'b[0]["start"] == 10 and b[0]["cannel"] == 1' < "$work/redo.json"
edit undoAll '[{"op":"create","row":9,"start":50,"end":80},{"op":"delete","blocks":[2,3]},{"op":"undo"},{"op":"undo"}]'
cmp -s "$work/before.json" "$work/undoAll.json" && echo "ok   undoing everything gives back the loaded show" \
  || fail "undoing everything changed the show"

edit resize '[{"op":"resize","block":2,"edge":"right","x":321},{"op":"resize","block":3,"edge":"left","x":700},
  {"op":"lock","blocks":[4]},{"op":"resize","block":4,"edge":"right","x":900}]'
check "resize stops 5 pixels from the other edge; a locked block refuses" \
  'b[2]["start"] == 320 and b[2]["end"] == 325 and b[3]["start"] == 635 and b[3]["end"] == 640 and b[4]["end"] == 320' < "$work/resize.json"

edit create '[{"op":"create","row":200,"start":5,"end":50},{"op":"create","row":199,"start":100,"end":102}]'
check "create: nothing at row 200; at least 5 pixels long" \
  'len(b) == 16 and b[15]["cannel"] == 199 and b[15]["start"] == 100 and b[15]["end"] == 105' < "$work/create.json"

edit paste '[{"op":"copy","blocks":[0,1,3]},{"op":"paste","x":1000}]'
check "paste: the smallest start lands at x, gaps, lengths and rows kept" \
  'len(b) == 18 and [(x["start"], x["end"], x["cannel"]) for x in b[15:]] == [(1000, 1160, 0), (1160, 1320, 0), (1480, 1640, 0)]' < "$work/paste.json"

edit delete '[{"op":"lock","blocks":[0]},{"op":"delete","blocks":[0,1]}]'
check "delete: locked blocks stay" 'len(b) == 14 and b[0]["start"] == 0 and b[1]["start"] == 320' < "$work/delete.json"

edit expand '[{"op":"expand","row":20,"group":9069}]'
check "expand: one row per existing member, the missing one skipped" \
  '[x["GroupID"] for x in l[20:28]] == [9057, 9059, 9060, 9061, 9062, 9063, 9064, -1] and all(x["type"] == 1 for x in l[20:27]) and l[20]["name"] == "9057"' < "$work/expand.json"

edit layers '[{"op":"bind","row":30,"group":9066},{"op":"program","row":31},{"op":"bind","row":32,"group":9066},{"op":"unbind","row":32},{"op":"arm","row":30}]'
check "bind, program row and unbind" \
  'l[30] == {"name": "矩阵喷泉", "GroupID": 9066, "type": 0} and l[31]["name"] == "PROGRAM" and l[31]["type"] == 2 and l[32]["GroupID"] == -1' < "$work/layers.json"

cmp -s "$show" "$work/original.tlf" && echo "ok   nothing is written without --save" || fail "the show file changed without --save"

# A bad op: non-zero exit naming the op's index, nothing printed, nothing saved.
for bad in '[{"op":"create","row":3,"start":1,"end":9},{"op":"fly"}]' \
           '[{"op":"create","row":3,"start":1,"end":9},{"op":"move","blocks":[99],"dx":1,"drow":0}]' \
           '[{"op":"create","row":3,"start":1,"end":9},{"op":"resize","block":0,"edge":"top","x":1}]' \
           '[{"op":"create","row":3,"start":1,"end":9},{"op":"bind","row":1,"group":12345}]' \
           '[{"op":"create","row":3,"start":1,"end":9},{"op":"paste","x":"here"}]'; do
  if edit bad "$bad" --save; then
    fail "bad op accepted: $bad"
  else
    grep -q 'op 1' "$work/bad.err" && [ ! -s "$work/bad.json" ] && cmp -s "$show" "$work/original.tlf" \
      && echo "ok   refused, op 1 named, nothing saved: $(head -c 60 <<< "$bad")" \
      || { fail "bad op handled wrongly: $bad"; cat "$work/bad.err"; }
  fi
done

edit saved '[{"op":"move","blocks":[0],"dx":20,"drow":3},{"op":"lock","blocks":"all"}]' --save
"$cli" --workspace "$work/ws" show "$show" > "$work/reloaded.json"
check "--save writes the result through the document" 'b[0]["start"] == 20 and b[0]["cannel"] == 3' < "$work/reloaded.json"
"$py" - "$work/saved.json" "$work/reloaded.json" <<'PY' && echo "ok   the printed show is the saved one" || fail "printed and saved shows differ"
import json, sys
a, b = (json.load(open(p)) for p in sys.argv[1:3])
sys.exit(0 if a == b else 1)
PY

if [ "$failures" -ne 0 ]; then
  echo "$failures edit check(s) failed"
  exit 1
fi
echo "all edit checks passed"
