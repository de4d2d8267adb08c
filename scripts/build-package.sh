#!/usr/bin/env bash
# Installs the Debian packages that are missing (those of the run command, and help2man for the
# manual pages), builds the programs optimised and makes the Debian package
# build-package/quillon_<version>_amd64.deb. Install it with `sudo apt install ./<that file>`.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/deps.sh"
quillon_need_packages "${quillon_run_packages[@]}" help2man

build=${QUILLON_PACKAGE_BUILD:-$root/build-package}
# -O2 as the run command builds: GCC 12 at -O3 reports false -Wrestrict warnings.
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
  -DQUILLON_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j "${QUILLON_JOBS:-$(nproc)}"
(cd "$build" && cpack -G DEB)
ls "$build"/quillon_*_amd64.deb
