#!/usr/bin/env bash
# The demo in a browser: builds the engine and the shipped demo with Emscripten
# into build-web/ (vortexel.html with its .js, .wasm and .data).
#
#   ./web.sh            build (the libraries too, the first time: see tools/web-deps.sh)
#   ./web.sh --serve    build, then serve build-web/ on this machine and print the address
#
# Installs what is missing first (tools/deps.sh). VORTEXEL_WEB_PORT picks the
# port (8080); VORTEXEL_WEB_CACHE the library cache (~/.cache/vortexel-web).
set -euo pipefail
cd "$(dirname "$0")"

serve=0
for arg in "$@"; do
  case "$arg" in
    --serve) serve=1 ;;
    -h | --help)
      sed -n '2,9p' "$0" | sed 's/^# \{0,1\}//'
      exit 0
      ;;
    *)
      echo "web.sh: unknown argument $arg (try --help)" >&2
      exit 2
      ;;
  esac
done

./tools/deps.sh
export EM_FROZEN_CACHE=""          # Debian's emcc freezes its cache; empty lets it build
export NODE_PATH=/usr/share/nodejs # Node 20 finds emscripten's node modules here
prefix=$(./tools/web-deps.sh | tail -n 1)
emcmake cmake -S . -B build-web -DCMAKE_BUILD_TYPE=Release -DVORTEXEL_WEB_DEPS="$prefix" >/dev/null
cmake --build build-web -j"$(nproc)" --target vortexel

size() { stat -c %s "$1"; }
gz() { gzip -9 -c "$1" | wc -c; }
total=0
for f in vortexel.html vortexel.js vortexel.wasm vortexel.data; do
  total=$((total + $(gz "build-web/$f")))
done
echo "web.sh: build-web/vortexel.html, .js, .wasm, .data: $(( $(size build-web/vortexel.wasm) / 1024 )) KiB of wasm, $((total / 1024)) KiB to download (gzip -9)"

if [ "$serve" = 1 ]; then
  port=${VORTEXEL_WEB_PORT:-8080}
  echo "web.sh: serving build-web/ at http://127.0.0.1:$port/vortexel.html (Ctrl+C stops)"
  exec python3 -m http.server "$port" --bind 127.0.0.1 --directory build-web
fi
