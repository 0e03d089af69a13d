#!/usr/bin/env bash
# Installs every Debian package the project builds, tests or benchmarks with.
# Does nothing (and needs no network) when all of them are present already.
set -euo pipefail

packages=(
  build-essential cmake make pkg-config
  libflac-dev libsoxr-dev nettle-dev libsndfile1-dev libcli11-dev
  libtinyxml2-dev libsqlite3-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  # The fuzz targets: clang and the libFuzzer runtime of the clang version Debian ships (14).
  clang libclang-rt-14-dev
  unicode-data
  flac sox bsdutils python3 time
)

# `deps.sh --bench` adds what only the benchmarks compare against: ffmpeg (with libsoxr) brings in
# some 80 packages that building and testing never need.
if [ "${1:-}" = "--bench" ]; then
  packages+=(ffmpeg)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

[ ${#missing[@]} -eq 0 ] && exit 0

echo "deps: installing ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
