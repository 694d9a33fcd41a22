#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test with CTest.
# VORTEXEL_SANITIZE=1 ./test.sh builds and runs the suite under ASan+UBSan
# (build-asan); VORTEXEL_SANITIZE=thread ./test.sh under ThreadSanitizer
# (build-tsan), where a data race fails the test that ran into it.
# The plain suite also tests the browser build (./web.sh makes it before CTest
# runs; the test web.browser); VORTEXEL_WEB_TESTS=0 leaves both out.
set -euo pipefail
cd "$(dirname "$0")"
./tools/deps.sh
dir=build
web=0
[ "${VORTEXEL_WEB_TESTS:-1}" != 0 ] && web=1
opts=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORTEXEL_WEB_TESTS=$([ $web = 1 ] && echo ON || echo OFF))
ctest_opts=()
case "${VORTEXEL_SANITIZE:-0}" in
  1)
    dir=build-asan
    opts=(-DCMAKE_BUILD_TYPE=Debug -DVORTEXEL_SANITIZE=ON)
    web=0
    ;;
  thread)
    dir=build-tsan
    opts=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORTEXEL_SANITIZE=thread)
    web=0
    # Races inside libraries that are not built with the sanitizer (the GL
    # driver's own threads, SDL's) are theirs: tests/tsan.supp names them.
    # The packages and the fuzz corpus hold no threads of the engine's.
    export TSAN_OPTIONS="suppressions=$PWD/tests/tsan.supp second_deadlock_stack=1 ${TSAN_OPTIONS:-}"
    ctest_opts=(-E '^(packaging[.]|fuzz_corpus_)')
    ;;
esac
cmake -S . -B "$dir" "${opts[@]}" >/dev/null
cmake --build "$dir" -j"$(nproc)"
if [ $web = 1 ]; then
  start=$SECONDS
  ./web.sh
  echo "test.sh: the browser build took $((SECONDS - start)) s" >&2
fi
(cd "$dir" && ctest --output-on-failure -j"$(nproc)" --timeout 600 "${ctest_opts[@]}")
