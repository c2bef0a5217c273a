#!/bin/bash
# The Linux hardware build refused at start-up: after the line that says
# which path to the ports it took, each refusal says why in one line on the
# standard error stream, then "initializes the DLL Error", exit status 1
# (3 where another copy runs), and no port or PCI register touched.
#
# 1. As a user without rights: the kernel really refuses the ports.
# 2-5, as root with strace (else skipped, as a user cannot run them): the
#    refusal of ioperm injected, so that no real port is reached, without
#    lockdown and under a lockdown shown by a fake lockdown file (in a mount
#    namespace of its own); with ioperm answered by strace and never run, a
#    driver's claim of the EC's ports shown by a fake /proc/ioports, and a
#    second copy, while another process holds the one-copy lock (with only
#    firmware's reservations and a bridge's window over the EC's ports).
# It never runs the program with real port rights here, and each run ends
# before the PCI search.
set -u
program=$1
here=$(cd "$(dirname "$0")" && pwd)
dir=$(mktemp -d)
chmod 755 "$dir"
cp "$program" "$dir/thermal-control"
cd "$dir" || exit 2
printf "0,0,0,0,\n255,0,0,0,\n" >ThermalTable.txt
trap 'rm -rf "$dir"' EXIT
failed=0
refused='initializes the DLL Error'

path="thermal-control: the EC's ports through ioperm, the bridge through sysfs (no /dev/thermal_ec)"

device_path="thermal-control: the EC's ports and the bridge through /dev/thermal_ec"

# check NAME EXPECTED-START [PATH [STATUS]]: the last run's output, status,
# path and message.
check() {
  local name=$1 expected=$2 taken=${3:-$path} wanted=${4:-1} status out err
  status=$(cat status) out=$(tail -n 1 out.txt) err=$(tail -n +2 err.txt)
  if [ "$status" != "$wanted" ] || [ "$out" != "$refused" ] || [ "$(head -n 1 err.txt)" != "$taken" ] ||
    [[ $err != "$expected"* ]]; then
    echo "FAIL $name: exit status $status, last line \"$out\", standard error:"
    cat err.txt
    failed=1
  else
    echo "ok   $name: $err"
  fi
}

if [ "$(id -u)" = 0 ]; then run=$here/as-nobody; else run=""; fi
$run ./thermal-control >out.txt 2>err.txt
echo $? >status
check "without rights" "thermal-control: the kernel refused I/O ports 0x4e-0x4f (ioperm: "

if [ "$(id -u)" != 0 ] || ! command -v strace >/dev/null; then
  echo "skipped the rest: needs root and strace"
  exit $failed
fi

# Runs the program with ioperm's result injected, in a mount namespace whose
# /sys/kernel/security holds the lockdown file given (none: no file), and
# whose /proc/ioports is the file given (none: the machine's).
# A sanitized build's leak check cannot run under strace's ptrace, and would
# end the run with a status of its own: it is left out there.
run_injected() {
  local inject=$1 lockdown=$2 ioports=${3:-}
  ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0 unshare --mount --propagation unchanged sh -c '
    mount --make-rprivate /sys && mount --make-rprivate /proc &&
    mount -t tmpfs fake-securityfs /sys/kernel/security &&
    if [ -n "$2" ]; then echo "$2" >/sys/kernel/security/lockdown; fi &&
    if [ -n "$3" ]; then mount --bind "$3" /proc/ioports; fi &&
    exec strace -f -qq -o strace.txt -e inject=ioperm:$1 ./thermal-control' \
    sh "$inject" "$lockdown" "$ioports" >out.txt 2>err.txt
  echo $? >status
}

run_injected error=EPERM ""
check "ioperm refused, no lockdown" \
  "thermal-control: the kernel refused I/O ports 0x4e-0x4f (ioperm: Operation not permitted); the program needs CAP_SYS_RAWIO"
run_injected error=EPERM "none [integrity] confidentiality"
check "ioperm refused under lockdown" \
  "thermal-control: the kernel refused I/O ports 0x4e-0x4f (ioperm: Operation not permitted): it is locked down (integrity); a locked-down kernel refuses I/O port access and writes to PCI config files even to root"

