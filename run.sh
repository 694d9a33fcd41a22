#!/usr/bin/env bash
# Installs what is missing, builds, and plays the demo.
# Extra arguments go to the program (see ./build/vortexel --help).
set -euo pipefail
cd "$(dirname "$0")"
./tools/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target vortexel
exec ./build/vortexel "$@"
