#!/usr/bin/env bash
# Runs every benchmark built from bench/ and keeps its results as JSON beside the console output.
# Compare ratios measured within one run: the machines are shared and absolute times wander.
set -euo pipefail
build=${1:-build}
out="$build/bench-results"
mkdir -p "$out"
found=0
for exe in "$build"/bench_*; do
  [ -x "$exe" ] && [ -f "$exe" ] || continue
  found=1
  name=$(basename "$exe")
  echo "== $name"
  "$exe" --benchmark_out="$out/$name.json" --benchmark_out_format=json "${@:2}"
done
[ "$found" = 1 ] || { echo "no benchmarks in $build (is libbenchmark-dev installed?)" >&2; exit 1; }
echo "results: $out/"
