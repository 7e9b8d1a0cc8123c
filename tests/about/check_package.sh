#!/usr/bin/env bash
# Builds the Debian package from the build folder and checks what it installs and
# which runtime packages it declares.
set -euo pipefail
build="$1"
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1 || {
    cat "$out/cpack.log"
    exit 1
}
deb="$(ls "$out"/*.deb)"
files="$(dpkg-deb -c "$deb" | awk '{print $6}')"
depends="$(dpkg-deb -f "$deb" Depends)"
echo "package: $(basename "$deb")"
echo "depends: $depends"

status=0
for path in ./usr/bin/QuendleStoreEdit \
            ./usr/share/applications/quendlestoreedit.desktop \
            ./usr/share/icons/hicolor/32x32/apps/quendlestoreedit.png; do
    if grep -qxF "$path" <<<"$files"; then echo "has $path"; else echo "MISSING $path"; status=1; fi
done
for package in libqt6widgets6 libqt6gui6 libqt6core6 libc6 libstdc++6; do
    if tr ',' '\n' <<<"$depends" | sed 's/^ *//; s/ .*//' | grep -qxF "$package"; then echo "depends on $package"; else echo "MISSING dependency $package"; status=1; fi
done
exit $status
