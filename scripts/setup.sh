#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what building and testing need, from Debian's packages.
# Sourced by run.sh and test.sh; as root it installs what is missing, otherwise it
# prints the apt-get line to run and stops.
set -euo pipefail

velmar_packages=(
  cmake g++ make pkg-config
  qt6-base-dev qt6-serialport-dev qt6-charts-dev qt6-svg-dev libgl-dev
  libqt6opengl6-dev  # Qt Charts' CMake package needs Qt OpenGL's, which qt6-charts-dev does not pull in
  qt6-tools-dev qt6-l10n-tools qt6-translations-l10n qt6-base-private-dev
  libgtest-dev clang-format
  clang libclang-rt-14-dev
  fonts-liberation2 fonts-dejavu-core fonts-noto-cjk
  desktop-file-utils appstream dpkg-dev file
  help2man lintian
  xvfb xdotool  # the end-to-end test that drives the real window
  python3-jsonschema  # checks the JSON Schemas against the readers
)

# CMake options for every build below. run.sh and test.sh configure build/ alike, so that either
# after the other rebuilds nothing; the program builds without a warning, so warnings are errors.
velmar_cmake_options=(-DVELMAR_WERROR=ON)

# One dpkg-query for the whole list: run.sh asks on every start.
velmar_missing_packages() {
  local p installed
  installed=$'\n'$(dpkg-query -W -f='${db:Status-Abbrev}${Package}\n' "$@" 2>/dev/null |
    sed -n 's/^ii *//p' || true)$'\n'
  for p in "$@"; do
    [[ $installed == *$'\n'"$p"$'\n'* ]] || printf '%s\n' "$p"
  done
}

velmar_install() {
  local missing
  missing=$(velmar_missing_packages "$@")
  [ -z "$missing" ] && return 0
  # shellcheck disable=SC2086
  if [ "$(id -u)" -eq 0 ]; then
    echo "Installing: $(echo $missing)"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q >/dev/null
    apt-get install -y -q --no-install-recommends $missing >/dev/null
  else
    echo "Missing packages. Run this first, then try again:" >&2
    echo "  sudo apt-get install $(echo $missing)" >&2
    exit 1
  fi
}

# velmar_configure_and_build ROOT [TARGET...]: everything when no target is named.
velmar_configure_and_build() {
  local root=$1
  shift
  local targets=()
  [ $# -gt 0 ] && targets=(--target "$@")
  cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    "${velmar_cmake_options[@]}" >/dev/null
  cmake --build "$root/build" --parallel "$(nproc)" "${targets[@]}"
}

# velmar_build_sanitized ROOT: everything under ASan and UBSan with clang, in
# build-asan, the fuzz targets included.
velmar_build_sanitized() {
  local root=$1
  CC=clang CXX=clang++ cmake -S "$root" -B "$root/build-asan" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVELMAR_SANITIZE=ON "${velmar_cmake_options[@]}" >/dev/null
  cmake --build "$root/build-asan" --parallel "$(nproc)"
}

# velmar_build_portable ROOT: with gcc, in build-portable, on the Qt-only platform layer that
# Windows and macOS builds use.
velmar_build_portable() {
  local root=$1
  cmake -S "$root" -B "$root/build-portable" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVELMAR_PORTABLE=ON "${velmar_cmake_options[@]}" >/dev/null
  cmake --build "$root/build-portable" --parallel "$(nproc)"
}
