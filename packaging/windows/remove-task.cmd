@echo off
rem Ends thermal-control if it runs as its task, and removes the task from
rem Task Scheduler. Run it as administrator.
schtasks /End /TN "thermal-control" >nul 2>&1
schtasks /Delete /TN "thermal-control" /F || (
  echo The task was not removed: run this script as administrator.
  exit /b 1
)