# The ACPI EC driver holds the EC's ports, its regions inside those of the
# firmware's EC device.
printf '%s\n' "0000-0cf7 : PCI Bus 0000:00" "  0060-0060 : keyboard" \
  "  0068-0068 : PNP0C09:00" "    0068-0068 : EC data" \
  "  006c-006c : PNP0C09:00" "    006c-006c : EC cmd" >claimed.ioports
run_injected retval=0 "none [none]" "$dir/claimed.ioports"
check "a driver claims the EC's ports" \
  "thermal-control: the EC's port 0x68 is claimed by \"EC data\" in /proc/ioports"

# Another process holds the lock, as a running copy would; the file still
# names a process long gone, as a holder that wrote no number leaves it.
# Firmware's reservations and a host bridge's window lie over the EC's ports:
# they are no driver's, and the copy goes on to the lock.
printf '%s\n' "0000-0cf7 : PCI Bus 0000:00" "  0068-006f : pnp 00:02" >reserved.ioports
made_lock_folder=""
[ -d /run/thermal-control ] || made_lock_folder=1
mkdir -p /run/thermal-control
echo 999999 >/run/thermal-control/lock
flock --no-fork /run/thermal-control/lock sleep 30 &
holder=$!
for _ in $(seq 50); do grep -q "FLOCK .* $holder " /proc/locks && break; sleep 0.1; done
run_injected retval=0 "none [none]" "$dir/reserved.ioports"
check "a second copy" \
  "thermal-control: another thermal-control (process $holder) is already running on this machine and holds the EC's ports" \
  "$path" 3
# The same lock keeps out a copy that would go through the module's device
# (here a plain file in a /dev of its own, which it never reaches). /dev is
# made private first, so that the fake one never shows outside.
unshare --mount --propagation unchanged sh -c \
  'mount --make-rprivate /dev && mount -t tmpfs fake-dev /dev && touch /dev/thermal_ec &&
   exec ./thermal-control' >out.txt 2>err.txt
echo $? >status
kill $holder
wait $holder 2>/dev/null
check "a second copy through the device" \
  "thermal-control: another thermal-control (process $holder) is already running on this machine and holds the EC's ports" \
  "$device_path" 3
# It went no further than the lock: no PCI search, no config write.
if grep -q 'pci/devices' strace.txt; then
  echo "FAIL a second copy: it went on to the PCI devices"
  failed=1
fi
# It asked ioperm for exactly the four ports it uses: the configuration ports
# and the EC's two.
granted=$(sed -nE 's/.*ioperm\((0x[0-9a-f]+), (0x[0-9a-f]+), 1\).*/\1+\2/p' strace.txt | tr '\n' ' ')
if [ "$granted" != "0x4e+0x2 0x68+0x1 0x6c+0x1 " ]; then
  echo "FAIL the ports asked of ioperm (first+count): $granted"
  failed=1
fi

# A link planted where the lock belongs: the copy, run as root, neither
# follows it nor changes the file it points to.
echo precious >target.txt
chmod 644 target.txt
rm -f /run/thermal-control/lock
ln -s "$dir/target.txt" /run/thermal-control/lock
run_injected retval=0 "none [none]" "$dir/reserved.ioports"
rm -f /run/thermal-control/lock
check "the lock is a link" \
  "thermal-control: /run/thermal-control/lock is a symbolic link: the program opens its lock only as a plain file"
if [ "$(cat target.txt)" != precious ] || [ "$(stat -c %a target.txt)" != 644 ]; then
  echo "FAIL the lock is a link: the file it points to was changed"
  failed=1
fi
# A plain file where the lock's folder belongs (only where this test made the
# folder: another copy may use one that was there before).
if [ -n "$made_lock_folder" ]; then
  rm -rf /run/thermal-control
  touch /run/thermal-control
  run_injected retval=0 "none [none]" "$dir/reserved.ioports"
  rm -f /run/thermal-control
  check "the lock's folder is a file" \
    "thermal-control: /run/thermal-control is not a folder (a file or a link stands there)"
fi
exit $failed
