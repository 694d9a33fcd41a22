#!/usr/bin/env bash
# Makes the portable tarball, vortexel-<version>-linux-<machine>-portable.tar.gz:
# the installed tree (bin/, share/) of a build, plus lib/ with every library the
# program loads that a bare Debian 12 machine lacks, found through $ORIGIN. It
# runs where only the C and C++ runtimes and the GL driver (libgl1, libegl1,
# libgl1-mesa-dri) are installed; those, the window system's client libraries
# the driver brings and the sound servers' clients stay the machine's.
#   tools/portable.sh BUILD_DIR OUT_DIR
#   tools/portable.sh --machine-files   the library files a bare machine has
# SDL is built here from Debian's source package (once per build folder, into
# BUILD_DIR/portable-sdl2): Debian's own build links X11, Wayland, PulseAudio
# and ALSA outright, so it would not even load on such a machine; SDL's own
# default opens them at run time, where they exist.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
say() { echo "portable: $*" >&2; }

# --------------------------------------------------------------- the machine
# The libraries a bare machine has: those of the packages Debian always
# installs (priority required), the C and C++ runtimes and the GL driver, with
# everything they depend on, as this machine's package database lists them.
machine_packages() {
  dpkg-query -W -f='${Package}\t${Priority}\t${Depends}, ${Pre-Depends}\n' | awk -F'\t' '
    { deps[$1] = $3; if ($2 == "required") queue[++n] = $1 }
    END {
      split("apt libc6 libstdc++6 libgcc-s1 libgl1 libegl1 libgl1-mesa-dri", extra, " ")
      for (i in extra) queue[++n] = extra[i]
      for (i = 1; i <= n; i++) {
        p = queue[i]; sub(/:.*/, "", p)
        if (p in seen) continue
        seen[p] = 1
        if (!(p in deps)) continue
        m = split(deps[p], alternatives, ",")
        for (j = 1; j <= m; j++) {
          # The first of "a | b" that is installed.
          k = split(alternatives[j], choices, "|")
          for (c = 1; c <= k; c++) {
            d = choices[c]; gsub(/\(.*\)|\[.*\]|[ \t]/, "", d); sub(/:.*/, "", d)
            if (d in deps) { queue[++n] = d; break }
          }
        }
      }
      for (p in seen) print p
    }'
}

# Sonames that stay the machine's whatever this machine has installed: glibc,
# the C++ runtime, the GL and EGL loaders (glvnd and Mesa), the X11 and
# Wayland clients the driver brings, and the sound servers' clients.
kept_out_pattern='^(ld-linux.*|libc|libm|libdl|libpthread|librt|libresolv|libutil|libanl|libmvec|libstdc\+\+|libgcc_s|libGL|libEGL|libGLX|libGLdispatch|libOpenGL|libGLESv[12]_CM|libGLESv2|libgbm|libdrm|libglapi|libX11|libX11-xcb|libxcb.*|libXext|libXfixes|libXau|libXdmcp|libxshmfence|libXxf86vm|libwayland-client|libwayland-server|libpulse.*|libasound|libjack|libpipewire-.*|libsndio|libdbus-1|libsystemd)\.so'

# Their files in the library folders (the GL driver's dri/ folder included).
machine_files() {
  machine_packages | while read -r p; do dpkg -L "$p" 2>/dev/null; done |
    grep -E '^(/usr)?/lib(64)?/([^/]*-linux-gnu/)?[^ ]*\.so[.0-9]*$' | sort -u
}

if [ "${1:-}" = "--machine-files" ]; then
  machine_files
  exit 0
fi

build=$(cd "$1" && pwd)
mkdir -p "$2"
out=$(cd "$2" && pwd)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
name="vortexel-$version-linux-$(uname -m)-portable"

# ------------------------------------------------------------------ SDL
sdl="$build/portable-sdl2"
sdl_lib="$sdl/install/lib/libSDL2-2.0.so.0"
if [ ! -f "$sdl_lib" ]; then
  sdl_version=$(dpkg-query -W -f='${source:Version}' libsdl2-2.0-0)
  say "building SDL $sdl_version from Debian's source package"
  rm -rf "$sdl"
  mkdir -p "$sdl/download"
  fetch() { (cd "$sdl/download" && apt-get source --download-only "libsdl2=$sdl_version") >"$sdl/fetch.log" 2>&1; }
  if ! fetch; then
    # No source lines yet (tools/deps.sh adds them), or lists older than them.
    "$source_dir/tools/deps.sh" >"$sdl/deps.log" 2>&1 || { cat "$sdl/deps.log" >&2; exit 1; }
    SUDO=""
    if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
    $SUDO apt-get update >"$sdl/update.log" 2>&1
    fetch || { cat "$sdl/fetch.log" >&2; exit 1; }
  fi
  # apt checked the files against the signed archive; dpkg-source warns that
  # it has no key for the uploader's own signature.
  dpkg-source -x "$sdl"/download/libsdl2_*.dsc "$sdl/src" >"$sdl/extract.log" 2>&1 ||
    { cat "$sdl/extract.log" >&2; exit 1; }
  # SDL's defaults open the window systems and sound servers at run time;
  # only what the demo needs is built.
  cmake -S "$sdl/src" -B "$sdl/build" -DCMAKE_BUILD_TYPE=Release -DSDL_STATIC=OFF \
    -DSDL_TEST=OFF -DSDL_DEPS_SHARED=ON -DSDL_LIBSAMPLERATE=OFF -DSDL_VULKAN=OFF \
    -DSDL_KMSDRM=OFF -DSDL_RPATH=OFF -DCMAKE_INSTALL_PREFIX="$sdl/install" \
    -DCMAKE_INSTALL_LIBDIR=lib $(command -v ccache >/dev/null && echo -DCMAKE_C_COMPILER_LAUNCHER=ccache) \
    >"$sdl/configure.log" 2>&1 ||
    { tail -30 "$sdl/configure.log" >&2; exit 1; }
  cmake --build "$sdl/build" -j"$(nproc)" >"$sdl/build.log" 2>&1 ||
    { tail -30 "$sdl/build.log" >&2; exit 1; }
  cmake --install "$sdl/build" >/dev/null
