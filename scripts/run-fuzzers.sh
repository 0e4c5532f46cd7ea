#!/bin/sh
# Runs every fuzz target built into <build>/fuzz for <seconds> each, starting from the seed
# corpus kept in fuzz/corpus/<target>. New inputs go to a scratch folder, never into the repo.
# Prints each target's executions per second; fails on the first target that finds a fault.
set -e
build="${1:-build-fuzz}"
seconds="${2:-60}"
root="$(cd "$(dirname "$0")/.." && pwd)"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
for target in "$build"/fuzz/fuzz_*; do
  [ -f "$target" ] && [ -x "$target" ] || continue
  name="$(basename "$target")"
  area="${name#fuzz_}"
  mkdir -p "$scratch/$area"
  cp "$root/fuzz/corpus/$area/"* "$scratch/$area/" 2>/dev/null || true
  log="$scratch/$name.log"
  if ! "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 \
      -artifact_prefix="$scratch/$name-" "$scratch/$area" >"$log" 2>&1; then
    tail -n 40 "$log"
    for artifact in "$scratch/$name-"*; do
      [ -f "$artifact" ] && cp "$artifact" "$root/" && echo "kept $(basename "$artifact")"
    done
    echo "$name: FAULT FOUND"
    exit 1
  fi
  runs="$(sed -n 's/^Done \([0-9]*\) runs in \([0-9]*\) second.*/\1 \2/p' "$log")"
  set -- $runs
  echo "$name: $1 runs in $2 s, $(( $1 / ($2 > 0 ? $2 : 1) )) exec/s, clean"
done
