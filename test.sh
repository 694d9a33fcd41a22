#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test with CTest.
# VORTEXEL_SANITIZE=1 ./test.sh builds and runs the suite under ASan+UBSan.
# Then the browser build's tests (tests/web/run.sh); VORTEXEL_WEB_TESTS=0 skips them.
set -euo pipefail
cd "$(dirname "$0")"
./tools/deps.sh
dir=build
opts=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
if [ "${VORTEXEL_SANITIZE:-0}" = "1" ]; then
  dir=build-asan
  opts=(-DCMAKE_BUILD_TYPE=Debug -DVORTEXEL_SANITIZE=ON)
fi
cmake -S . -B "$dir" "${opts[@]}" >/dev/null
cmake --build "$dir" -j"$(nproc)"
(cd "$dir" && ctest --output-on-failure -j"$(nproc)" --timeout 600)
if [ "$dir" = build ] && [ "${VORTEXEL_WEB_TESTS:-1}" != 0 ]; then
  ./tests/web/run.sh
fi
