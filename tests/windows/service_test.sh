#!/bin/bash
# The Windows service under Wine, as the MSI installs it: msiexec /i installs
# the build's MSI, the stand-in WinRing0.dll is put beside the program as the
# README tells a user to put theirs, and sc start runs the service: its log
# in the ProgramData folder shows the start-up and cycles on the stand-in,
# and the bus mutexes grant everyone the right to wait on them; sc stop
# stops it within 3 s; msiexec /x removes the service and the program's
# folder, and keeps the table. Wine runs services while its wineserver lives:
# one is kept for the test, and ended after it.
#
#   service_test.sh WINE_RUN WINE_PREFIX BUILD_DIR TESTS_DIR
set -u
wine_run=$1 prefix=$2 build=$3 tests=$4
failed=0
fail() {
  echo "FAIL $*"
  failed=1
}
export WINEPREFIX=$prefix
wine() {
  "$wine_run" "$@" 2>/dev/null | tr -d '\r'
  return "${PIPESTATUS[0]}"
}
state() { wine sc query thermal-control | sed -n 's/^ *STATE *: *[0-9]* *//p'; }

msi=$(ls "$build"/thermal-control-*.msi 2>/dev/null | head -n 1)
[ -n "$msi" ] || { echo "FAIL no MSI in $build"; exit 1; }
program_folder="$prefix/drive_c/Program Files/thermal-control"
data_folder="$prefix/drive_c/ProgramData/thermal-control"
log="$data_folder/thermal-control.log"

# A wineserver of the test's own, kept until its end: its service manager
# starts with it.
wineserver -k 2>/dev/null
wineserver -p
trap 'wineserver -k 2>/dev/null' EXIT

windows_msi=$(wine winepath -w "$msi")
wine msiexec /i "$windows_msi" /qn
status=$?
[ "$status" = 0 ] || fail "msiexec /i: status $status"
[ -f "$program_folder/thermal-control.exe" ] || fail "no thermal-control.exe in the Program Files folder"
[ -f "$data_folder/ThermalTable.txt" ] || fail "no ThermalTable.txt in the ProgramData folder"
echo "installed: $(ls "$program_folder" | tr '\n' ' ')| ProgramData: $(ls "$data_folder" | tr '\n' ' ')"

# Without WinRing0.dll the service stops again, its start-up failed: exit 1,
# and its log says why.
for _ in $(seq 50); do [ "$(state)" = STOPPED ] && break; sleep 0.1; done
echo "before WinRing0.dll is there: $(wine sc query thermal-control | grep -E 'STATE|EXIT_CODE' | tr -s ' ' | tr '\n' ';')"
wine sc query thermal-control | grep -q 'SERVICE_EXIT_CODE *: 1 ' ||
  fail "a start-up without the library did not stop with the service-specific code 1"
echo "its log ends with:"
tail -n 2 "$log" | sed 's/^/    /'
grep -q "^thermal-control: WinRing0.dll is not in the program's folder" "$log" &&
  grep -q '^initializes the DLL Error' "$log" || fail "the log does not say why the start-up failed"

cp "$tests/standin/WinRing0.dll" "$tests/standin/WinRing0x64.sys" "$tests/standin/WinRing0.sys" \
  "$program_folder/"
rm -f "$log"
wine sc start thermal-control >/dev/null || fail "sc start failed"
for _ in $(seq 100); do grep -q '^heartbat 00003 ' "$log" 2>/dev/null && break; sleep 0.1; done
echo "running: $(state); the log:"
sed 's/^/    /' "$log"
[ "$(state)" = RUNNING ] || fail "the service is not running"
grep -q '^ThermalTable: ' "$log" || fail "the log shows no table read from the ProgramData folder"
grep -q '^Init_WinRing0 ok' "$log" && grep -q '^open port ok' "$log" || fail "the log shows no start-up"
grep -q '^heartbat 00003 Now Tempareture is: ' "$log" || fail "the log shows no cycles"

for mutex in 'Global\Access_ISABUS.HTP.Method' 'Global\Access_PCI' 'Global\Access_EC' 'Global\thermal-control'; do
  dacl=$(wine "$tests/mutex_dacl.exe" "$mutex")
  echo "$mutex: $dacl"
  [[ $dacl == *"(A;;0x100001;;;WD)"* ]] || fail "$mutex does not let everyone wait on it"
done

started=$(date +%s%N)
wine sc stop thermal-control >/dev/null
for _ in $(seq 50); do [ "$(state)" = STOPPED ] && break; sleep 0.1; done
ms=$((($(date +%s%N) - started) / 1000000))
echo "sc stop: $(state) after $ms ms; the log ends with:"
tail -n 2 "$log" | sed 's/^/    /'
[ "$(state)" = STOPPED ] && [ "$ms" -lt 3000 ] || fail "the service did not stop within 3 s"
wine sc query thermal-control | grep -q 'WIN32_EXIT_CODE *: 0 ' || fail "the stop was not a clean one"

# The library is the user's: taken away first, as its owner would.
rm -f "$program_folder"/WinRing0*
wine msiexec /x "$windows_msi" /qn
status=$?
[ "$status" = 0 ] || fail "msiexec /x: status $status"
wine sc query thermal-control | grep -q SERVICE_NAME && fail "the service is still there"
[ -e "$program_folder" ] && fail "the Program Files folder is still there"
[ -f "$data_folder/ThermalTable.txt" ] || fail "the table went with the uninstall"
echo "uninstalled: service $(wine sc query thermal-control | grep -c SERVICE_NAME), program folder $( [ -e "$program_folder" ] && echo stays || echo gone), table $( [ -f "$data_folder/ThermalTable.txt" ] && echo kept || echo gone)"
rm -rf "$data_folder"
exit $failed