fi

# ------------------------------------------------------------------ the tree
work=$(mktemp -d "$out/.portable-XXXXXX")
trap 'rm -rf "$work"' EXIT
tree="$work/$name"
# An archive has no fixed place: its menu entry names no folder.
VORTEXEL_RELOCATABLE_ARCHIVE=1 cmake --install "$build" --prefix "$tree" --strip >/dev/null
mkdir -p "$tree/lib" "$tree/share/doc/vortexel/libraries"

machine=$(machine_files | sed 's|.*/||' | sort -u)
bundled=()
while read -r soname path; do
  if [[ "$soname" =~ $kept_out_pattern ]] || grep -qxF "$soname" <<<"$machine"; then
    continue
  fi
  cp -L "$path" "$tree/lib/$soname"
  chmod 644 "$tree/lib/$soname"
  bundled+=("$soname")
  # Each library's licence, as its Debian package states it.
  if [ "$path" = "$sdl_lib" ] || [ "$(readlink -f "$path")" = "$(readlink -f "$sdl_lib")" ]; then
    cp "$sdl/src/debian/copyright" "$tree/share/doc/vortexel/libraries/libsdl2-2.0-0.copyright"
  else
    pkg=$(dpkg -S "$(readlink -f "$path")" 2>/dev/null | head -1 | cut -d: -f1)
    [ -z "$pkg" ] && pkg=$(dpkg -S "$path" 2>/dev/null | head -1 | cut -d: -f1)
    if [ -n "$pkg" ] && [ -f "/usr/share/doc/$pkg/copyright" ]; then
      cp "/usr/share/doc/$pkg/copyright" "$tree/share/doc/vortexel/libraries/$pkg.copyright"
    fi
  fi
done < <(LD_LIBRARY_PATH="$sdl/install/lib" ldd "$tree/bin/vortexel" |
  awk '$2 == "=>" && $3 ~ /^\// { print $1, $3 }')

for lib in "${bundled[@]}"; do
  strip --strip-unneeded "$tree/lib/$lib"
  patchelf --set-rpath '$ORIGIN' "$tree/lib/$lib"
done
patchelf --set-rpath '$ORIGIN/../lib' "$tree/bin/vortexel"
# GLU asks for glvnd's libOpenGL, which libgl1 does not bring; libGL.so.1, on
# every machine with a GL driver, exports the same OpenGL functions.
if [ -f "$tree/lib/libGLU.so.1" ]; then
  patchelf --replace-needed libOpenGL.so.0 libGL.so.1 "$tree/lib/libGLU.so.1"
fi

# The dialog's font (found under <prefix>/share/fonts) and its licence.
font=$(find /usr/share/fonts -name DejaVuSans.ttf -type f | sort | head -1)
if [ -n "$font" ]; then
  mkdir -p "$tree/share/fonts/truetype/dejavu"
  cp "$font" "$tree/share/fonts/truetype/dejavu/"
  cp /usr/share/doc/fonts-dejavu-core/copyright \
    "$tree/share/doc/vortexel/libraries/fonts-dejavu-core.copyright" 2>/dev/null || true
fi
printf '%s\n' "${bundled[@]}" | sort >"$tree/share/doc/vortexel/libraries/BUNDLED"

# Written under a temporary name and renamed once complete.
archive="$out/$name.tar.gz"
stamp=${SOURCE_DATE_EPOCH:-$(git -C "$source_dir" log -1 --format=%ct 2>/dev/null || date +%s)}
tar --sort=name --owner=0 --group=0 --numeric-owner --mtime="@$stamp" -C "$work" -cf - "$name" |
  gzip -9n >"$work/archive.tar.gz"
mv "$work/archive.tar.gz" "$archive"
say "${#bundled[@]} libraries bundled: ${bundled[*]}"
echo "$archive"
