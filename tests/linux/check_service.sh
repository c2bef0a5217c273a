#!/bin/sh
# Installs the build into a staging folder as the packages do and has
# systemd-analyze verify the unit there: its syntax, its settings, and that
# the program it starts is installed.
set -eu
build=$1
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
DESTDIR=$stage cmake --install "$build" --prefix /usr > /dev/null
unit=$stage/usr/lib/systemd/system/thermal-control.service
test -f "$stage/etc/thermal-control/ThermalTable.txt"
grep -qx 'ExecStart=/usr/bin/thermal-control' "$unit"
grep -qx 'WorkingDirectory=/etc/thermal-control' "$unit"
# The staging root holds only this package, so units it merely names are
# not looked for there.
systemd-analyze verify --man=no --recursive-errors=no --root="$stage" "$unit"
echo "systemd-analyze verify accepts $unit"
