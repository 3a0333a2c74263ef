#!/usr/bin/env bash
# A stop signal that arrives while play is still starting its workers ends the
# run in order: exit status 0, the JSON summary says so, and the whole run,
# shutdown included, stays inside the stop bounds (engine 3 s, senders 5 s).
# Channels point at loopback ports nobody listens on; no network beyond it.
# usage: play_signal_test.sh VELMORA_CLI SOURCE_DIR
set -euo pipefail
cli=$1
src=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$src/demo" "$work/ws"
export VELMORA_AUDIO=null

for signal in TERM INT; do
    "$cli" --workspace "$work/ws" play --for 30 >"$work/out.json" 2>"$work/err.txt" &
    pid=$!
    # Wait until the first worker thread exists: the workers are being started.
    for _ in $(seq 1 2000); do
        threads=$(ls "/proc/$pid/task" 2>/dev/null | wc -l || true)
        [ "${threads:-0}" -ge 2 ] && break
        sleep 0.005
    done
    sent=$(date +%s.%N)
    kill "-$signal" "$pid"
    status=0
    wait "$pid" || status=$?
    took=$(echo "$(date +%s.%N) - $sent" | bc)
    if [ "$status" -ne 0 ]; then
        echo "SIG$signal during start-up: exit status $status"; cat "$work/err.txt"; exit 1
    fi
    if ! grep -q '"stoppedBySignal":true' "$work/out.json"; then
        echo "SIG$signal during start-up: summary does not report the signal"; cat "$work/out.json"; exit 1
    fi
    if [ "$(echo "$took > 10" | bc)" -eq 1 ]; then
        echo "SIG$signal during start-up: took ${took}s to end"; exit 1
    fi
    echo "SIG$signal during start-up: ended in order after ${took}s"
done
