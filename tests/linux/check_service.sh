#!/bin/sh
# Installs the build into a staging folder as the packages do and checks the
# unit there: systemd-analyze verify (its syntax, its settings, and that the
# program it starts is installed), and its exposure rating, which must stay at
# 1.8 or below (CAP_SYS_ADMIN in its bounding set for the one open of the
# bridge's config file, after which the program gives it up, takes it from
# 1.5); then the unit with the thermal_ec module's drop-in in place,
# as thermal-ec-path.service puts it while /dev/thermal_ec is there, which
# must stay at 0.5 or below; and that unit itself.
#
#   check_service.sh BUILD_DIR SOURCE_DIR
set -eu
build=$1 source=$2
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
DESTDIR=$stage cmake --install "$build" --prefix /usr > /dev/null
unit=$stage/usr/lib/systemd/system/thermal-control.service
test -f "$stage/etc/thermal-control/ThermalTable.txt"
grep -qx 'ExecStart=/usr/bin/thermal-control' "$unit"
grep -qx 'WorkingDirectory=/etc/thermal-control' "$unit"
grep -qx 'LogNamespace=thermal-control' "$unit"
# The metrics go into the service's own folder, the only one it may write.
grep -qx 'StateDirectory=thermal-control' "$unit"
grep -qx 'Environment=THERMAL_CONTROL_METRICS_DIR=%S/thermal-control' "$unit"
test -f "$stage/usr/lib/systemd/journald@thermal-control.conf.d/thermal-control.conf"

# The reload runs the system's shell, which the staging root lacks.
mkdir -p "$stage/bin"
cp /bin/sh "$stage/bin/sh"

# rate LIMIT: verifies the unit as staged and rates it; the limit in tenths.
rate() {
  # The staging root holds only these packages, so units they merely name
  # are not looked for there.
  systemd-analyze verify --man=no --recursive-errors=no --root="$stage" "$unit"
  status=0
  report=$(systemd-analyze security --offline=yes --threshold="$1" --root="$stage" "$unit") ||
    status=$?
  echo "$report" | grep 'Overall exposure level'
  if [ "$status" != 0 ]; then
    echo "$report" | grep '✗'
    exit 1
  fi
}
grep -qx 'Type=notify' "$unit"
grep -qx 'WatchdogSec=30' "$unit"
grep -qx "ExecReload=/bin/sh -c 'kill -HUP \${MAINPID}'" "$unit"
echo "the unit:"
rate 18
mkdir -p "$stage/run/systemd/system/thermal-control.service.d"
cp "$source/packaging/thermal-ec.conf" "$stage/run/systemd/system/thermal-control.service.d/"
echo "the unit with the thermal_ec module's drop-in:"
rate 5
path_unit=$stage/usr/lib/systemd/system/thermal-ec-path.service
cp "$source/debian/thermal-control-dkms.thermal-ec-path.service" "$path_unit"
mkdir -p "$stage/usr/libexec/thermal-control-dkms"
cp "$source/packaging/thermal-ec-path" "$stage/usr/libexec/thermal-control-dkms/"
systemd-analyze verify --man=no --recursive-errors=no --root="$stage" "$path_unit"
echo "thermal-ec-path.service verifies"
