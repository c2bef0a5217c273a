# Builds the zip package and checks what it holds: the program, the table
# tool, the sample table, the README and the licence, the task that starts the
# program with the machine and its scripts, and never a WinRing0.dll.
# Run with -DBUILD_DIR=... -DVERSION=...

execute_process(COMMAND ${CMAKE_CPACK_COMMAND} -G ZIP --config ${BUILD_DIR}/CPackConfig.cmake
                WORKING_DIRECTORY ${BUILD_DIR} RESULT_VARIABLE failed OUTPUT_QUIET)
set(zip ${BUILD_DIR}/thermal-control-${VERSION}-win32.zip)
if(failed OR NOT EXISTS ${zip})
  message(FATAL_ERROR "cpack did not make ${zip}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E tar tf ${zip} OUTPUT_VARIABLE listing)
set(top thermal-control-${VERSION}-win32)
foreach(file thermal-control.exe thermal-table.exe ThermalTable.txt README.md LICENSE
             thermal-control-task.xml install-task.cmd remove-task.cmd)
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
