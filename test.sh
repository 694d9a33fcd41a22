#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test with CTest.
# VORTEXEL_SANITIZE=1 ./test.sh builds and runs the suite under ASan+UBSan
# (build-asan); VORTEXEL_SANITIZE=thread ./test.sh under ThreadSanitizer
# (build-tsan), where a data race fails the test that ran into it.
# After the plain suite, the browser build's tests (tests/web/run.sh);
# VORTEXEL_WEB_TESTS=0 skips them.
set -euo pipefail
cd "$(dirname "$0")"
./tools/deps.sh
dir=build
opts=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
ctest_opts=()
case "${VORTEXEL_SANITIZE:-0}" in
  1)
    dir=build-asan
    opts=(-DCMAKE_BUILD_TYPE=Debug -DVORTEXEL_SANITIZE=ON)
    ;;
  thread)
    dir=build-tsan
    opts=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORTEXEL_SANITIZE=thread)
    # Races inside libraries that are not built with the sanitizer (the GL
    # driver's own threads, SDL's) are theirs: tests/tsan.supp names them.
    # The packages and the fuzz corpus hold no threads of the engine's.
    export TSAN_OPTIONS="suppressions=$PWD/tests/tsan.supp second_deadlock_stack=1 ${TSAN_OPTIONS:-}"
    ctest_opts=(-E '^(packaging[.]|fuzz_corpus_)')
    ;;
esac
cmake -S . -B "$dir" "${opts[@]}" >/dev/null
cmake --build "$dir" -j"$(nproc)"
(cd "$dir" && ctest --output-on-failure -j"$(nproc)" --timeout 600 "${ctest_opts[@]}")
if [ "$dir" = build ] && [ "${VORTEXEL_WEB_TESTS:-1}" != 0 ]; then
  ./tests/web/run.sh
fi
