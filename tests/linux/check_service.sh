#!/bin/sh
# Installs the build into a staging folder as the packages do and checks the
# unit there: systemd-analyze verify (its syntax, its settings, and that the
# program it starts is installed), and its exposure rating, which must stay at
# 2.0 or below.
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
# The rating is kept in tenths: 20 is an exposure of 2.0.
status=0
report=$(systemd-analyze security --offline=yes --threshold=20 --root="$stage" "$unit") || status=$?
echo "$report" | grep 'Overall exposure level'
if [ "$status" != 0 ]; then
  echo "$report" | grep '✗'
  exit 1
fi
