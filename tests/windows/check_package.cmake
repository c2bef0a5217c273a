# Builds the zip package and checks what it holds: the program, the table
# tool, the sample table, the README and the licence, and never a
# WinRing0.dll. Then reads the MSI's tables, where it was built: the service
# (its own process, started automatically, as LocalSystem), started at
# install without waiting, stopped and removed at uninstall; the program and
# the sample table in the Program Files folder, and nothing in ProgramData;
# the event source with the exe as its message file; the service's recovery
# (restarted twice after 5 s and once after 60 s, then left stopped, counted
# over a day, an exit with a failure counting too), applied at install; an
# upgrade in place, of the same version too.
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
string(FIND "${directories}" "CommonAppDataFolder" at)
if(NOT at EQUAL -1)
  message(FATAL_ERROR "the MSI writes to ProgramData, where any user may have made it first")
endif()
table(File files)
require("${files}" "SampleTable\tProgram\tThermalTable.txt\t" "no sample table beside the program")
table(Registry registry)
set(source "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\thermal-control")
require("${registry}" "\t2\t${source}\tEventMessageFile\t[#Program]\tProgram"
        "the event source's message file is not the exe")
require("${registry}" "\t2\t${source}\tTypesSupported\t#7\tProgram"
        "the event source takes no errors, warnings and information")
table(MsiServiceConfigFailureActions recovery)
require("${recovery}"
        "Recovery\tthermal-control\t1\t86400\t\t\t1[~]1[~]1[~]0\t5000[~]5000[~]60000[~]0\tProgram"
        "not restarted after 5 s, 5 s and 60 s, then left stopped, over a day")
table(MsiServiceConfig configs)
require("${configs}" "\tthermal-control\t1\t4\t1\tProgram"
        "an exit with a failure does not count as a failure")
table(InstallExecuteSequence sequence)
require("${sequence}" "MsiConfigureServices\tVersionNT >= 600\t5850"
        "the recovery is not applied at install")
table(Upgrade upgrades)
require("${upgrades}" "{6B1F3A52-8C1D-4E7B-9E53-2C4F0A7D1E90}\t\t${VERSION}\t\t513\t\tWIX_UPGRADE_DETECTED"
        "no upgrade in place of an earlier version or the same one")
