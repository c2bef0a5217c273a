#!/bin/sh
# Checks the Task Scheduler task that the Windows zip carries, as Task
# Scheduler reads it: well-formed XML, each setting the program needs (at
# start-up, as SYSTEM with the highest rights, no time limit, started again a
# minute after a failure, not stopped on battery, one copy at a time), and the
# program's path and folder where install-task.cmd puts the folder. With a
# Wine command given, Wine's schtasks registers it, with a folder in place,
# and removes it.
#
#   check_task.sh TASK_XML XMLLINT [WINE]
set -u
task=$1 xmllint=$2 wine=${3:-}
failed=0
"$xmllint" --noout "$task" || exit 1

# setting XPATH EXPECTED: the text at the path, elements named by their local names.
setting() {
  path=$(echo "$1" | sed -E "s#([A-Za-z]+)#*[local-name()='\\1']#g")
  value=$("$xmllint" --xpath "string($path)" "$task")
  if [ "$value" = "$2" ]; then
    printf 'ok   %s: %s\n' "$1" "$value"
  else
    printf 'FAIL %s: "%s", not "%s"\n' "$1" "$value" "$2"
    failed=1
  fi
}
setting /Task/Triggers/BootTrigger/Enabled true
setting /Task/Principals/Principal/UserId S-1-5-18
setting /Task/Principals/Principal/RunLevel HighestAvailable
setting /Task/Settings/ExecutionTimeLimit PT0S
setting /Task/Settings/RestartOnFailure/Interval PT1M
setting /Task/Settings/RestartOnFailure/Count 999
setting /Task/Settings/DisallowStartIfOnBatteries false
setting /Task/Settings/StopIfGoingOnBatteries false
setting /Task/Settings/MultipleInstancesPolicy IgnoreNew
setting /Task/Actions/Exec/Command '"@FOLDER@\thermal-control.exe"'
setting /Task/Actions/Exec/WorkingDirectory '@FOLDER@'

if [ -n "$wine" ]; then
  work=$(mktemp -d)
  sed 's#@FOLDER@#C:\\thermal-control#g' "$task" >"$work/task.xml"
  xml="Z:$(echo "$work/task.xml" | tr / '\\')"
  if "$wine" schtasks /Create /TN thermal-control-check /XML "$xml" /F &&
    "$wine" schtasks /Delete /TN thermal-control-check /F; then
    echo "ok   Wine's schtasks registers the task, and removes it"
  else
    echo "FAIL Wine's schtasks does not register the task"
    failed=1
  fi
  rm -rf "$work"
fi
exit $failed
