#!/usr/bin/env bash
# The packages ./package.sh makes, built from this build tree: the .deb's
# files, its dependency line and lintian's verdict; the .tar.gz runs wherever
# it is unpacked.
#   package_test.sh BUILD_DIR SOURCE_DIR
build=$1 source=$2
. "$source/tests/packaging/common.sh"

cpack -G "DEB;TGZ" --config "$build/CPackConfig.cmake" -B "$scratch/out-packages" >"$scratch/cpack.log" 2>&1 ||
  { cat "$scratch/cpack.log" >&2; fail "cpack"; finish; }
deb=$(ls "$scratch"/out-packages/vortexel_*.deb)
tgz=$(ls "$scratch"/out-packages/vortexel-*.tar.gz)

dpkg-deb -c "$deb" | awk '{ print $6 }' >"$scratch/files"
for f in ./usr/bin/vortexel ./usr/share/vortexel/script.txt ./usr/share/vortexel/theme.ogg \
         ./usr/share/doc/vortexel/copyright ./usr/share/doc/vortexel/changelog.gz \
         ./usr/share/man/man6/vortexel.6.gz ./usr/share/applications/vortexel.desktop \
         ./usr/share/icons/hicolor/48x48/apps/vortexel.png; do
  expect_line "$scratch/files" "$f"
done
dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/applications/vortexel.desktop >"$scratch/menu"
expect_line "$scratch/menu" "Exec=vortexel --data /usr/share/vortexel"
outside=$(grep -v '^\./usr/' "$scratch/files" || true)
[ -z "$outside" ] || fail "files outside /usr: $outside"

# Dependencies: what dpkg-shlibdeps found in the program, and the dialog's font.
depends=$(dpkg-deb -f "$deb" Depends)
for d in fonts-dejavu-core libsdl2-2.0-0 libsdl2-ttf-2.0-0 libdevil1c2 libsndfile1 libopenmpt0 \
         libepoxy0 "libc6 (>="; do
  expect_in "$depends" "$d"
done
# Only video capture runs ffmpeg: it makes the package more useful (Suggests),
# it is not found with it in all but unusual installations (Recommends).
expect_in "$(dpkg-deb -f "$deb" Suggests)" "ffmpeg"
expect_in "$(dpkg-deb -f "$deb" Package Version Architecture)" "Package: vortexel
Version: 1.5
Architecture: $(dpkg --print-architecture)"

if command -v lintian >/dev/null; then
  lintian --allow-root "$deb" >"$scratch/lintian" 2>&1 || true
  errors=$(grep '^E:' "$scratch/lintian" || true)
  [ -z "$errors" ] || fail "lintian: $errors"
else
  fail "lintian is not installed (tools/deps.sh)"
fi

# The .tar.gz holds one folder, bin/ and share/ inside, and runs from there.
mkdir "$scratch/unpacked"
tar -xzf "$tgz" -C "$scratch/unpacked"
top=$(ls "$scratch/unpacked")
[ "$top" = "$(basename "$tgz" .tar.gz)" ] || fail "archive's folder is '$top'"
check_installed_program "$scratch/unpacked/$top/bin/vortexel" "$scratch/unpacked/$top/share/vortexel"
finish
