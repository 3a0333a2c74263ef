#!/usr/bin/env bash
# What velmora-cli does to the files of a workspace: inspecting writes nothing,
# a FIFO where an asset belongs is refused at once, abandoned temporary files
# of a save are cleaned up.
#   cli_files_test.sh VELMORA_CLI SOURCE_DIR
set -euo pipefail
source "$(dirname "$0")/common.sh"
ws=$work/ws
# Lists the file had never held are what a shutdown used to add.
sed -i '/^\[ProgramList\]/,$d' "$ws/spring.ini"
mkdir -p "$work/out"
snapshot() { (cd "$ws" && find . -printf '%p %y %s %T@ %m\n' | sort && find . -type f -exec md5sum {} + | sort); }

cp -p "$ws/spring.ini" "$work/spring.ini.orig"
inspect() {  # inspect NAME ARGS...: the command must succeed and change nothing
  local name=$1; shift
  cp -p "$work/spring.ini.orig" "$ws/spring.ini"
  snapshot > "$work/before"
  if ! (cd "$work/out" && "$cli" --workspace "$ws" "$@" > "$work/out/stdout" 2> "$work/out/stderr"); then
    fail "$name: command failed"; cat "$work/out/stderr"; return
  fi
  snapshot > "$work/after"
  if cmp -s "$work/before" "$work/after"; then pass "$name writes nothing"
  else fail "$name changed the workspace"; diff "$work/before" "$work/after" | head -5 || true; fi
}
inspect scene scene
inspect show show "$ws/Music/demo.mp3.tlf"
inspect asset asset motor swing.motor
inspect compile compile "$ws/Music/demo.mp3.tlf"
inspect render render "$ws/Music/demo.mp3.tlf" --at 1000 --clock 12:00
inspect analyse analyse "$ws/Music/demo.mp3"
printf '[{"op":"lock","blocks":"all"}]' > "$work/out/ops.json"
inspect "edit without --save" edit "$ws/Music/demo.mp3.tlf" --ops "$work/out/ops.json"

# A FIFO is refused at once: opening one for reading waits for a writer.
mkfifo "$ws/Frame/pipe.frm" "$ws/512Light/pipe.csv" "$ws/motor/pipe.motor"
for asset in "frame pipe.frm" "light512 pipe.csv" "motor pipe.motor"; do
  set +e
  timeout 10 "$cli" --workspace "$ws" asset $asset > /dev/null 2> "$work/err.txt"
  status=$?
  set -e
  if [ "$status" -eq 124 ]; then fail "asset $asset: hangs on the FIFO"
  elif [ "$status" -eq 0 ]; then fail "asset $asset: a FIFO accepted"
  else pass "asset $asset: FIFO refused"; fi
done

# Temporary files of a killed save go at the next load or save of that file;
# a fresh one (a save may be writing it) and other files' stay.
printf 'half' > "$ws/.spring.ini.tmpAb12Cd"
printf 'half' > "$ws/Music/.demo.mp3.tlf.tmpXy34Zw"
printf 'half' > "$ws/.spring.ini.tmpNew123"
printf 'half' > "$ws/.config.ini.tmpAb12Cd"
touch -d '2 hours ago' "$ws/.spring.ini.tmpAb12Cd" "$ws/Music/.demo.mp3.tlf.tmpXy34Zw" "$ws/.config.ini.tmpAb12Cd"
"$cli" --workspace "$ws" scene > /dev/null
"$cli" --workspace "$ws" show "$ws/Music/demo.mp3.tlf" > /dev/null
if [ ! -e "$ws/.spring.ini.tmpAb12Cd" ] && [ ! -e "$ws/Music/.demo.mp3.tlf.tmpXy34Zw" ]; then
  pass "loading removes abandoned temporary files"
else fail "abandoned temporary files left after loading"; fi
if [ -e "$ws/.spring.ini.tmpNew123" ] && [ -e "$ws/.config.ini.tmpAb12Cd" ]; then
  pass "a fresh temporary file and another file's are kept"
else fail "a fresh or foreign temporary file was removed"; fi

echo "$failures failures"
[ "$failures" -eq 0 ]
