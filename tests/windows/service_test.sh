#!/bin/bash
# The Windows service under Wine, as the MSI installs it, over what a user
# without rights could have left in %ProgramData% first: a file where the
# service's folder belongs, a folder where its log belongs, a table anyone
# may write, and a reader that holds its log. msiexec /i installs the
# build's MSI (which writes nothing to ProgramData), and the service starts
# without WinRing0.dll: it makes its folder, sets the file aside, puts the
# sample table in it, and stops with the service-specific code of its
# failure. The stand-in WinRing0.dll is put beside the program as the README
# tells a user to put theirs, and sc start runs the service: its log, each
# line stamped with the time, shows the start line, the start-up and cycles
# on the built-in table (the table anyone may write is refused), and after
# sc stop the stop line; thermal-table replays it. Held by a reader at its
# rotation, the log loses nothing. The bus mutexes grant everyone the right
# to wait on them, the one-copy mutex only the administrators. A rebuild of
# the same version replaces the installed one; msiexec /x removes the
# service and the program's folder, and keeps the service's folder. Wine
# runs services while its wineserver lives: one is kept for the test, and
# ended after it. Wine keeps no owners of files, nor a service's recovery,
# so their rules are tested in-process; a file anyone may write it shows.
#
#   service_test.sh WINE_RUN WINE_PREFIX BUILD_DIR TESTS_DIR THERMAL_TABLE
set -u
wine_run=$1 prefix=$2 build=$3 tests=$4 thermal_table=$5
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
wait_state() { for _ in $(seq 100); do [ "$(state)" = "$1" ] && return; sleep 0.1; done; }
# The log's lines without the time each begins with, which must be there.
unstamped() { sed -E 's/^[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}[+-][0-9]{2}:[0-9]{2} //' "$@"; }

msi=$(ls "$build"/thermal-control-*.msi 2>/dev/null | head -n 1)
[ -n "$msi" ] || { echo "FAIL no MSI in $build"; exit 1; }
program_folder="$prefix/drive_c/Program Files/thermal-control"
program_data="$prefix/drive_c/ProgramData"
data_folder="$program_data/thermal-control"
log="$data_folder/thermal-control.log"
rm -rf "$data_folder" "$data_folder".set-aside-*

# A wineserver of the test's own, kept until its end: its service manager
# starts with it. It is ended before the test is: wineserver -k returns as
# the server begins to end, and the next test's program would meet it
# ending.
wineserver -k 2>/dev/null
wineserver -p
holder=
trap '[ -n "$holder" ] && kill $holder 2>/dev/null; wineserver -k 2>/dev/null && wineserver -w' EXIT

# ---- A file stands where the service's folder belongs, then the install.
echo "a user's" >"$data_folder"
windows_msi=$(wine winepath -w "$msi")
wine msiexec /i "$windows_msi" /qn
status=$?
[ "$status" = 0 ] || fail "msiexec /i over a file named thermal-control in ProgramData: status $status"
[ -f "$program_folder/thermal-control.exe" ] && [ -f "$program_folder/ThermalTable.txt" ] ||
  fail "no thermal-control.exe and sample table in the Program Files folder"
echo "installed: $(ls "$program_folder" | tr '\n' ' ')"

# Without WinRing0.dll the service stops again, its start-up failed with the
# code of its kind, and its log says why. It made its folder, set the file
# aside, and put the sample table there.
wait_state STOPPED
echo "before WinRing0.dll is there: $(wine sc query thermal-control | grep -E 'STATE|EXIT_CODE' | tr -s ' ' | tr '\n' ';')"
wine sc query thermal-control | grep -q 'SERVICE_EXIT_CODE *: 4 ' ||
  fail "a start-up without the library did not stop with the service-specific code 4"
[ -d "$data_folder" ] || fail "the service did not make its folder in place of the file"
set_aside=$(ls -d "$data_folder".set-aside-* 2>/dev/null)
[ "$(cat "$set_aside" 2>/dev/null)" = "a user's" ] || fail "the file was not set aside"
cmp -s "$program_folder/ThermalTable.txt" "$data_folder/ThermalTable.txt" ||
  fail "the folder the service made has no sample table"
