#!/usr/bin/env bash
# Fails when a file outside the ui/ folders (and the desktop program's main,
# tools/velmora/) includes a Qt header.
set -eu
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root"
hits=$(grep -rnE '^\s*#\s*include\s*[<"](Q[A-Z][A-Za-z]*|Qt[A-Za-z]*/[^>"]*)[>"]' src tools 2>/dev/null \
  | grep -vE '^(src/(([^/]+/)?ui)|tools/velmora)/' || true)
if [ -n "$hits" ]; then
  echo "Qt headers included outside ui/ folders:"
  echo "$hits"
  exit 1
fi
echo "no Qt headers outside ui/ folders"
