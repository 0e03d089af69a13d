#!/usr/bin/env bash
# Synthesises samples/orxa-demo.flac: four seconds of stereo plucked-string arpeggios over a
# bass line, with tags. The file is committed; run this only to make it again.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/samples/orxa-demo.flac}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

rate=44100
# One bar per chord: the chord's notes plucked in turn, the bass note held under them.
chords=("C4 E4 G4 C5" "A3 C4 E4 A4" "F3 A3 C4 F4" "G3 B3 D4 G4")
basses=(C2 A1 F1 G1)
bars=()
for i in "${!chords[@]}"; do
    notes=()
    for n in ${chords[$i]}; do
        sox -n -r $rate -b 16 -c 1 "$work/n-$i-$n.wav" synth 0.25 pluck "$n" vol 0.5
        notes+=("$work/n-$i-$n.wav")
    done
    sox "${notes[@]}" "$work/arp-$i.wav"
    sox -n -r $rate -b 16 -c 1 "$work/bass-$i.wav" synth 1.0 pluck "${basses[$i]}" vol 0.6
    # Arpeggio leaning left, bass leaning right.
    sox -M "$work/arp-$i.wav" "$work/bass-$i.wav" "$work/bar-$i.wav" remix 1v0.8,2v0.3 1v0.3,2v0.8
    bars+=("$work/bar-$i.wav")
done
sox "${bars[@]}" "$work/song.wav" reverb 30 fade 0 4 0.3 norm -1
flac --silent --force -8 \
    -T "TITLE=Four Plucked Bars" -T "ARTIST=orxa_flac" -T "ALBUM=Samples" \
    -T "DATE=2026" -T "GENRE=Synthesised" -T "COMMENT=made by scripts/make-sample.sh" \
    -o "$out" "$work/song.wav"
echo "$out"
