#!/usr/bin/env bash
# Builds everything and runs every test: unit, window (offscreen), end-to-end, the
# soak; then all of them again under ASan and UBSan with leak checking, together
# with a minute of each fuzz target. VELMAR_SKIP_SANITIZED=1 runs the first pass only.
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
[ "${VELMAR_SKIP_SANITIZED:-0}" = 1 ] && exit 0

velmar_build_sanitized "$root"
cd "$root/build-asan"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 300 "$@"
