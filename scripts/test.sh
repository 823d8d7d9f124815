#!/usr/bin/env bash
# Builds everything and runs every test: unit, window (offscreen), end-to-end.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=setup.sh
source "$root/scripts/setup.sh"
velmar_install "${velmar_packages[@]}"
echo "Checking the formatting of the C++ sources"
(cd "$root" && git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror)
velmar_configure_and_build "$root"
cd "$root/build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 120 "$@"
