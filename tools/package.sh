#!/usr/bin/env bash
# Builds the Debian package dialtally_VERSION_ARCH.deb in build-package/: a Release build for the
# install prefix /usr, without the tests, packed by CPack. Install it with
#   sudo apt install ./build-package/dialtally_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/deps.sh
dialtally_install_packages
dialtally_build build-package -DCMAKE_INSTALL_PREFIX=/usr -DDIALTALLY_BUILD_TESTS=OFF
(cd build-package && cpack -G DEB)
ls build-package/dialtally_*.deb
