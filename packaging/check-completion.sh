#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The bash completion, sourced as bash-completion sources it, asked about command lines in a
# folder of sample files and a /dev of sample devices: what it offers for each, in order.
# Usage: check-completion.sh COMPLETION_FILE
set -uo pipefail
completion=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/files/runs" "$work/dev/serial/by-id"
cd "$work/dev" && touch ttyUSB0 ttyACM1 ttyS0 && ln -s ../../ttyUSB0 serial/by-id/usb-FTDI_A1-port0
cd "$work/files" && touch s.json r.csv c.png c.svg notes.txt runs/old.csv
export VELMAR_ESC_CONFIG_DEV=$work/dev
# shellcheck source=/dev/null
source "$completion"

# The words typed (the last one is being completed; _ stands for an empty one) | the offers, sorted.
table='velmar-esc-config ap|apply
velmar-esc-config _|apply bench fleet ports read save
velmar-esc-config --|--help --lang --port --record --version
velmar-esc-config apply -|--dry-run --force --help --json --port
velmar-esc-config ports --|--help --json --port
velmar-esc-config read --json --|--help --json --port
velmar-esc-config apply _|runs s.json
velmar-esc-config bench s.json --out _|r.csv runs
velmar-esc-config bench s.json --plot c|c.png c.svg
velmar-esc-config read --port _|D/serial/by-id/usb-FTDI_A1-port0 D/ttyACM1 D/ttyUSB0
velmar-esc-config --lang _|de en zh_CN'
failures=0
while IFS='|' read -r line expected; do
  read -ra COMP_WORDS <<<"$line"
  [[ ${COMP_WORDS[-1]} == _ ]] && COMP_WORDS[-1]=""
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  _velmar_esc_config
  offered=$(printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort | paste -sd ' ')
  offered=${offered//$work\/dev/D}
  if [[ $offered != "$expected" ]]; then
    echo "FAIL: $line"
    echo "  offered:  $offered"
    echo "  expected: $expected"
    failures=$((failures + 1))
  fi
done <<<"$table"
echo "$failures of $(wc -l <<<"$table") command lines offered otherwise"
[ "$failures" -eq 0 ]