echo "ProgramData: $(ls "$program_data" | grep thermal-control | tr '\n' ' ')| its folder: $(ls "$data_folder" | tr '\n' ' ')"
echo "its log:"
sed 's/^/    /' "$log"
head -n 1 "$log" | grep -qE '^[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9:]{8}[+-][0-9]{2}:[0-9]{2} thermal-control: thermal-control [0-9.]+ starts as the service in C:\\ProgramData\\thermal-control$' ||
  fail "the log does not begin with the stamped start line"
unstamped "$log" | grep -q "^thermal-control: .*thermal-control is no folder of the service's .*: set aside as " ||
  fail "the log does not say the file was set aside"
unstamped "$log" | grep -q "^thermal-control: WinRing0.dll is not in the program's folder" &&
  unstamped "$log" | grep -q '^initializes the DLL Error' || fail "the log does not say why the start-up failed"
tail -n 1 "$log" | unstamped | grep -q "^thermal-control: thermal-control stops: its start-up failed with exit status 4: thermal-control: WinRing0.dll is not in the program's folder" ||
  fail "the log does not end with the stop line and why"

# ---- The stand-in library; a folder where the log belongs, and a table
# anyone may write.
cp "$tests/standin/WinRing0.dll" "$tests/standin/WinRing0x64.sys" "$tests/standin/WinRing0.sys" \
  "$program_folder/"
rm -f "$log"
mkdir -p "$log/a user's"
chmod 666 "$data_folder/ThermalTable.txt"
wine sc start thermal-control >/dev/null || fail "sc start failed"
for _ in $(seq 100); do unstamped "$log" 2>/dev/null | grep -q '^heartbat 00003 ' && break; sleep 0.1; done
echo "running: $(state); the log:"
sed 's/^/    /' "$log"
[ "$(state)" = RUNNING ] || fail "the service is not running"
[ -f "$log" ] && ls -d "$log".set-aside-* >/dev/null 2>&1 || fail "the folder in the log's place was not set aside"
unstamped "$log" | grep -q "^thermal-control: .*thermal-control.log is no file (a folder or a link stands there): set aside as " ||
  fail "the log does not say it set the folder aside"
unstamped "$log" | grep -q '^thermal-control: cannot use ThermalTable.txt: Everyone.* may write it; the built-in table serves$' &&
  unstamped "$log" | grep -q '^open ThermalTable file err!' || fail "the table anyone may write was used"
unstamped "$log" | grep -qE '^thermal-control: thermal-control [0-9.]+ runs on the built-in table$' ||
  fail "the log does not say which table the start-up put in force"
unstamped "$log" | grep -q '^Init_WinRing0 ok' && unstamped "$log" | grep -q '^open port ok' ||
  fail "the log shows no start-up"
unstamped "$log" | grep -q '^heartbat 00003 Now Tempareture is: ' || fail "the log shows no cycles"
[ "$(grep -cvE '^[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9:]{8}[+-][0-9]{2}:[0-9]{2} ' "$log")" = 0 ] ||
  fail "a line of the log has no time"

for mutex in 'Global\Access_ISABUS.HTP.Method' 'Global\Access_PCI' 'Global\Access_EC'; do
  dacl=$(wine "$tests/mutex_dacl.exe" "$mutex")
  echo "$mutex: $dacl"
  [[ $dacl == *"(A;;0x100001;;;WD)"* ]] || fail "$mutex does not let everyone wait on it"
done
dacl=$(wine "$tests/mutex_dacl.exe" 'Global\thermal-control')
echo "Global\\thermal-control: $dacl"
[[ $dacl == "O:BAD:"* && $dacl != *";WD)"* ]] ||
  fail "the one-copy mutex is not the administrators' own, or lets everyone at it"

started=$(date +%s%N)
wine sc stop thermal-control >/dev/null
wait_state STOPPED
ms=$((($(date +%s%N) - started) / 1000000))
echo "sc stop: $(state) after $ms ms; the log ends with:"
tail -n 2 "$log" | sed 's/^/    /'
[ "$(state)" = STOPPED ] && [ "$ms" -lt 3000 ] || fail "the service did not stop within 3 s"
wine sc query thermal-control | grep -q 'WIN32_EXIT_CODE *: 0 ' || fail "the stop was not a clean one"
tail -n 1 "$log" | unstamped | grep -qx 'thermal-control: thermal-control stops: the service was stopped' ||
  fail "the log does not end with the stop line"
