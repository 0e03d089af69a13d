#!/usr/bin/env bash
# The main job on the bundled sample.
set -euo pipefail
build=${1:-build}
"$build/orxa-smoke" "$build/liborxa_flac.so"
