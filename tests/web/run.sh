#!/usr/bin/env bash
# The browser build's tests: builds build-web/ (./web.sh), captures the native
# pictures to compare with, and drives headless Chromium through
# tests/web/webtest.mjs.
#
#   tests/web/run.sh            build and test
#   tests/web/run.sh --measure  also the frame rates of both builds, one after
#                               the other in this run, and the download size
#   tests/web/run.sh --built    test the page ./web.sh built (CTest's web.browser,
#                               after ./test.sh built it); 77 when there is none
# Needs the native build in build/ (./test.sh makes it).
set -euo pipefail
cd "$(dirname "$0")/../.."

measure=0
build=1
case "${1:-}" in
  --measure) measure=1 ;;
  --built) build=0 ;;
esac

if [ "$build" = 1 ]; then
  start=$SECONDS
  ./web.sh
  echo "web tests: the browser build took $((SECONDS - start)) s" >&2
elif [ ! -f build-web/vortexel.html ] || [ ! -f build-web/vortexel.wasm ]; then
  echo "web tests: no browser build in build-web/ (./web.sh makes it)" >&2
  exit 77
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The native pictures: one frame at each moment, the timeline replayed from 0.
while read -r name moment; do
  [ -z "$name" ] && continue
  ./build/vortexel --data Data --capture "$work/$name" --start "$moment" --until "$moment" \
    </dev/null 2>"$work/$name.log" || { cat "$work/$name.log" >&2; exit 1; }
done < <(sed -n 's/^  \["\([^"]*\)", \([0-9]*\)\],$/\1 \2/p' tests/web/webtest.mjs)

export NODE_PATH=/usr/share/nodejs
if [ "$measure" = 1 ]; then
  echo "measure: native play on llvmpipe (headless, 20 s from 20000 ms):"
  VORTEXEL_HEADLESS=1 timeout -s INT 20 ./build/vortexel --data Data --windowed --start 20000 \
    </dev/null 2>&1 | grep "frames/s" || true
  export VORTEXEL_WEB_MEASURE=20
fi
keep=${VORTEXEL_WEB_KEEP:-$work}
node --experimental-websocket tests/web/webtest.mjs build-web "$work" "$keep"
