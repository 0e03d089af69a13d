#!/usr/bin/env bash
# The reference decoder is the floor the plug-in's decoding is timed against, so it must do the
# same work: for every depth flac reads from WAV and for 1, 2 and 6 channels its bytes equal
# orxa-host's raw output and flac's raw little-endian output (8-bit unsigned, as ours).
set -euo pipefail
reference=${1:?usage: check-reference-decoder.sh flac-reference-decoder orxa-host}
host=${2:?usage: check-reference-decoder.sh flac-reference-decoder orxa-host}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

status=0
for layout in "44100 2 16" "22050 1 8" "96000 2 24" "48000 6 16" "48000 1 24"; do
  read -r rate channels bits <<<"$layout"
  name="$dir/r$rate-c$channels-b$bits"
  sox -q -n -r "$rate" -c "$channels" -b "$bits" -t wavpcm "$name.wav" \
      synth 3 pluck 220 pinknoise vol 0.5
  flac -s -f --channel-map=none -o "$name.flac" "$name.wav" 2>/dev/null
  sign=signed
  [ "$bits" = 8 ] && sign=unsigned
  "$reference" "$name.flac" >"$name.ref"
  "$host" -q decode "$name.flac" -o - -t raw --no-md5 >"$name.host"
  flac -s -d -f -c --force-raw-format --endian=little --sign=$sign "$name.flac" >"$name.flacraw"
  [ -s "$name.ref" ] || { echo "reference decoder wrote nothing at $layout"; status=1; }
  for other in host flacraw; do
    if ! cmp -s "$name.ref" "$name.$other"; then
      echo "reference decoder differs from $other at $layout"
      status=1
    fi
  done
done
exit $status
