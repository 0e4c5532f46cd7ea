#!/bin/sh
# Makes docs/screenshot.png for the README: the built program on its own Xvfb (never the
# desktop's display), a walk of sixty spins typed into the number box and Enter pressed.
# Usage: scripts/screenshot.sh [PROGRAM] [OUTPUT]   (defaults: build/tarvelon, docs/screenshot.png)
# Needs Debian's xvfb, xdotool, python3 and python3-xlib.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
program=${1:-$root/build/tarvelon}
output=${2:-$root/docs/screenshot.png}
if [ ! -x "$program" ]; then
  echo "no program at $program: run 'make build' first" >&2
  exit 1
fi
mkdir -p "$(dirname "$output")"
exec /usr/bin/python3 -B "$root/scripts/screenshot.py" "$program" "$output"
