#!/usr/bin/env bash
# Installs the build tree into a DESTDIR the way a package does (prefix /usr)
# and makes it read-only, as an installed program's folder is for its users.
# Usage: install_tree.sh BUILD_DIR DESTDIR
set -euo pipefail
build="$1"
root="$2"
if [[ -d "$root" ]]; then
    chmod -R u+w "$root"
    rm -rf "$root"
fi
DESTDIR="$root" cmake --install "$build" --prefix /usr >/dev/null
chmod -R a-w "$root/usr"
