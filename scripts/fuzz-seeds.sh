#!/usr/bin/env bash
# Seeds for the fuzz targets that start from real files: small files made by sox and flac (the
# FLAC source's, each in front of every layout choice the target reads from its first byte),
# small WAV and AIFF files (the encoding job's) and a few short programs (the log and value
# list target's). Generated, not committed.
#   fuzz-seeds.sh DIR [flac_source|wav_encode|log_values]   (default flac_source)
set -euo pipefail
out=${1:?usage: fuzz-seeds.sh DIR [flac_source|wav_encode|log_values]}
target=${2:-flac_source}
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
n=0
tone() { # file rate channels bits
  sox -n -r "$2" -b "$4" -c "$3" "$1" synth 0.02 sine 440 sine 660 vol 0.5
}
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
case $target in
flac_source)
  seed 8000 1 8 192
  seed 22050 2 16 576 -T TITLE=seed --padding=16
  seed 44100 2 16 1152 -S 0.01s
  seed 48000 6 24 256
  seed 96000 1 24 4096 --lax -l 32
  ;;
wav_encode)
  for layout in "8000 1 8" "22050 2 16" "44100 2 24" "48000 6 16" "16000 1 32"; do
    set -- $layout
    tone "$out/seed-$n.wav" "$@"
    n=$((n + 1))
  done
  tone "$out/seed-$n.aiff" 11025 2 16
  n=$((n + 1))
  sox -n -r 8000 -b 16 -c 1 "$out/seed-$n.wav" synth 0.02 sine 440 \
    && printf 'LIST\x1a\x00\x00\x00INFOINAM\x06\x00\x00\x00title\x00' >>"$out/seed-$n.wav"
  n=$((n + 1))
  ;;
log_values)
  # opcode bytes: 0 log through the manager, 1 into a bridge, 2 an exception, 3 set, 4 get,
  # 5 remove, 6 a text value, 7 the whole list
  printf '\x00\x00\x03\x05hello\x04disk\x01\x00\x00\x00\x02\x03abc\x01x\x00\x00\x00\x00' >"$out/seed-$((n++))"
  printf '\x01\x03\x01\x00\x00\x00\x00\x2a\x00\x04\x01\x00\x07\x00\x05\x01\x00\x07\x01' >"$out/seed-$((n++))"
  printf '\x00\x06\x03\xc3\xa9x\x02\xf0\x9f\x8e\xb5\x06\x02aA\x01b\x07\x00' >"$out/seed-$((n++))"
  printf '\x00\x02\x04disk\x05CErr\x03\xff\xfe\x00\x00\x07\xfe\x05\x80\xc0\xe0\xf0\xf8\x01\x00' >"$out/seed-$((n++))"
  ;;
*)
  echo "fuzz-seeds.sh: no seeds for $target" >&2
  exit 2
  ;;
esac
echo "$n seeds in $out"
