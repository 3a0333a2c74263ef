#!/usr/bin/env bash
# Makes the MP3 test fixtures (tests/media/fixtures) and the demo music
# (demo/Music/demo.mp3) from sounds synthesised here with sox and encoded with
# lame. Everything is generated; nothing comes from elsewhere. The outputs are
# committed so that the tests need neither tool.
#   scripts/make-fixtures.sh [fixtures|demo|all]   (default all)
set -euo pipefail
cd "$(dirname "$0")/.."
what=${1:-all}
command -v sox >/dev/null && command -v lame >/dev/null \
  || { echo "needs sox and lame (scripts/deps.sh test)" >&2; exit 1; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
enc() { lame --quiet --noreplaygain "$@"; }

if [ "$what" = fixtures ] || [ "$what" = all ]; then
  out=tests/media/fixtures
  mkdir -p "$out"
  # 3445.3 Hz is bin 10 of a 128-point transform at 44.1 kHz and bin 20 at 22.05 kHz.
  sox -n -r 44100 -c 2 -b 16 "$tmp/tone44.wav" synth 4 sine 3445.3 vol 0.5
  enc -b 64 --cbr -m j --resample 44.1 "$tmp/tone44.wav" "$out/cbr44_stereo.mp3"
  sox -n -r 22050 -c 1 -b 16 "$tmp/tone22.wav" synth 3 sine 3445.3 vol 0.5
  enc -b 32 --cbr -m m --resample 22.05 "$tmp/tone22.wav" "$out/mono22.mp3"
  # Sweeping tone with loudness changes, so the frame sizes really vary.
  sox -n -r 44100 -c 2 -b 16 "$tmp/sweep.wav" synth 4 sine 200-6000 tremolo 3 80 vol 0.6
  enc -V 5 --resample 44.1 "$tmp/sweep.wav" "$out/vbr.mp3"
  sox -n -r 44100 -c 2 -b 16 "$tmp/silence.wav" trim 0 2
  enc -b 64 --cbr --resample 44.1 "$tmp/silence.wav" "$out/silence.mp3"
  sox -n -r 44100 -c 2 -b 16 "$tmp/short.wav" synth 0.5 sine 3445.3 vol 0.5
  enc -b 64 --cbr --resample 44.1 "$tmp/short.wav" "$out/short.mp3"
  python3 - "$out" <<'PY'
import os, random, sys
out = sys.argv[1]
cbr = open(os.path.join(out, "cbr44_stereo.mp3"), "rb").read()
rnd = random.Random(5)
# Tags at both ends. The ID3v2 body (with the footer flag set) is made of real
# frames from the middle of the file, so a decoder that failed to skip the tag
# would play them as audio; the ID3v1 block carries a frame header too.
body = cbr[len(cbr) // 2: len(cbr) // 2 + 3000]
size = len(body)
syncsafe = bytes([(size >> 21) & 0x7f, (size >> 14) & 0x7f, (size >> 7) & 0x7f, size & 0x7f])
v2 = b"ID3\x04\x00\x10" + syncsafe + body + b"3DI\x04\x00\x10" + syncsafe
v1 = b"TAG" + cbr[len(cbr) // 3: len(cbr) // 3 + 60] + bytes(65)
open(os.path.join(out, "tagged.mp3"), "wb").write(v2 + cbr + v1)
# A stretch of noise over the middle of the stream.
mid = len(cbr) // 2
bad = bytearray(cbr)
bad[mid:mid + 3000] = bytes(rnd.randrange(256) for _ in range(3000))
open(os.path.join(out, "corrupt.mp3"), "wb").write(bytes(bad))
# Cut in the middle of a frame.
open(os.path.join(out, "truncated.mp3"), "wb").write(cbr[: len(cbr) * 6 // 10 + 37])
# A tag that claims far more bytes than the file has, then audio.
huge = b"ID3\x04\x00\x00\x7f\x7f\x7f\x7f"
open(os.path.join(out, "huge_tag.mp3"), "wb").write(huge + cbr[:4000])
open(os.path.join(out, "empty.mp3"), "wb").write(b"")
open(os.path.join(out, "not_mp3.mp3"), "wb").write(
    b"This is a text file with an .mp3 name; it holds no MPEG audio.\n" * 40)
PY
  ls -l "$out" >&2
fi

if [ "$what" = demo ] || [ "$what" = all ]; then
  # About 34 s: a chord progression with a pulsing bass, quiet intro, loud
  # middle and a fade, so the loudness records have something to follow.
  parts=()
  i=0
  for chord in "A3 C4 E4" "F3 A3 C4" "C4 E4 G4" "G3 B3 D4" "A3 C4 E4" "F3 A3 C4" "D4 F4 A4" "E4 G#4 B4"; do
    read -r a b c <<<"$chord"
    sox -n -r 44100 -c 2 -b 16 "$tmp/c$i.wav" synth 4.25 pluck "$a" pluck "$b" pluck "$c" \
      tremolo 4 60 fade q 0.05 4.25 0.3
    parts+=("$tmp/c$i.wav")
    i=$((i + 1))
  done
  sox "${parts[@]}" "$tmp/chords.wav"
  sox "$tmp/chords.wav" "$tmp/demo.wav" gain -n -3 fade t 3 -0 4 \
    vol 0.4 0 vol 1 8 vol 1 24 vol 0.5 34 2>/dev/null || sox "$tmp/chords.wav" "$tmp/demo.wav" gain -n -3 fade t 3 -0 4
  mkdir -p demo/Music
  enc -b 64 --cbr --resample 44.1 "$tmp/demo.wav" demo/Music/demo.mp3
  ls -l demo/Music/demo.mp3 >&2
fi
