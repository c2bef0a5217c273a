#!/bin/bash
# Lists the system calls the program really makes and checks that the unit's
# filter allows each of them: a call outside it would kill the service with
# SIGSYS on the board, where nobody watches.
#
# The calls are recorded with strace in three runs:
# - the simulated machine's cycles, with the sample table and real sleeps:
#   the table load, the console, the sleeps and the metrics file, as on the
#   board, until a SIGTERM ends it between two cycles;
# - the hardware program without rights: ioperm refused, and its exit;
# - the hardware program over a fake sysfs tree (a mount namespace of its own)
#   holding the LPC bridge, with ioperm answered by strace and never run and
#   CAP_SYS_RAWIO dropped, so no real port is reached: the PCI search and the
#   config write. Its first port access then faults, as it must without rights.
# Needs root (the mount namespace); elsewhere it is skipped.
set -euo pipefail
export LC_ALL=C
build=$1 program=$2 simulated=$3 table=$4
here=$(cd "$(dirname "$0")" && pwd)
SKIP=77
[ "$(id -u)" = 0 ] || { echo "skipped: needs root for the fake sysfs tree"; exit $SKIP; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"
cp "$table" "$work/ThermalTable.txt"
cd "$work"

# The unit, as the packages install it.
DESTDIR=$work/stage cmake --install "$build" --prefix /usr > /dev/null
unit=$work/stage/usr/lib/systemd/system/thermal-control.service

mkdir metrics
THERMAL_SIM_TEMPS=50,30,50 THERMAL_SIM_STOP_AFTER=2 THERMAL_CONTROL_METRICS_DIR=$work/metrics \
  strace -f -qq -o sim.strace "$simulated" > /dev/null
[ -s metrics/thermal-control.prom ] || { echo "the simulated run wrote no metrics file"; exit 1; }
# A copy the unprivileged user can reach, wherever the build lies.
cp "$program" "$work/thermal-control"
touch unprivileged.strace && chmod 666 unprivileged.strace
"$here/as-nobody" strace -f -qq -o unprivileged.strace "$work/thermal-control" > /dev/null || true

bridge=$work/sysfs/0000:00:1f.0
mkdir -p "$bridge"
echo 0x8086 > "$bridge/vendor"
echo 0x9cc3 > "$bridge/device"
head -c 256 /dev/zero > "$bridge/config"
# /sys is made private in the new namespace first, so that the fake tree
# never shows outside it (the root need not be a mount point, as in a chroot).
{ unshare --mount --propagation unchanged sh -c '
  mount --make-rprivate /sys &&
  mount --bind "$1" /sys/bus/pci/devices &&
  exec setpriv --inh-caps=-sys_rawio --bounding-set=-sys_rawio \
    strace -f -qq -o hardware.strace -e inject=ioperm:retval=0 "$2"' sh "$work/sysfs" "$program" \
  > hardware.out 2>&1; } 2> /dev/null || true
# The run got as far as the bridge: its decode range register was written.
written=$(od -An -tx1 -j 0x84 -N 4 "$bridge/config" | tr -d ' ')
if [ "$written" != 69000400 ]; then
  echo "the hardware run did not write the bridge (register 0x84 holds $written):"
  cat hardware.out
  exit 1
fi

# Having opened the bridge's config file, it gave CAP_SYS_ADMIN up.
if ! grep -q '^[0-9]* *capset(.*) = 0$' hardware.strace; then
  echo "the hardware run did not give CAP_SYS_ADMIN up after opening the bridge's config file"
  exit 1
fi

# Expands a filter entry: a group (recursively) or a single call.
expand() {
  if [[ $1 != @* ]]; then
    echo "$1"
    return
  fi
  systemd-analyze syscall-filter "$1" | tail -n +2 | sed -e 's/^ *//' -e '/^#/d' -e '/^$/d' |
    while read -r entry; do expand "$entry"; done
}

# The unit's SystemCallFilter= lines in order: the first allows, a later one
# starting with ~ takes its calls away again.
: > allowed
sed -n 's/^SystemCallFilter=//p' "$unit" > filters
while read -r line; do
  if [[ $line == ~* ]]; then
    for entry in ${line#\~}; do expand "$entry"; done | sort -u > removed
    comm -23 allowed removed > kept && mv kept allowed
  else
    { cat allowed; for entry in $line; do expand "$entry"; done; } | sort -u > merged
    mv merged allowed
  fi
done < filters
[ -s allowed ] || { echo "the unit has no system call filter"; exit 1; }

calls() { sed -nE 's/^[0-9]+ +([a-z0-9_]+)\(.*/\1/p' "$1" | sort -u; }
status=0
for run in sim unprivileged hardware; do
  calls "$run.strace" > "$run.calls"
done
sort -u sim.calls unprivileged.calls hardware.calls > all.calls
printf '%-20s %-30s %s\n' "call" "made by" "allowed"
while read -r call; do
  runs=$(for run in sim unprivileged hardware; do
    if grep -qx "$call" "$run.calls"; then echo -n "$run "; fi
  done)
  if grep -qx "$call" allowed; then verdict=yes; else verdict=NO; status=1; fi
  printf '%-20s %-30s %s\n' "$call" "$runs" "$verdict"
done < all.calls
exit $status
