#!/usr/bin/env bash
# Installs what building and testing need, from Debian's packages.
# Sourced by run.sh and test.sh; as root it installs what is missing, otherwise it
# prints the apt-get line to run and stops.
set -euo pipefail

velmar_packages=(
  cmake g++ make pkg-config
  qt6-base-dev qt6-serialport-dev libgl-dev
  qt6-tools-dev qt6-l10n-tools qt6-translations-l10n qt6-base-private-dev
  libgtest-dev clang-format
  clang libclang-rt-14-dev
  fonts-liberation2 fonts-dejavu-core fonts-noto-cjk
  desktop-file-utils appstream dpkg-dev file
)

velmar_missing_packages() {
  local p
  for p in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
      printf '%s\n' "$p"
    fi
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
  cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$root/build" --parallel "$(nproc)" "${targets[@]}"
}

# velmar_build_sanitized ROOT: everything under ASan and UBSan with clang, in
# build-asan, the fuzz targets included.
velmar_build_sanitized() {
  local root=$1
  CC=clang CXX=clang++ cmake -S "$root" -B "$root/build-asan" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVELMAR_SANITIZE=ON >/dev/null
  cmake --build "$root/build-asan" --parallel "$(nproc)"
}
