#!/usr/bin/env bash
# The main job on the bundled sample: look at it, decode it, resample it, look at the result.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
tool="$build/orxa-host"
sample="$root/samples/orxa-demo.flac"
out="$build/demo"
mkdir -p "$out"

step() { printf '\n== %s\n' "$*"; }

step "orxa-host info $sample"
"$tool" info "$sample"

step "orxa-host decode $sample $out/orxa-demo.wav"
"$tool" decode "$sample" "$out/orxa-demo.wav"

step "orxa-host transcode --rate 48000 $sample $out/orxa-demo-48k.flac"
"$tool" transcode --rate 48000 "$sample" "$out/orxa-demo-48k.flac"

step "orxa-host info $out/orxa-demo-48k.flac"
"$tool" info "$out/orxa-demo-48k.flac"

step "outputs"
ls -l "$out/orxa-demo.wav" "$out/orxa-demo-48k.flac"
