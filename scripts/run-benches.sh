#!/bin/sh
# Runs every benchmark program built into <build>/bench and prints their figures.
set -e
dir="${1:-build}/bench"
for b in "$dir"/bench_*; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b"
done
