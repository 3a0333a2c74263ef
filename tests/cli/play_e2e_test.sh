#!/usr/bin/env bash
# End-to-end playback: a copy of the demo workspace plays a short generated
# piece on the null audio output while velmora-sim stands in for the
# controllers on loopback. At the end the simulator's register images must be
# what render computes for the engine's last tick (or the tick before it: the
# pacer may stop between the engine's wake-up and the senders'), and every
# configured channel's status line must count its exchanges.
#   play_e2e_test.sh VELMORA_CLI VELMORA_SIM SOURCE_DIR
set -euo pipefail
cli=$1
sim=$2
src=$3
py=python3
[ -x /usr/bin/python3 ] && py=/usr/bin/python3

work=$(mktemp -d)
simpid=""
cleanup() {
  if [ -n "$simpid" ]; then
    kill -TERM "$simpid" 2>/dev/null || true
    wait "$simpid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
# Runs a command with its stderr kept; on failure shows it and ends the test.
run() {
  local err=$work/stderr.txt
  "$@" 2> "$err" || { echo "FAIL $* (exit $?)"; tail -n 30 "$err"; exit 1; }
}

cp -r "$src/demo" "$work/ws"
# Channel 7 becomes a "--" channel (function 15, coils) on loopback, so that
# every request type is on the wire: registers, motors, lights, moving heads
# and coils.
sed -i -e 's/^Channel6_IP=0\.0\.0\.0/Channel6_IP=127.0.0.1/' -e 's/^Channel6_regType=1/Channel6_regType=0/' \
  -e 's/^Channel6_tagNum=30/Channel6_tagNum=10/' "$work/ws/spring.ini"
# Free loopback ports instead of the demo's fixed ones, so that other runs
# of the demo (other test binaries, a demo left running) cannot collide.
"$py" "$src/tests/e2e/workspace.py" free-ports "$work/ws/spring.ini"
# An operating window with equal ends is always open, so the lights carry
# colours whatever the hour the test runs at.
printf '[Main]\nnightStart=00:00\nnightEnd=00:00\n' > "$work/ws/config.ini"

# A 6 s piece with a varying loudness, so the music level moves; the show
# file belongs to the music by name.
music="$work/ws/Music/e2e.mp3"
if command -v sox > /dev/null && command -v lame > /dev/null; then
  sox -n -r 44100 -c 2 -b 16 "$work/e2e.wav" synth 6 sine 200-2000 tremolo 2 60 vol 0.6
  lame --quiet --noreplaygain -b 64 --cbr "$work/e2e.wav" "$music"
else
  cp "$src/demo/Music/demo.mp3" "$music"
fi
cp "$src/demo/Music/demo.mp3.tlf" "$music.tlf"

run "$cli" --workspace "$work/ws" scene > "$work/scene.json"

# The simulator ends on its own after 25 s should this script be killed.
"$sim" --workspace "$work/ws" --for 25 --dump "$work/sim.json" --quiet > "$work/sim.out" 2> "$work/sim.err" &
simpid=$!
for _ in $(seq 100); do
  [ "$(grep -c '^listening' "$work/sim.out" 2>/dev/null)" -ge 7 ] && break
  sleep 0.05
done
[ "$(grep -c '^listening' "$work/sim.out")" -ge 7 ] || { echo "FAIL simulator did not listen"; cat "$work/sim.err"; exit 1; }

# 4.8 s of playing ends about 5.2 s into the show, where the demo's waves
# change on every tick.
run env VELMORA_AUDIO=null "$cli" --workspace "$work/ws" play --music "$music" --for 4.8 > "$work/play.json"
kill -INT "$simpid"
pid=$simpid
simpid=""
wait "$pid" || { echo "FAIL simulator exit $?"; tail -n 30 "$work/sim.err"; exit 1; }
[ -s "$work/sim.json" ] || { echo "FAIL simulator wrote no dump"; exit 1; }

# Render the recorded ticks with their position, level, time of day and
# engine clock.
"$py" - "$work/play.json" > "$work/ticks.txt" <<'PY'
import json, sys
for t in json.load(open(sys.argv[1]))["lastTicks"]:
    print(t["tick"], repr(t["m_dPosition"]), t["level"], t["clock"], t["elapsed"])
PY
while read -r tick position level clock elapsed; do
  run "$cli" --workspace "$work/ws" render "$music.tlf" --at "$position" --level "$level" \
    --clock "$clock" --elapsed "$elapsed" > "$work/render-$tick.json" < /dev/null
done < "$work/ticks.txt"
read -r tick position level clock elapsed < "$work/ticks.txt"
# Both ticks in one run, for how far each motor counter moved on the last one
# (the counters move when a spring meets a new block or step, which only the
# tick before tells). The end is nudged past the last position so that the
# rounding of start + step cannot drop the second tick.
if [ "$(wc -l < "$work/ticks.txt")" -eq 2 ]; then
  previous=$(sed -n 2p "$work/ticks.txt" | cut -d' ' -f2)
  run "$cli" --workspace "$work/ws" render "$music.tlf" --at "$previous" \
    --to "$("$py" -c "print(repr($position + 0.001))")" --step "$("$py" -c "print(repr($position - $previous))")" \
    --level "$level" --clock "$clock" --elapsed "$elapsed" > "$work/render-pair.json"
fi
# The level the music gives at the last position, from render's own analysis.
run "$cli" --workspace "$work/ws" render "$music.tlf" --at "$position" --music "$music" \
  --clock "$clock" --elapsed "$elapsed" > "$work/render-music.json"
run "$cli" --workspace "$work/ws" render "$music.tlf" --at "$("$py" -c "print(repr($position - 1000))")" \
  --level "$level" --clock "$clock" --elapsed "$((elapsed > 1000 ? elapsed - 1000 : 0))" > "$work/render-earlier.json"

"$py" - "$work" <<'PY'
import json, os, sys

work = sys.argv[1]
play = json.load(open(os.path.join(work, "play.json")))
scene = json.load(open(os.path.join(work, "scene.json")))
dump = json.load(open(os.path.join(work, "sim.json")))
failures = 0

def check(name, ok, detail=""):
    global failures
    print(("ok   " if ok else "FAIL ") + name + ("" if ok or not detail else ": " + detail))
    if not ok:
        failures += 1

ticks = play["lastTicks"]
print("play: %d engine ticks, %d pacer ticks (%d skipped), position %.1f, pacer counter %d"
      % (play["engineTicks"], play["pacerTicks"], play["pacerSkipped"], play["m_dPlayPos"], play["pacerCounter"]))
# The pacer stops first: stopped at 10..20 it had woken the engine after the
# senders' last wake-up, so their last pass most likely copied the tick before.
predicted = None
if len(ticks) == 2:
    predicted = ticks[1]["tick"] if play["pacerCounter"] >= 10 else ticks[0]["tick"]
    print("pacer stopped at counter %d: the senders' last pass most likely copied tick %d"
          % (play["pacerCounter"], predicted))
check("play recorded the engine's last two ticks", len(ticks) == 2 and ticks[0]["tick"] == ticks[1]["tick"] + 1
      and ticks[0]["tick"] == play["engineTicks"])
# Past the preparation time, so the positions come from the music.
prepare = scene["PrepareTime"]
check("the last tick is inside the music", len(ticks) > 0 and ticks[0]["m_dPosition"] > prepare + 1000,
      str(ticks[0]["m_dPosition"] if ticks else None))
music_level = json.loads(open(os.path.join(work, "render-music.json")).readline())["level"]
check("the level is the music's at the last position (%s)" % music_level,
      len(ticks) > 0 and 0 < ticks[0]["level"] <= 128 and ticks[0]["level"] == music_level,
      str(ticks[0]["level"] if ticks else None))

configured = [c for c in play["channels"] if c["IP"] != "0.0.0.0"]
check("seven configured channels", len(configured) == 7 and {scene["channels"][c["channel"] - 1]["regType"]
      for c in configured} == {0, 1, 2, 3, 5}, str(len(configured)))
for c in play["channels"]:
    row = scene["channels"][c["channel"] - 1]
    # Function 0xF0 (light and moving-head data) is never answered, so such a
    # channel counts sends only and its line reads 发[n]收[0].
    light = row["regType"] in (3, 5)
    n = c["m_nSendCount"]
    if c["IP"] == "0.0.0.0":
        continue
    want = "发[%d]收[%d]" % (n, 0 if light else n)
    print("channel %d (regType %d): %s, %d sent, %d received"
          % (c["channel"], row["regType"], c["szStatus"], n, c["m_nRecvCount"]))
    check("channel %d status %s with n > 0" % (c["channel"], want),
          n > 0 and c["szStatus"] == want and c["m_nRecvCount"] == (0 if light else n), c["szStatus"])
    h = c["health"]
    check("channel %d health: connected, counters as the sender's, no failure" % c["channel"],
          h["state"] == "connected" and h["requestsSent"] == n and h["repliesReceived"] == c["m_nRecvCount"]
          and h["exchangesFailed"] == 0 and h["reconnects"] == 0 and h["lastError"] == "", str(h))
    check("channel %d health: round trips of replies only" % c["channel"],
          (h["p50RoundTripUs"] == -1 and h["lastGoodReplyUnixMs"] == -1) if light else
          (0 < h["p50RoundTripUs"] <= h["p99RoundTripUs"] and h["roundTripsInWindow"] > 0
           and h["lastGoodReplyUnixMs"] > 0), str(h))
snap = play["engineSnapshot"]
check("the engine snapshot is of a tick the engine ran, with every spring of the scene",
      snap is not None and 0 < snap["tick"] <= play["engineTicks"] and snap["springs"] == len(scene["springs"])
      and snap["groups"] == len(scene["groups"]) and snap["tickPeriodMs"] > 0 and snap["latenessMs"] >= 0, str(snap))
check("channels connected when play stopped", play["channelsConnected"] == len(configured),
      str(play["channelsConnected"]))

renders = {}
for t in ticks:
    lines = open(os.path.join(work, "render-%d.json" % t["tick"])).read().splitlines()
    check("render ran tick %d" % t["tick"], len(lines) == 1)
    if lines:
        r = json.loads(lines[0])
        check("render evaluated position and level of tick %d" % t["tick"],
              r["position"] == t["m_dPosition"] and r["level"] == t["level"])
        renders[t["tick"]] = {c["channel"]: c for c in r["channels"]}

endpoints = {e["listen"]: e for e in dump["endpoints"]}

# Motor records start with a sequence number that advances once for every new
# (block, step) the engine meets; its value depends on every tick since the
# start, at the positions the real clock gave them, which one rendered tick
# cannot know. Those registers are left out of the image comparison and
# checked against the counters the engine itself reached instead.
def sequence_slots(channel):
    slots = {}
    for s in scene["springs"]:
        for block, com, key in (("BLOCKID2", "COMID2", "m_nSeqY"), ("BLOCKID3", "COMID3", "m_nSeqZ")):
            if s[block] == channel and s[com].isdigit() and int(s[com]) >= 1:
                slots[int(s[com]) - 1] = (s["ID"], key)
    return slots

engine_seq = {s["ID"]: s for s in play["motorSprings"]}

def previous_seq(v, times=1):
    for _ in range(times):
        v = 255 if v == 123 else v - 1
    return v

def seq_steps(before, after):
    """How many advances of the 123..255 counter lead from before to after."""
    steps = 0
    while before != after and steps < 133:
        before = 123 if before >= 255 else before + 1
        steps += 1
    return steps

# Advances of every counter on the last tick, from the two-tick render.
moved = {}
pair = [json.loads(l) for l in open(os.path.join(work, "render-pair.json")).read().splitlines()] \
    if os.path.exists(os.path.join(work, "render-pair.json")) else []
check("the two-tick render gave both ticks", len(pair) == 2, str(len(pair)))
if len(pair) == 2:
    first = {s["ID"]: s for s in pair[0]["springs"]}
    for s in pair[1]["springs"]:
        for key in ("m_nSeqY", "m_nSeqZ"):
            moved[(s["ID"], key)] = seq_steps(first[s["ID"]][key] & 0xFF, s[key] & 0xFF)
    print("motor counters moved on the last tick: %d, by up to %d"
          % (sum(1 for v in moved.values() if v), max(moved.values(), default=0)))

def sequence_mismatches(got, row, channel, hits, slots):
    """Slots whose number is not what the engine ended with (image of the
    last tick) or, for the tick before, that number less the last tick's
    advances; a record the tick did not write must be 0."""
    bad = []
    for slot, (sid, key) in sorted(slots.items()):
        final = engine_seq[sid][key] & 0xFF
        value = got[slot] if slot < len(got) else None
        fine = False
        for h in hits:
            if expected(row, channel, renders[h])[slot] == 0:
                fine = fine or value in (0, None)
            elif h == ticks[0]["tick"]:
                fine = fine or value == final
            else:
                fine = fine or value == previous_seq(final, moved.get((sid, key), 0))
        if not fine:
            bad.append("%d: %s (spring %d %s %d)" % (slot, value, sid, key, final))
    return bad

def simulated(row, channel):
    """What the simulator holds for the channel, as register values, coil
    bits or light bytes; None when it received nothing."""
    e = endpoints.get("%s:%d" % (row["IP"], row["port"]))
    if e is None:
        return None
    unit = next((u for u in e["units"] if u["unit"] == row["deviceID"] & 0xFF), None)
    if unit is None:
        return None
    T, base = row["tagNum"], row["nStartNum"] - 1
    if row["regType"] in (3, 5):
        return bytes.fromhex(unit["f0"])
    if row["regType"] == 0:
        return [unit["coils"].get(str(base + i)) for i in range(T)]
    return [unit["holding"].get(str(base + i)) for i in range(T)]

def expected(row, channel, rendered):
    c = rendered.get(channel)
    if c is None:
        return None
    frame = bytes.fromhex(c["frame"])
    T = row["tagNum"]
    if row["regType"] in (3, 5):
        return frame[13:]
    if row["regType"] == 0:
        return [(frame[13 + i // 8] >> (i % 8)) & 1 for i in range(T)]
    if row["regType"] in (1, 2):
        return [v & 0xFFFF for v in c["slots"][:T]]
    return [int.from_bytes(frame[13 + 2 * i:15 + 2 * i], "big") for i in range(T)]

def differences(got, want, skip):
    if got is None or want is None or len(got) != len(want):
        return ["missing or of another size"]
    return ["%d: %s != %s" % (i, got[i], want[i]) for i in range(len(want)) if i not in skip and got[i] != want[i]]

earlier = None
lines = open(os.path.join(work, "render-earlier.json")).read().splitlines()
if lines:
    earlier = {c["channel"]: c for c in json.loads(lines[0])["channels"]}
distinguished = []
matched = {}
matched_all = {}
for c in configured:
    ch = c["channel"]
    row = scene["channels"][ch - 1]
    got = simulated(row, ch)
    skip = sequence_slots(ch) if row["regType"] == 2 else {}
    diffs = {}
    for t in ticks:
        if t["tick"] in renders:
            diffs[t["tick"]] = differences(got, expected(row, ch, renders[t["tick"]]), skip)
    hits = [tick for tick, d in diffs.items() if not d]
    hit = hits[0] if hits else None
    matched[ch] = hit
    matched_all[ch] = hits
    detail = "; ".join("tick %d: %s" % (tick, ", ".join(d[:5])) for tick, d in diffs.items())
    nonzero = got is not None and any(v for v in got if v)
    check("channel %d image equals render at tick %s%s"
          % (ch, " and ".join(map(str, hits)) or "none", "" if nonzero else " (all zero)"), hit is not None, detail)
    # The same comparison against a moment one second earlier must fail
    # somewhere, or it could not tell one tick from another.
    if earlier is not None:
        away = differences(got, expected(row, ch, earlier), skip)
        if away:
            distinguished.append(ch)
    if skip and got is not None and hits:
        bad = sequence_mismatches(got, row, ch, hits, skip)
        used = [i for i in sorted(skip) if i < len(got) and got[i]]
        check("channel %d: %d of %d motor sequence numbers in use, each the engine's own counter"
              % (ch, len(used), len(skip)), not bad, ", ".join(bad[:5]))

if len(renders) == 2:
    a, b = (renders[t["tick"]] for t in ticks)
    moving = [c["channel"] for c in configured
              if differences(expected(scene["channels"][c["channel"] - 1], c["channel"], a),
                             expected(scene["channels"][c["channel"] - 1], c["channel"], b),
                             sequence_slots(c["channel"]))]
    print("the last two ticks differ on channels %s" % moving)
check("the images tell the last tick from one a second earlier", len(distinguished) >= 1, str(distinguished))
if predicted is not None:
    print("the senders' last pass copied the predicted tick on %d of %d channels"
          % (sum(1 for c in configured if predicted in matched_all.get(c["channel"], [])), len(configured)))
lit = sum(1 for ch, hit in matched.items() if hit is not None and any(simulated(scene["channels"][ch - 1], ch) or []))
check("the comparison covers channels with outputs", lit >= 3, str(lit))
print("%d failures" % failures)
sys.exit(1 if failures else 0)
PY
