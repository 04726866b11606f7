#!/usr/bin/env bash
# Builds the Debian package into OUTPUT_DIR (default: the source folder):
#   tools/package.sh [OUTPUT_DIR]
# A tree of its own (build-package/) is configured for the /usr prefix with
# Debian's hardening flags; CPack stages, strips and packs it, and
# dpkg-shlibdeps finds its dependencies. lintian, desktop-file-validate and
# appstreamcli then check the package; any error fails the script.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="$(mkdir -p "${1:-$root}" && cd "${1:-$root}" && pwd)"
dir="$root/build-package"

# Debian's hardening flags, with immediate binding as well.
eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DVELTRANO_TESTS=OFF \
    -DCMAKE_CXX_FLAGS="$CPPFLAGS $CXXFLAGS" \
    -DCMAKE_EXE_LINKER_FLAGS="$LDFLAGS" -DCMAKE_SHARED_LINKER_FLAGS="$LDFLAGS" \
    -DCMAKE_MODULE_LINKER_FLAGS="$LDFLAGS" >/dev/null
cmake --build "$dir" -j "$(nproc)"
rm -rf "$dir/packages"
cpack --config "$dir/CPackConfig.cmake" -B "$dir/packages"
package="$(find "$dir/packages" -maxdepth 1 -name 'veltrano_*.deb' -print -quit)"
cp "$package" "$out/"
package="$out/$(basename "$package")"
echo "Package: $package"
dpkg-deb --info "$package" | sed -n '/Depends:/p'

if command -v lintian >/dev/null; then
    echo "lintian:"
    lintian --fail-on error --display-info "$package"
fi
staged="$(mktemp -d)"
trap 'rm -rf "$staged"' EXIT
dpkg-deb -x "$package" "$staged"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$staged"/usr/share/applications/*.desktop
    echo "desktop-file-validate: passed"
fi
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$staged"/usr/share/metainfo/*.metainfo.xml
fi
