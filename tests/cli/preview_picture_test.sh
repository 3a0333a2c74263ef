#!/usr/bin/env bash
# The 3D preview drawn by the command line: the demo show over a small model
# of our own (tests/cli/preview/make_model.py), at a fixed position, compared
# with the committed reference picture; the same arguments give the same
# picture; a missing camera preset is refused; and the demo as shipped, its
# textured site included, against a reference of its own. Skipped (exit 77)
# where no OpenGL context can be made.
#   preview_picture_test.sh VELMORA_CLI SOURCE_DIR
# To make the references again after a deliberate change of the drawing or
# of the demo site (scripts/make-site3d.py):
#   VELMORA_UPDATE_REFERENCE=1 tests/cli/preview_picture_test.sh build/dev/velmora-cli .
set -euo pipefail
source "$(dirname "$0")/common.sh"
here=$(cd "$(dirname "$0")" && pwd)
reference="$here/preview/demo-8000ms.png"
site_reference="$here/preview/demo-site-8000ms.png"
cp -r "$src/demo" "$work/site"  # the demo as shipped, before this test replaces its model

rm -rf "$work/ws"/[Mm][Oo][Dd][Ee][Ll]  # whatever model the demo has, this test draws its own
"$py" "$here/preview/make_model.py" "$work/ws/Model"
args=(--workspace "$work/ws" preview "$work/ws/Music/demo.mp3.tlf" --at 8000)
if ! "$cli" "${args[@]}" --png "$work/a.png" > "$work/a.json" 2> "$work/a.err"; then
  if grep -q "no OpenGL context" "$work/a.err"; then
    echo "skipped: $(cat "$work/a.err")"
    exit 77
  fi
  cat "$work/a.err"
  exit 1
fi
check "preview reports the picture, the model and the jets" \
  'j["width"] == 500 and j["height"] == 400 and j["objects"] == 2 and j["springs"] >= 60 and j["particles"] == 20 * j["springs"] and j["readout"] == "Position:-200 900 3600 LookAt:-200 -300 700"' < "$work/a.json"

if [ "${VELMORA_UPDATE_REFERENCE:-}" = 1 ]; then
  cp "$work/a.png" "$reference"
  echo "reference written: $reference"
fi
if "$py" "$here/preview/compare_png.py" "$work/a.png" "$reference"; then
  pass "picture matches the reference"
else
  cp "$work/a.png" "$here/preview/demo-8000ms.actual.png" 2>/dev/null || true
  fail "picture differs from the reference (actual kept beside it as demo-8000ms.actual.png)"
fi

"$cli" "${args[@]}" --png "$work/b.png" > /dev/null 2>&1
cmp -s "$work/a.png" "$work/b.png" && pass "same arguments, same picture" || fail "two runs drew different pictures"
"$cli" "${args[@]}" --seed 2 --png "$work/c.png" > /dev/null 2>&1
cmp -s "$work/a.png" "$work/c.png" && fail "another seed drew the same jets" || pass "another seed moves the jitter"
"$cli" "${args[@]}" --camera 2 --size 320x200 --png "$work/d.png" > "$work/d.json" 2>&1
check "camera 2 at 320x200" 'j["width"] == 320 and j["readout"].startswith(("Position:-2599", "Position:-2600"))' < "$work/d.json"
if "$cli" "${args[@]}" --camera 3 --png "$work/e.png" > /dev/null 2> "$work/e.err"; then
  fail "camera 3 of 2 accepted"
else
  grep -q "has 2 camera" "$work/e.err" && pass "camera 3 of 2 refused" || fail "camera 3 refused without the reason"
fi

"$cli" --workspace "$work/site" preview "$work/site/Music/demo.mp3.tlf" --at 8000 --png "$work/site.png" > "$work/site.json"
check "the shipped site reads whole" 'j["objects"] == 19 and j["springs"] >= 60' < "$work/site.json"
if [ "${VELMORA_UPDATE_REFERENCE:-}" = 1 ]; then
  cp "$work/site.png" "$site_reference"
  echo "reference written: $site_reference"
fi
if "$py" "$here/preview/compare_png.py" "$work/site.png" "$site_reference"; then
  pass "the demo site matches its reference"
else
  cp "$work/site.png" "$here/preview/demo-site-8000ms.actual.png" 2>/dev/null || true
  fail "the demo site differs from its reference (actual kept beside it as demo-site-8000ms.actual.png)"
fi

[ "$failures" -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
