#!/usr/bin/env bash
# Builds the .deb from a build tree, unpacks it into a scratch root and checks
# that every file lands in its place and that the package names its Qt runtime.
# Usage: check-deb.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; exit 1; }
debs=("$work"/out/*.deb)
deb=${debs[0]}
dpkg -x "$deb" "$work/root"

expected="./usr/bin/velmar-esc-config
./usr/bin/velmar-esc-sim
./usr/share/applications/org.velmar.EscConfig.desktop
./usr/share/icons/hicolor/48x48/apps/org.velmar.EscConfig.png
./usr/share/icons/hicolor/scalable/apps/org.velmar.EscConfig.svg
./usr/share/metainfo/org.velmar.EscConfig.metainfo.xml"
actual=$(cd "$work/root" && find . \( -type f -o -type l \) | LC_ALL=C sort)
if [ "$actual" != "$expected" ]; then
  echo "The package's files differ from the expected ones:"
  diff <(echo "$expected") <(echo "$actual") || true
  exit 1
fi
echo "Files of $(basename "$deb"):"
echo "$actual"

depends=$(dpkg-deb --field "$deb" Depends)
echo "Depends: $depends"
for package in libqt6core6 libqt6gui6 libqt6widgets6 libqt6serialport6 qt6-qpa-plugins; do
  if ! grep -q "\b$package\b" <<<"$depends"; then
    echo "The package does not depend on $package."
    exit 1
  fi
done

# The programs in the scratch root run from there.
"$work/root/usr/bin/velmar-esc-config" --version
"$work/root/usr/bin/velmar-esc-sim" --help >/dev/null
