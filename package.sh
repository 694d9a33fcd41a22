#!/usr/bin/env bash
# Builds the packages: build-package/vortexel_<version>_<arch>.deb,
# build-package/vortexel-<version>-linux-<machine>.tar.gz and
# build-package/vortexel-<version>-linux-<machine>-portable.tar.gz (the same
# tree with the libraries a bare machine lacks: tools/portable.sh).
# The build uses Debian's hardening flags (dpkg-buildflags) and no tests.
set -euo pipefail
cd "$(dirname "$0")"
./tools/deps.sh
dir=build-package
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DVORTEXEL_TESTS=OFF -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build "$dir" -j"$(nproc)" --target vortexel vortexel_compressed_docs
rm -f "$dir"/vortexel_*.deb "$dir"/vortexel-*.tar.gz
(cd "$dir" && cpack -G "DEB;TGZ" >/dev/null)
./tools/portable.sh "$dir" "$dir" >/dev/null
ls -1 "$dir"/vortexel_*.deb "$dir"/vortexel-*.tar.gz
