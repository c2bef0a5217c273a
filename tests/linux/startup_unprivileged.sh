#!/bin/sh
# Starts the Linux hardware build as a user without rights to the ports: it
# must say so, with the system's reason on the standard error stream, and end
# with exit status 1. It is never run as root here, where
# it would drive the machine's real ports.
set -u
program=$1
dir=$(mktemp -d)
chmod 755 "$dir"
cd "$dir" || exit 2
if [ "$(id -u)" = 0 ]; then
  run="setpriv --reuid=65534 --regid=65534 --clear-groups --inh-caps=-all --bounding-set=-all"
else
  run=""
fi
$run "$program" > out.txt 2> err.txt
status=$?
expected=$(printf 'open ThermalTable file err! \n\n\ninitializes the DLL Error')
actual=$(cat out.txt)
reason=$(cat err.txt)
rm -rf "$dir"
case $reason in
"thermal-control: the kernel refused I/O ports 0x4e-0x4f (ioperm: "*) ;;
*) reason_wrong=1 ;;
esac
if [ "$status" != 1 ] || [ "$actual" != "$expected" ] || [ -n "${reason_wrong:-}" ]; then
  echo "exit status $status, output:"
  echo "$actual"
  echo "standard error:"
  echo "$reason"
  exit 1
fi
echo "refused without rights: exit status 1, \"initializes the DLL Error\", after: $reason"
