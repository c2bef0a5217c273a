# Builds the zip package and checks what it holds: the program, the table
# tool, the sample table, the README and the licence, and never a
# WinRing0.dll. Then reads the MSI's tables, where it was built: the service
# (its own process, started automatically, as LocalSystem), started at
# install without waiting, stopped and removed at uninstall; the program in
# the Program Files folder, the table in the ProgramData folder, kept and
# never overwritten; an upgrade in place.
# Run with -DBUILD_DIR=... -DVERSION=... [-DMSIINFO=...]

execute_process(COMMAND ${CMAKE_CPACK_COMMAND} -G ZIP --config ${BUILD_DIR}/CPackConfig.cmake
                WORKING_DIRECTORY ${BUILD_DIR} RESULT_VARIABLE failed OUTPUT_QUIET)
set(zip ${BUILD_DIR}/thermal-control-${VERSION}-win32.zip)
if(failed OR NOT EXISTS ${zip})
  message(FATAL_ERROR "cpack did not make ${zip}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E tar tf ${zip} OUTPUT_VARIABLE listing)
set(top thermal-control-${VERSION}-win32)
foreach(file thermal-control.exe thermal-table.exe ThermalTable.txt README.md LICENSE)
  string(FIND "${listing}" "${top}/${file}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${zip} lacks ${file}:\n${listing}")
  endif()
endforeach()
string(TOLOWER "${listing}" lower)
string(FIND "${lower}" "winring0.dll" at)
if(NOT at EQUAL -1)
  message(FATAL_ERROR "${zip} holds a WinRing0.dll:\n${listing}")
endif()
message(STATUS "${zip}:\n${listing}")

if(NOT MSIINFO)
  return()
endif()
set(msi ${BUILD_DIR}/thermal-control-${VERSION}-x86.msi)
# table NAME: the table's rows, tab-separated, one a line, its header left out.
function(table name result)
  execute_process(COMMAND ${MSIINFO} export ${msi} ${name} OUTPUT_VARIABLE rows
                  RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "msiinfo cannot read the table ${name} of ${msi}")
  endif()
  message(STATUS "${name}:\n${rows}")
  set(${result} "${rows}" PARENT_SCOPE)
endfunction()
function(require rows row what)
  string(FIND "${rows}" "${row}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${what}: no row '${row}'")
  endif()
endfunction()
table(ServiceInstall services)
require("${services}" "Service\tthermal-control\tthermal-control\t16\t2\t1\t\t\tLocalSystem\t"
        "not its own process (16), started automatically (2), as LocalSystem")
table(ServiceControl controls)
require("${controls}" "StartService\tthermal-control\t1\t\t0\tProgram"
        "not started at install without waiting")
require("${controls}" "StopService\tthermal-control\t162\t\t1\tProgram"
        "not stopped at install and uninstall and removed at uninstall (2 + 32 + 128)")
table(Directory directories)
require("${directories}" "INSTALLDIR\tProgramFilesFolder\tthermal-control" "not in Program Files")
require("${directories}" "DATADIR\tCommonAppDataFolder\tthermal-control" "the table not in ProgramData")
table(Component components)
require("${components}" "Table\t{8E1E7C1B-4A6F-4F2B-A4D5-0F3B5E2C9A11}\tDATADIR\t144\t"
        "the table not NeverOverwrite (128) and Permanent (16)")
table(Upgrade upgrades)
require("${upgrades}" "{6B1F3A52-8C1D-4E7B-9E53-2C4F0A7D1E90}\t\t${VERSION}\t\t1\t\tWIX_UPGRADE_DETECTED"
        "no upgrade of an earlier version in place")
