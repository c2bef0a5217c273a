@echo off
rem Registers thermal-control with Task Scheduler as a task of the system's,
rem started with the machine, from the folder this script stands in (where
rem the zip was unpacked). Run it as administrator. thermal-control's lines
rem then go to thermal-control.log in this folder.
setlocal
set "folder=%~dp0"
set "folder=%folder:~0,-1%"
set "task=%TEMP%\thermal-control-task.xml"
rem The task's XML with this folder in it, written as UTF-16, which schtasks reads.
powershell -NoProfile -ExecutionPolicy Bypass -Command ^
  "$folder = [Security.SecurityElement]::Escape($env:folder);" ^
  "$xml = [IO.File]::ReadAllText($env:folder + '\thermal-control-task.xml').Replace('@FOLDER@', $folder).Replace('encoding=\"UTF-8\"', 'encoding=\"UTF-16\"');" ^
  "[IO.File]::WriteAllText($env:task, $xml, [Text.Encoding]::Unicode)" || goto failed
schtasks /Create /TN "thermal-control" /XML "%task%" /F || goto failed
del "%task%"
echo thermal-control starts with the machine from now on. To start it now:
echo     schtasks /Run /TN thermal-control
exit /b 0
:failed
echo The task was not registered: run this script as administrator.
exit /b 1