replay=$("$thermal_table" simulate --log "$log" 2>&1)
echo "thermal-table simulate --log: $(head -n 1 <<<"$replay")"
grep -q "^cycles: [1-9]" <<<"$replay" && ! grep -q "not replayed" <<<"$replay" ||
  fail "thermal-table does not replay the service's log: $replay"

# ---- A reader holds the log as its rotation comes: its lines are copied to
# the previous log and it is emptied in place; none is lost.
chmod 644 "$data_folder/ThermalTable.txt"
rm -rf "$log"*
filler=$(printf '%s filler line %0100d\n' 2026-12-10T08:30:01+01:00 0)
for _ in $(seq $((4190 * 1024 / (${#filler} + 1)))); do echo "$filler"; done >"$log"
filled=$(wc -l <"$log")
"$wine_run" "$tests/hold_file.exe" 'C:\ProgramData\thermal-control\thermal-control.log' >"$prefix/held.txt" 2>&1 &
holder=$!
for _ in $(seq 100); do grep -q held "$prefix/held.txt" && break; sleep 0.1; done
wine sc start thermal-control >/dev/null || fail "sc start under a held log failed"
for _ in $(seq 100); do unstamped "$log" 2>/dev/null | grep -q '^heartbat 00002 ' && break; sleep 0.1; done
wine sc stop thermal-control >/dev/null
wait_state STOPPED
kill $holder
holder=
echo "under a held reader: $(wc -c <"$log.1") bytes in $(basename "$log.1"), then $(wc -l <"$log") lines in $(basename "$log"), from: $(head -n 1 "$log" | cut -c1-90)"
[ "$(grep -c ' filler line ' "$log.1" 2>/dev/null)" = "$filled" ] || fail "the held log's lines were not all kept"
grep -q 'starts as the service' "$log.1" "$log" && unstamped "$log" | grep -q '^heartbat 00002 ' ||
  fail "the run's lines were lost at the rotation"
grep -q 'starts anew' "$log" && fail "the held log started anew"
[ $(($(wc -c <"$log.1") + $(wc -c <"$log"))) -le $((8 * 1024 * 1024)) ] || fail "the two logs pass their cap"

# ---- The events' texts, as Event Viewer shows them from the exe.
exe='C:\Program Files\thermal-control\thermal-control.exe'
for id in 0x40000001 0xC0000104; do
  text=$(wine "$tests/event_text.exe" "$exe" $id "what it said")
  echo "event $id: $text"
  [[ $text == "thermal-control "*"what it said"* ]] || fail "event $id has no text in the exe"
done

# ---- A rebuild of the same version: another product code, installed over.
rebuilt="$prefix/rebuilt.msi"
cp "$msi" "$rebuilt"
msibuild "$rebuilt" -q "UPDATE Property SET Value = '{3F2504E0-4F89-11D3-9A0C-0305E82C3301}' WHERE Property = 'ProductCode'" ||
  fail "cannot make another product code"
wine msiexec /i "$(wine winepath -w "$rebuilt")" /qn || fail "msiexec /i of the rebuild failed"
products=$(wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s | grep -c 'DisplayName.*thermal-control')
echo "after installing a rebuild of the same version: $products product(s) listed"
[ "$products" = 1 ] || fail "the rebuild went beside the installed one"

# The library is the user's: taken away first, as its owner would.
rm -f "$program_folder"/WinRing0*
wine msiexec /x "$(wine winepath -w "$rebuilt")" /qn
status=$?
[ "$status" = 0 ] || fail "msiexec /x: status $status"
wine sc query thermal-control | grep -q SERVICE_NAME && fail "the service is still there"
[ -e "$program_folder" ] && fail "the Program Files folder is still there"
[ -f "$data_folder/ThermalTable.txt" ] || fail "the table went with the uninstall"
echo "uninstalled: service $(wine sc query thermal-control | grep -c SERVICE_NAME), program folder $( [ -e "$program_folder" ] && echo stays || echo gone), table $( [ -f "$data_folder/ThermalTable.txt" ] && echo kept || echo gone)"
rm -rf "$data_folder" "$data_folder".set-aside-* "$rebuilt" "$prefix/held.txt"
exit $failed
