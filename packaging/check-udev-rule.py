#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks the udev rule: udevadm verify where the system has it; otherwise every line is parsed
# as udev reads it (KEY, operator, quoted value, comma-separated), every GOTO finds its LABEL,
# and each rule that hands out a device names one adapter by vendor and product, gives it to the
# seat and keeps ModemManager off it, so that no other serial device is touched. The file must
# sort before 73-seat-late.rules, which turns the uaccess tag into the seat's access.
# Usage: check-udev-rule.py RULES
import os
import re
import shutil
import subprocess
import sys

path = sys.argv[1]
faults = []
# udevadm verify came with systemd 253; Debian 12 has 252.
udevadm = shutil.which("udevadm")
if udevadm and subprocess.run([udevadm, "verify", "--help"], capture_output=True).returncode == 0:
    verify = subprocess.run([udevadm, "verify", path], capture_output=True, text=True)
    if verify.returncode != 0:
        faults.append("udevadm verify: " + verify.stdout + verify.stderr)

match_keys = r"ACTION|SUBSYSTEM|SUBSYSTEMS|KERNEL|ATTRS\{\w+\}|ENV\{\w+\}"
assign_keys = r"TAG|ENV\{\w+\}|GOTO|LABEL"
item = re.compile(rf'^(?:(?P<m>{match_keys})(?P<mo>==|!=)|(?P<a>{assign_keys})(?P<ao>=|\+=))'
                  r'"(?P<v>[^"]*)"$')
gotos, labels, grants = set(), set(), []
for number, line in enumerate(open(path, encoding="utf-8"), 1):
    line = line.strip()
    if not line or line.startswith("#"):
        continue
    keys = {}
    for token in line.split(", "):
        found = item.match(token)
        if not found:
            faults.append(f"line {number}: cannot read {token!r}")
            continue
        keys[found["m"] or found["a"]] = found["v"]
    gotos.update(v for k, v in keys.items() if k == "GOTO")
    labels.update(v for k, v in keys.items() if k == "LABEL")
    if keys.get("TAG") == "uaccess" or "ENV{ID_MM_DEVICE_IGNORE}" in keys:
        if not re.fullmatch(r"[0-9a-f]{4}", keys.get("ATTRS{idVendor}", "")) or \
                not re.fullmatch(r"[0-9a-f]{4}", keys.get("ATTRS{idProduct}", "")):
            faults.append(f"line {number}: a grant that names no vendor and product")
        if keys.get("TAG") != "uaccess" or keys.get("ENV{ID_MM_DEVICE_IGNORE}") != "1":
            faults.append(f"line {number}: uaccess and ID_MM_DEVICE_IGNORE go together")
        grants.append(keys.get("ATTRS{idVendor}"))
faults += [f"GOTO {g} finds no LABEL" for g in gotos - labels]
if not {"0403", "10c4", "1a86", "067b"} <= set(grants):
    faults.append("FTDI, Silicon Labs, WCH and Prolific adapters must all be covered")
order = re.match(r"(\d+)-", os.path.basename(path))
if not order or int(order[1]) >= 73:
    faults.append("the rule must come before 73-seat-late.rules")
print("\n".join(faults) or f"{path}: {len(grants)} adapters, syntax good")
sys.exit(1 if faults else 0)
