#!/usr/bin/env bash
# Builds the libraries the browser build links (SDL2, Ogg, Vorbis, Opus, FLAC,
# libsndfile, libopenmpt, kissfft) with emcc, statically, from Debian's source
# packages (`apt-get source`). Emscripten's own ports are downloaded from the
# internet, which these machines cannot reach, so none of them is used.
#
# The result goes to a cache outside the build folder, one prefix per set of
# package versions, compiler version and recipe revision:
#   ${VORTEXEL_WEB_CACHE:-~/.cache/vortexel-web}/deps-<key>/{include,lib}
# A later run with the same key reuses it; a package whose stamp is there is not
# built again, so an interrupted run goes on where it stopped. The prefix is
# printed on the last line of stdout.
set -euo pipefail

# Bump when a recipe below changes what it installs.
RECIPE_REVISION=1
PACKAGES=(libsdl2 kissfft libogg libvorbis opus flac libsndfile libopenmpt)

export EM_FROZEN_CACHE=""             # Debian's emcc freezes its cache; empty (not 0) lets it build
export NODE_PATH=/usr/share/nodejs    # Node 20 finds emscripten's node modules here
jobs=${VORTEXEL_WEB_JOBS:-$(nproc)}

log() { echo "web-deps: $*" >&2; }

# The source version of each package, as `apt-get source` would fetch it.
versions=()
for p in "${PACKAGES[@]}"; do
  dsc=$(apt-get source --print-uris "$p" 2>/dev/null | grep -o "'[^']*\.dsc'" | head -n1 | tr -d "'")
  if [ -z "$dsc" ]; then
    log "no source package for $p (are the deb-src lines there? tools/deps.sh adds them)"
    exit 1
  fi
  versions+=("$(basename "$dsc")")
done
emver=$(emcc --version 2>/dev/null | head -n1)
key=$(printf '%s\n' "${versions[@]}" "$emver" "revision $RECIPE_REVISION" | sha256sum | cut -c1-16)
cache=${VORTEXEL_WEB_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/vortexel-web}
prefix=$cache/deps-$key
mkdir -p "$prefix/include" "$prefix/lib/pkgconfig" "$prefix/src" "$prefix/stamps"
printf '%s\n' "${versions[@]}" "$emver" "revision $RECIPE_REVISION" >"$prefix/versions.txt"

export PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig
export PKG_CONFIG_PATH=$prefix/lib/pkgconfig
export CFLAGS="-O2" CXXFLAGS="-O2" CPPFLAGS="-I$prefix/include" LDFLAGS="-L$prefix/lib"

# Unpacks a fresh copy of the package's source and prints its folder.
unpack() {
  local p=$1
  local dir=$prefix/src/$p
  rm -rf "$dir"
  mkdir -p "$dir"
  (cd "$dir" && apt-get source -q "$p" >"$dir.fetch.log" 2>&1) || {
    cat "$dir.fetch.log" >&2
    return 1
  }
  find "$dir" -mindepth 1 -maxdepth 1 -type d | head -n1
}

# Autotools packages: configure for emscripten, build, install into the prefix.
autotools() {
  local src=$1
  shift
  cd "$src"
  if [ ! -x configure ]; then autoreconf -fi >/dev/null; fi
  # Older config.sub files do not know the wasm32-unknown-emscripten host.
  find . -name config.sub -exec cp /usr/share/misc/config.sub {} \;
  find . -name config.guess -exec cp /usr/share/misc/config.guess {} \;
  emconfigure ./configure --host=wasm32-unknown-emscripten --prefix="$prefix" \
    --disable-shared --enable-static "$@"
  emmake make -j"$jobs"
  emmake make install
}

build_libogg() { autotools "$1"; }

build_libvorbis() {
  autotools "$1" --disable-docs --disable-examples --disable-oggtest --with-ogg="$prefix"
}

build_opus() {
  autotools "$1" --disable-doc --disable-extra-programs --disable-intrinsics --disable-rtcd \
    --disable-asm --disable-stack-protector
}

build_flac() {
  autotools "$1" --disable-cpplibs --disable-programs --disable-examples --disable-doxygen-docs \
    --disable-xmms-plugin --disable-oggtest --with-ogg="$prefix" --disable-asm-optimizations \
    --disable-stack-smash-protection --disable-thorough-tests
}

build_libsndfile() {
  autotools "$1" --disable-full-suite --disable-alsa --disable-sqlite --disable-mpeg \
    --enable-external-libs
  # It reads Ogg Vorbis only with Vorbis, FLAC and Opus all found.
  grep -q "define HAVE_EXTERNAL_XIPH_LIBS 1" src/config.h || {
    log "libsndfile was configured without the Xiph libraries"
    return 1
  }
}

build_libsdl2() {
  autotools "$1" --disable-assembly --disable-threads --disable-pthreads --disable-cpuinfo \
    --disable-joystick --disable-haptic --disable-sensor --disable-power --disable-filesystem \
    --disable-hidapi
}

build_libopenmpt() {
  autotools "$1" --disable-openmpt123 --disable-examples --disable-tests --disable-doxygen-doc \
    --without-zlib --without-mpg123 --without-ogg --without-vorbis --without-vorbisfile \
    --without-portaudio --without-portaudiocpp --without-pulseaudio --without-sndfile \
    --without-flac
}

# kissfft's own build makes shared libraries and tools; the two files the
# spectrum needs are compiled here, as the float build Debian ships.
build_kissfft() {
  cd "$1"
  mkdir -p "$prefix/include/kissfft"
  emcc -O2 -Dkiss_fft_scalar=float -c kiss_fft.c -o kiss_fft.o
  emcc -O2 -Dkiss_fft_scalar=float -c kiss_fftr.c -o kiss_fftr.o
  emar rcs "$prefix/lib/libkissfft-float.a" kiss_fft.o kiss_fftr.o
  cp kiss_fft.h kiss_fftr.h "$prefix/include/kissfft/"
  if [ -f kiss_fft_log.h ]; then cp kiss_fft_log.h "$prefix/include/kissfft/"; fi
  cat >"$prefix/lib/pkgconfig/kissfft-float.pc" <<EOF
prefix=$prefix
Name: kissfft-float
Description: kissfft, float build (emcc)
Version: 131
Cflags: -I\${prefix}/include/kissfft -Dkiss_fft_scalar=float
Libs: -L\${prefix}/lib -lkissfft-float
EOF
}

# VORTEXEL_WEB_ONLY="pkg ..." builds only those (a second run beside the
# first shares the work: a package being built by one waits in the other).
for i in "${!PACKAGES[@]}"; do
  p=${PACKAGES[$i]}
  if [ -n "${VORTEXEL_WEB_ONLY:-}" ] && [[ " $VORTEXEL_WEB_ONLY " != *" $p "* ]]; then continue; fi
  stamp=$prefix/stamps/$p
  exec {lock}>"$prefix/stamps/$p.lock"
  flock "$lock"
  if [ -f "$stamp" ]; then
    exec {lock}>&-
    continue
  fi
  log "building $p (${versions[$i]}), log in $prefix/src/$p.log"
  start=$SECONDS
  if ! (
    src=$(unpack "$p")
    "build_${p}" "$src"
  ) >"$prefix/src/$p.log" 2>&1; then
    log "building $p failed; the end of its log:"
    tail -n 40 "$prefix/src/$p.log" >&2
    exit 1
  fi
  rm -rf "$prefix/src/$p"
  echo "${versions[$i]}" >"$stamp"
  exec {lock}>&-
  log "built $p in $((SECONDS - start)) s"
done
echo "$prefix"
