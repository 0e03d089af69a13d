#!/usr/bin/env bash
# Seeds for the FLAC source's fuzz target: a few small files made by sox and flac, each in
# front of every layout choice the target reads from its first byte. Generated, not committed.
set -euo pipefail
out=${1:?usage: fuzz-seeds.sh DIR}
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
n=0
seed() { # rate channels bits blocksize extra-flac-options...
  local rate=$1 channels=$2 bits=$3 block=$4
  shift 4
  sox -n -r "$rate" -b "$bits" -c "$channels" "$work/in.wav" synth 0.05 sine 440 sine 660 vol 0.5
  flac -s -f --channel-map=none --blocksize="$block" "$@" -o "$work/in.flac" "$work/in.wav"
  for choice in 00 01 06 83 c0; do
    { printf "\\x$choice"; cat "$work/in.flac"; } >"$out/seed-$n-$choice"
  done
  n=$((n + 1))
}
seed 8000 1 8 192
seed 22050 2 16 576 -T TITLE=seed --padding=16
seed 44100 2 16 1152 -S 0.01s
seed 48000 6 24 256
seed 96000 1 24 4096 --lax -l 32
echo "$n seed files in $out"
