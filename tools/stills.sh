#!/usr/bin/env bash
# Regenerates the stills of the shipped demo shown at the top of the README
# (docs/stills/*.jpg) with the engine's own capture:
#
#   tools/stills.sh
#
# Each still is a one-frame capture at its moment (a capture from part-way
# replays the demo up to there, so flashes, fades and text panels are as the
# demo shows them), scaled to 320 x 240 by ffmpeg. The capture is
# deterministic: the same demo always gives the same files. After changing the
# demo, run this and commit docs/stills/. Needs ffmpeg (tools/deps.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

# name     moment ms
STILLS=(
  "1-intro   7000"
  "2-panel  23000"
  "3-burst  48500"
  "4-deck   74000"
)
RATE=20
SIZE=320:240

./tools/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target vortexel >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p docs/stills
for still in "${STILLS[@]}"; do
  read -r name at <<<"$still"
  echo "still $name: the demo at $at ms" >&2
  ./build/vortexel --data Data --capture "$work/$name" --fps "$RATE" --start "$at" \
    --until "$at" </dev/null 2>"$work/log" || { cat "$work/log" >&2; exit 1; }
  last=$(ls "$work/$name"/frame_*.png | tail -n 1)
  ffmpeg -nostdin -v error -y -i "$last" -vf "scale=$SIZE:flags=lanczos" -q:v 3 \
    -fflags +bitexact -flags:v +bitexact "docs/stills/$name.jpg"
  rm -rf "${work:?}/$name"
done
ls -l docs/stills >&2
