#!/usr/bin/env bash
# The portable tarball made from this build tree (tools/portable.sh) runs on a
# bare machine: every library it loads is either in its lib/ or one that such a
# machine has (the C and C++ runtimes, the GL driver and what they bring).
# Where a mount namespace can be made (root, as CI runs), the unpacked tree
# runs with the library folders showing only those files, so nothing of the
# build's own libraries is within reach: --version, --check, and the demo's
# last seconds played headless.
# VORTEXEL_BARE_ROOT names a real bare Debian 12 (made as root with
#   debootstrap --variant=minbase bookworm DIR, then in it
#   apt-get install --no-install-recommends libgl1 libegl1 libgl1-mesa-dri);
# the tree then also runs there, in a chroot.
#   portable_test.sh BUILD_DIR SOURCE_DIR
build=$1 source=$2
. "$source/tests/packaging/common.sh"

# The SDL it builds is kept in the build tree; the archive goes to scratch.
"$source/tools/portable.sh" "$build" "$scratch/out" >"$scratch/portable.log" 2>&1 ||
  { cat "$scratch/portable.log" >&2; fail "tools/portable.sh"; finish; }
tgz=$(ls "$scratch"/out/vortexel-*-portable.tar.gz)
mkdir "$scratch/unpacked"
tar -xzf "$tgz" -C "$scratch/unpacked"
top=$(ls "$scratch/unpacked")
[ "$top" = "$(basename "$tgz" .tar.gz)" ] || fail "archive's folder is '$top'"
tree="$scratch/unpacked/$top"
for f in bin/vortexel lib/libSDL2-2.0.so.0 lib/libIL.so.1 lib/libsndfile.so.1 \
         lib/libopenmpt.so.0 lib/libepoxy.so.0 share/vortexel/script.txt \
         share/doc/vortexel/README.md share/fonts/truetype/dejavu/DejaVuSans.ttf \
         share/doc/vortexel/libraries/libsdl2-2.0-0.copyright; do
  [ -f "$tree/$f" ] || fail "not in the archive: $f"
done

# What the machine brings stays out of lib/.
machine=$("$source/tools/portable.sh" --machine-files)
for lib in "$tree"/lib/*; do
  case "$(basename "$lib")" in
    libc.so* | libstdc++* | libGL.so* | libGLX* | libGLdispatch* | libEGL* | libX11* | libxcb* | \
      libwayland-client* | libpulse* | libasound*)
      fail "bundled a library of the machine: $(basename "$lib")" ;;
  esac
  grep -q "/$(basename "$lib")\$" <<<"$machine" && fail "the machine has $(basename "$lib")"
done

# Every library an object of the tree names is in lib/ or on the machine; the
# tree's objects find lib/ through $ORIGIN.
for object in "$tree/bin/vortexel" "$tree"/lib/*; do
  runpath=$(readelf -d "$object" | sed -n 's/.*(RUNPATH).*\[\(.*\)\]/\1/p')
  case "$object" in
    */bin/vortexel) [ "$runpath" = '$ORIGIN/../lib' ] || fail "bin/vortexel's RUNPATH is '$runpath'" ;;
    *) [ "$runpath" = '$ORIGIN' ] || fail "$(basename "$object")'s RUNPATH is '$runpath'" ;;
  esac
  for needed in $(readelf -d "$object" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
    [ -f "$tree/lib/$needed" ] && continue
    grep -q "/$needed\$" <<<"$machine" ||
      fail "$(basename "$object") needs $needed, neither bundled nor the machine's"
  done
done

# The bare machine: the library folder shows only the machine's files.
bare() { unshare --mount bash "$source/tests/packaging/bare_machine.sh" "$scratch" "$@"; }
export LIB="/usr/lib/$(gcc -dumpmachine 2>/dev/null || echo x86_64-linux-gnu)"
printf '%s\n' "$machine" >"$scratch/machine-files"
export MACHINE_FILES="$scratch/machine-files"
if ! bare true 2>/dev/null; then
  echo "no mount namespace here (needs root): the tree is not run on a bare machine" >&2
  finish
fi

bare ldd "$tree/bin/vortexel" >"$scratch/ldd" 2>&1 || fail "ldd: $(cat "$scratch/ldd")"
if grep -q "not found" "$scratch/ldd"; then fail "missing libraries: $(grep 'not found' "$scratch/ldd")"; fi
grep -q "libSDL2-2.0.so.0 => $tree/bin/../lib/" "$scratch/ldd" || fail "SDL not from the tree: $(cat "$scratch/ldd")"

mkdir -p "$scratch/elsewhere"
cd "$scratch/elsewhere"
unset SDL_AUDIODRIVER # no sound server's libraries: SDL's silent driver, said on stderr
# A sanitized build bundles its runtime too; its leak check would count the GL
# driver's allocations, which the unloaded driver leaves without names (the
# end-to-end tests check the program's leaks with the driver kept loaded).
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
bare "$tree/bin/vortexel" --version >"$scratch/out.txt" 2>&1 || fail "--version: $(cat "$scratch/out.txt")"
expect_in "$(cat "$scratch/out.txt")" "Vortexel 1.5"
bare timeout 120 "$tree/bin/vortexel" --check >"$scratch/out.txt" 2>"$scratch/err.txt" ||
  fail "--check: $(cat "$scratch/err.txt")"
expect_in "$(cat "$scratch/out.txt")" "music theme.ogg"
expect_in "$(cat "$scratch/err.txt")" "the data folder is $tree/share/vortexel"
bare timeout 300 "$tree/bin/vortexel" --start 95000 >"$scratch/out.txt" 2>"$scratch/err.txt" ||
  fail "play: $(cat "$scratch/err.txt")"
expect_in "$(cat "$scratch/err.txt")" "vortexel: finished at 9"
case "$(cat "$scratch/err.txt")" in
  *"Vortexel 1.5 Error"*) fail "play reported: $(cat "$scratch/err.txt")" ;;
esac

if [ -n "${VORTEXEL_BARE_ROOT:-}" ]; then
  root=$VORTEXEL_BARE_ROOT
  inside=$(mktemp -d "$root/tmp/vortexel-portable-XXXXXX")
  tar -xzf "$tgz" -C "$inside"
  run_in_root() {
    unshare --mount --pid --fork chroot "$root" /bin/sh -c \
      'mount -t proc proc /proc && cd /tmp && exec "$@"' sh "$@"
  }
  program=${inside#"$root"}/$top/bin/vortexel
  run_in_root "$program" --version >"$scratch/out.txt" 2>&1 || fail "chroot --version: $(cat "$scratch/out.txt")"
  run_in_root "$program" --check >"$scratch/out.txt" 2>"$scratch/err.txt" ||
    fail "chroot --check: $(cat "$scratch/err.txt")"
  expect_in "$(cat "$scratch/out.txt")" "music theme.ogg"
  run_in_root timeout 300 "$program" --start 95000 >"$scratch/out.txt" 2>"$scratch/err.txt" ||
    fail "chroot play: $(cat "$scratch/err.txt")"
  expect_in "$(cat "$scratch/err.txt")" "vortexel: finished at 9"
  rm -rf "$inside"
fi
finish
