#!/usr/bin/env bash
# End-to-end checks of `velmora-cli check`: the demo is clean, a broken copy
# is reported in the documented JSON shape, the exit status follows the
# severities, and no file of the workspace changes.
#   check_test.sh VELMORA_CLI SOURCE_DIR
set -euo pipefail
source "$(dirname "$0")/common.sh"
expect_status() {  # expect_status NAME WANT GOT
  if [ "$3" -eq "$2" ]; then echo "ok   $1 (exit $3)"; else echo "FAIL $1: exit $3, want $2"; failures=$((failures + 1)); fi
}
snapshot() { (cd "$1" && find . -type f -print0 | sort -z | xargs -0 sha256sum; find . | sort); }

snapshot "$work/ws" > "$work/before.txt"
status=0; "$cli" --workspace "$work/ws" check > "$work/demo.json" || status=$?
expect_status "the demo has no error" 0 "$status"
check "report shape: problems and counts" \
  'set(j) == {"problems", "counts"} and j["counts"]["error"] == 0 and j["counts"]["files"] >= 2 and all(set(p) == {"severity","file","where","code","message"} for p in j["problems"])' < "$work/demo.json"

# Break the copy: a missing motor program, a row bound to a group that does
# not exist, and two springs on one pump register.
sed -i 's/^\(TB[0-9]*_szMotor\)=sweep.motor/\1=gone.motor/' "$work/ws/Music/demo.mp3.tlf"
sed -i 's/^ly0_GroupID=.*/ly0_GroupID=4242/' "$work/ws/Music/demo.mp3.tlf"
sed -i 's/^sp1_COMID=.*/sp1_COMID=1/' "$work/ws/spring.ini"
# A member count past the group's array, which the scene reader logs.
sed -i 's/^GP0_childCount=.*/GP0_childCount=600/' "$work/ws/spring.ini"
snapshot "$work/ws" > "$work/broken-before.txt"
mkdir "$work/cwd" && touch "$work/cwd/FountainLog.log"  # logging switched on
status=0; (cd "$work/cwd" && "$cli" --workspace "$work/ws" check) > "$work/broken.json" || status=$?
[ ! -s "$work/cwd/FountainLog.log" ] && echo "ok   check logs nothing" \
  || { echo "FAIL check wrote to the log"; cat "$work/cwd/FountainLog.log"; failures=$((failures + 1)); }
expect_status "errors exit 1" 1 "$status"
check "broken copy: each fault under its code" \
  '{"missing-motor", "unknown-group", "register-conflict"} <= {p["code"] for p in j["problems"] if p["severity"] == "error"}' < "$work/broken.json"
check "counts agree with the problems" \
  'j["counts"]["error"] == sum(p["severity"] == "error" for p in j["problems"]) and j["counts"]["warning"] == sum(p["severity"] == "warning" for p in j["problems"]) and sum(j["counts"]["codes"].values()) == len(j["problems"])' < "$work/broken.json"
check "files named relative to the workspace" \
  'any(p["file"] == "Music/demo.mp3.tlf" for p in j["problems"]) and any(p["file"] == "spring.ini" for p in j["problems"])' < "$work/broken.json"
snapshot "$work/ws" > "$work/broken-after.txt"
cmp -s "$work/broken-before.txt" "$work/broken-after.txt" && echo "ok   check wrote nothing" \
  || { echo "FAIL check changed the workspace"; diff "$work/broken-before.txt" "$work/broken-after.txt" | head; failures=$((failures + 1)); }

# Only the named file is checked as a show (the scene always is).
status=0; "$cli" --workspace "$work/ws" check "$work/ws/Program/night.prog.tlf" > "$work/one.json" || status=$?
check "a named file alone" \
  'j["counts"]["files"] == 1 and not any(p["file"] == "Music/demo.mp3.tlf" for p in j["problems"])' < "$work/one.json"

mkdir "$work/empty-ws"
status=0; "$cli" --workspace "$work/empty-ws" check > "$work/empty.json" || status=$?
expect_status "an empty workspace has no error" 0 "$status"
check "an empty workspace: no scene, no shows" \
  '[p["code"] for p in j["problems"]] == ["missing-scene"] and j["counts"]["files"] == 0' < "$work/empty.json"
[ -z "$(ls -A "$work/empty-ws")" ] && echo "ok   nothing created in an empty workspace" \
  || { echo "FAIL check created files"; ls -A "$work/empty-ws"; failures=$((failures + 1)); }

status=0; "$cli" --workspace "$work/ws" check "$work/none.tlf" 2> "$work/usage.err" > /dev/null || status=$?
expect_status "a file that does not exist is a usage error" 2 "$status"
status=0; "$cli" --workspace "$work/ws" check --frobnicate 2> /dev/null > /dev/null || status=$?
expect_status "an unknown option is a usage error" 2 "$status"

[ "$failures" -eq 0 ] && echo "all check tests passed" || { echo "$failures check test(s) failed"; exit 1; }
