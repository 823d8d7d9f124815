#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds and starts Velmar ESC Config.
#
# With no real ESC named, a simulated ESC is started on a pseudo-terminal and offered
# as COM1, with the machine's own serial devices after it, and a simulated bench sensor
# on a second pseudo-terminal. To use the machine's ports only, pass --no-sim;
# VELMAR_ESC_PORTS=1=/dev/ttyUSB0,... names the ports yourself.
# Other arguments go to the simulator (see velmar-esc-sim --help).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=setup.sh
source "$root/scripts/setup.sh"
velmar_install "${velmar_packages[@]}"
velmar_configure_and_build "$root" velmar-esc-config velmar-esc-sim
bin="$root/build/bin"

use_sim=1
sim_args=()
for a in "$@"; do
  case "$a" in
    --no-sim) use_sim=0 ;;
    *) sim_args+=("$a") ;;
  esac
done
[ -n "${VELMAR_ESC_PORTS:-}" ] && use_sim=0

if [ "$use_sim" -eq 0 ]; then
  exec "$bin/velmar-esc-config"
fi

workdir=$(mktemp -d)
sim_pid=
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
  rm -rf "$workdir"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# The simulator prints its device's path on its first line and the sensor's on the second,
# both at once.
"$bin/velmar-esc-sim" --sensor "$workdir/sensor" "${sim_args[@]}" </dev/null >"$workdir/out" &
sim_pid=$!
sim_path=
sensor_path=
for _ in $(seq 100); do
  sim_path=$(head -n 1 "$workdir/out")
  sensor_path=$(sed -n 's/^sensor //p' "$workdir/out")
  [ -n "$sim_path" ] && [ -n "$sensor_path" ] && break
  kill -0 "$sim_pid" 2>/dev/null || break
  sleep 0.05
done
if [ -z "$sim_path" ] || [ -z "$sensor_path" ]; then
  echo "The simulated ESC did not start." >&2
  exit 1
fi
echo "Simulated ESC on $sim_path (COM1)"
echo "Simulated bench sensor on $sensor_path"

# COM1 is the simulator; the machine's own serial ports follow it.
VELMAR_ESC_PORTS="1=$sim_path,*" "$bin/velmar-esc-config"
