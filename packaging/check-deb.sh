#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the .deb from a build tree, runs lintian on it (any error or warning fails), unpacks
# it into a scratch root and checks that every file lands in its place, that the changelog
# speaks of the package's version and that the package names its Qt runtime.
# Usage: check-deb.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; exit 1; }
debs=("$work"/out/*.deb)
deb=${debs[0]}

echo "lintian $(basename "$deb"):"
status=0
lintian --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1 || status=$?
cat "$work/lintian.log"
if [ "$status" -ne 0 ] || grep -q '^[EW]: ' "$work/lintian.log"; then
  echo "lintian found errors or warnings (status $status)."
  exit 1
fi

dpkg -x "$deb" "$work/root"
doc=./usr/share/doc/velmar-esc-config
expected="./usr/bin/velmar-esc-config
./usr/bin/velmar-esc-sim
./usr/lib/udev/rules.d/70-velmar-esc-config.rules
./usr/share/applications/org.velmar.EscConfig.desktop
./usr/share/bash-completion/completions/velmar-esc-config
$doc/changelog.gz
$doc/copyright
./usr/share/fish/vendor_completions.d/velmar-esc-config.fish
./usr/share/icons/hicolor/48x48/apps/org.velmar.EscConfig.png
./usr/share/icons/hicolor/scalable/apps/org.velmar.EscConfig.svg
./usr/share/man/man1/velmar-esc-config.1.gz
./usr/share/man/man1/velmar-esc-sim.1.gz
./usr/share/metainfo/org.velmar.EscConfig.metainfo.xml
./usr/share/velmar-esc-config/schemas/bench-run.schema.json
./usr/share/velmar-esc-config/schemas/settings.schema.json
./usr/share/zsh/vendor-completions/_velmar-esc-config"
actual=$(cd "$work/root" && find . \( -type f -o -type l \) | LC_ALL=C sort)
if [ "$actual" != "$expected" ]; then
  echo "The package's files differ from the expected ones:"
  diff <(echo "$expected") <(echo "$actual") || true
  exit 1
fi
echo "Files of $(basename "$deb"):"
echo "$actual"

version=$(dpkg-deb --field "$deb" Version)
if ! zcat "$work/root/$doc/changelog.gz" | head -1 | grep -qF "velmar-esc-config ($version)"; then
  echo "The changelog's latest entry is not for version $version:"
  zcat "$work/root/$doc/changelog.gz" | head -1
  exit 1
fi

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
"$work/root/usr/bin/velmar-esc-sim" --version
