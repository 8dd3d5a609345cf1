#!/usr/bin/env bash
# Builds the Debian package build/package/orrisbay_VERSION_ARCH.deb: the
# programs built with Debian's hardening flags, packed by CPack with the
# manual pages, desktop entry, AppStream metadata and icons, then checked
# by lintian (errors fail) and appstreamcli on the files it installs.
# Install it with: sudo apt install ./build/package/orrisbay_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
# Debian's compiler and linker flags (stack protector, fortified functions,
# read-only relocations, immediate binding); no -g, as the package is stripped.
eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all DEB_CXXFLAGS_MAINT_STRIP=-g dpkg-buildflags --export=sh)"
# A folder configured earlier for another generator is configured afresh.
if [ -f build/package/CMakeCache.txt ] &&
    ! grep -q '^CMAKE_GENERATOR:INTERNAL=Unix Makefiles$' build/package/CMakeCache.txt; then
    rm -rf build/package
fi
cmake --preset package -DCMAKE_CXX_FLAGS="$CPPFLAGS $CXXFLAGS" -DCMAKE_EXE_LINKER_FLAGS="$LDFLAGS"
# The optimised build must be free of warnings; its log is checked.
log=build/package/build.log
cmake --build --preset package --parallel "$(nproc)" 2>&1 | tee "$log"
if grep -q 'warning:' "$log"; then
    echo "package.sh: the build printed warnings (see $log)" >&2
    exit 1
fi

rm -f build/package/orrisbay_*.deb
(cd build/package && cpack -G DEB)
package=$(ls build/package/orrisbay_*.deb)

contents=$(mktemp -d)
trap 'rm -rf "$contents"' EXIT
dpkg-deb --extract "$package" "$contents"
appstreamcli validate-tree --no-net "$contents"
lintian --fail-on error --tag-display-limit 0 "$package"
echo "Package: $package"
