# Sourced by the end-to-end scripts after `set -euo pipefail`, with the CLI
# and the source folder as $1 and $2: a copy of the demo workspace in a
# scratch folder removed on exit, and the ok/FAIL reporting they share.
cli=$(realpath "$1")
src=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$src/demo" "$work/ws"
failures=0
py=python3
[ -x /usr/bin/python3 ] && py=/usr/bin/python3
pass() { echo "ok   $1"; }
fail() { echo "FAIL $1"; failures=$((failures + 1)); }
check() {  # check NAME PYTHON-EXPRESSION-ON-j < json
  if "$py" -c "import json,sys; j=json.load(sys.stdin); sys.exit(0 if ($2) else 1)"; then pass "$1"; else fail "$1"; fi
}
