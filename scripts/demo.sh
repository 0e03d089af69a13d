#!/usr/bin/env bash
# The main job on the bundled sample: look at it, check it, decode it, resample it, look at the
# result. Outputs are named as flac names them; -f replaces those of an earlier run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
tool="$build/orxa-host"
sample="$root/samples/orxa-demo.flac"
out="$build/demo"
mkdir -p "$out"

step() { printf '\n== %s\n' "$*"; }

step "orxa-host --version"
"$tool" --version

step "orxa-host info $sample"
"$tool" info "$sample"

step "orxa-host test $sample"
"$tool" test "$sample"

step "orxa-host decode -f -d $out $sample"
"$tool" decode -f -d "$out" "$sample"

step "orxa-host transcode -f --rate 48000 $sample -o $out/orxa-demo-48k.flac"
"$tool" transcode -f --rate 48000 "$sample" -o "$out/orxa-demo-48k.flac"

step "orxa-host info $out/orxa-demo-48k.flac"
"$tool" info "$out/orxa-demo-48k.flac"

step "outputs"
ls -l "$out/orxa-demo.wav" "$out/orxa-demo-48k.flac"
