#!/usr/bin/env bash
# Runs the desktop program's black-box tests in a private desktop session
# (Xvfb, D-Bus, AT-SPI) with the simulator as the controllers.
#   run.sh VELMORA VELMORA_SIM SOURCE_DIR [TEST...]
set -euo pipefail
velmora=$1 sim=$2 src=$3
shift 3
session=$src/../shared/tools/ui-session.sh
if [ ! -x "$session" ]; then
  echo "cannot find the desktop session script at $session" >&2
  exit 1
fi
exec "$session" /usr/bin/python3 "$src/tests/e2e/desktop_e2e.py" \
  --velmora "$velmora" --sim "$sim" --source "$src" "$@"
