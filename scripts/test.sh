#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds everything and runs every test: unit, window (offscreen), end-to-end, the
# soak, the package; then the unit, window and integration tests once more on the
# Qt-only platform layer of Windows and macOS builds; then all of them again under
# ASan and UBSan with leak checking, together with a minute of each fuzz target.
# Every build treats warnings as errors. VELMAR_SKIP_SANITIZED=1 skips the last pass.
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

velmar_build_portable "$root"
cd "$root/build-portable"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 120 -L 'unit|window|integration' "$@"
[ "${VELMAR_SKIP_SANITIZED:-0}" = 1 ] && exit 0

velmar_build_sanitized "$root"
cd "$root/build-asan"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS=suppressions=$root/tests/lsan.supp
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 300 "$@"
