# The Windows build: thermal-control.exe over WinRing0.dll, a console program
# that is also the service thermal-control, linked statically, so that it
# imports only system DLLs; the stand-in WinRing0.dll for the tests; the MSI
# and the zip package.

enable_language(RC)

set(THERMAL_DESCRIPTION "Keeps the embedded controller in step with the chip's temperature")
set(THERMAL_MANIFEST ${CMAKE_BINARY_DIR}/thermal-control.exe.manifest)
configure_file(src/app/windows/thermal-control.exe.manifest ${THERMAL_MANIFEST} @ONLY)
configure_file(src/app/windows/thermal-control.rc.in ${CMAKE_BINARY_DIR}/thermal-control.rc @ONLY)

# Where the library and its driver file stand; shared with the stand-in.
add_library(backend_winring0_files STATIC src/backends/winring0/winring0_files.cpp)
thermal_headers(backend_winring0_files PUBLIC backends/winring0/winring0_files.h)

# The mutexes through which software on Windows shares its buses; shared with
# the stand-in.
add_library(backend_winring0_buses INTERFACE)
thermal_headers(backend_winring0_buses INTERFACE backends/winring0/winring0_buses.h)
target_link_libraries(backend_winring0_buses INTERFACE port_lib)

# The service's events: their texts, the exe's message table, compiled by
# windmc into a resource and a header of their identifiers.
find_program(THERMAL_WINDMC NAMES ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32-windmc
                                  i686-w64-mingw32-windmc windmc REQUIRED)
set(events_mc ${CMAKE_SOURCE_DIR}/src/backends/winring0/thermal-control-events.mc)
set(events_dir ${CMAKE_BINARY_DIR}/include/backend_winring0/events/backends/winring0)
add_custom_command(
  OUTPUT ${events_dir}/thermal-control-events.h ${events_dir}/thermal-control-events.rc
  COMMAND ${CMAKE_COMMAND} -E make_directory ${events_dir}
  COMMAND ${THERMAL_WINDMC} -A -h ${events_dir} -r ${events_dir} ${events_mc}
  DEPENDS ${events_mc}
  VERBATIM)
add_custom_target(winring0_events DEPENDS ${events_dir}/thermal-control-events.h)

add_library(backend_winring0 STATIC src/backends/winring0/winring0_backend.cpp
                                    src/backends/winring0/winring0_holds.cpp
                                    src/backends/winring0/winring0_lock.cpp
                                    src/backends/winring0/winring0_trust.cpp
                                    src/backends/winring0/winring0_folder.cpp
                                    src/backends/winring0/winring0_metrics.cpp
                                    src/backends/winring0/winring0_output.cpp
                                    src/backends/winring0/winring0_service.cpp)
thermal_headers(backend_winring0 PRIVATE backends/winring0/winring0_holds.h
                                         backends/winring0/winring0_security.h
                                         backends/winring0/winring0_service.h)
target_include_directories(backend_winring0 PRIVATE ${CMAKE_BINARY_DIR}/include/backend_winring0/events)
add_dependencies(backend_winring0 winring0_events)
target_link_libraries(backend_winring0 PRIVATE port_lib exit_status backend_winring0_files
                                               backend_winring0_buses backend_common console
                                               log_stamp text_encoding console_code_page
                                               system_words shell32)
set_source_files_properties(src/backends/winring0/winring0_output.cpp PROPERTIES
  COMPILE_DEFINITIONS THERMAL_VERSION="${PROJECT_VERSION}")

add_executable(thermal-control src/app/main.cpp ${CMAKE_BINARY_DIR}/thermal-control.rc)
target_link_libraries(thermal-control PRIVATE controller port_lib backend_winring0)
thermal_shipped_program(thermal-control)
if(CMAKE_SYSTEM_PROCESSOR STREQUAL i686)
  target_link_options(thermal-control PRIVATE -flto -flto-partition=one)
endif()
set_source_files_properties(${CMAKE_BINARY_DIR}/thermal-control.rc PROPERTIES
  OBJECT_DEPENDS "${THERMAL_MANIFEST};${events_dir}/thermal-control-events.rc")
target_include_directories(thermal-control PRIVATE ${events_dir})

# The stand-in WinRing0.dll: the simulated machine behind the library's seven
# ordinals, and one that lacks an ordinal. Test files only: never installed.
# Each sits in its own folder of the test tree with a copy of the program.
set(THERMAL_STANDIN_DIR ${CMAKE_BINARY_DIR}/tests)
function(thermal_standin_dll target def_file folder)
  add_library(${target} SHARED src/backends/sim/sim_dll.cpp ${def_file})
  target_link_libraries(${target} PRIVATE backend_sim_machine backend_winring0_files
                                           backend_winring0_buses board)
  # The .def names the exports undecorated; on 32-bit Windows they are
  # stdcall functions, whose symbols carry their argument size.
  target_link_options(${target} PRIVATE -static -s -Wl,--enable-stdcall-fixup)
  set_target_properties(${target} PROPERTIES
    OUTPUT_NAME WinRing0
    PREFIX ""
    RUNTIME_OUTPUT_DIRECTORY ${THERMAL_STANDIN_DIR}/${folder}
    ARCHIVE_OUTPUT_DIRECTORY ${THERMAL_STANDIN_DIR}/${folder}/lib)
  # The program beside it, copied again whenever it is rebuilt, and the
  # driver files that the library needs beside it (empty: it only looks).
  set(copy ${THERMAL_STANDIN_DIR}/${folder}/thermal-control.exe)
  add_custom_command(OUTPUT ${copy}
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:thermal-control> ${copy}
    DEPENDS thermal-control)
  add_custom_target(${target}_program ALL DEPENDS ${copy})
  file(MAKE_DIRECTORY ${THERMAL_STANDIN_DIR}/${folder})
  file(TOUCH ${THERMAL_STANDIN_DIR}/${folder}/WinRing0.sys
             ${THERMAL_STANDIN_DIR}/${folder}/WinRing0x64.sys)
endfunction()
thermal_standin_dll(winring0_standin src/backends/sim/winring0_standin.def standin)
thermal_standin_dll(winring0_missing_ordinal src/backends/sim/winring0_missing_ordinal.def missing-ordinal)

# A winmm.dll planted beside the program, which ends the process when loaded.
add_library(planted_winmm SHARED tests/windows/planted_dll.cpp)
target_link_options(planted_winmm PRIVATE -static -s)
set_target_properties(planted_winmm PROPERTIES
  OUTPUT_NAME winmm
  PREFIX ""
  RUNTIME_OUTPUT_DIRECTORY ${THERMAL_STANDIN_DIR}/planted
  ARCHIVE_OUTPUT_DIRECTORY ${THERMAL_STANDIN_DIR}/planted/lib)

# For the tests: other software that holds a bus's mutex and never lets go,
# a look at a mutex's owner and rights, a reader that holds a file without
# sharing its deletion, and an event's text from a message file.
foreach(helper hold_mutex mutex_dacl hold_file event_text)
  add_executable(${helper} tests/windows/${helper}.cpp)
  target_link_options(${helper} PRIVATE -static -s -municode)
  set_target_properties(${helper} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${THERMAL_STANDIN_DIR})
endforeach()

# What a hold costs: the figures, printed when run on Windows or under Wine.
add_executable(windows_hold_bench bench/windows_hold_bench.cpp)
target_link_libraries(windows_hold_bench PRIVATE backend_winring0 port_lib)
target_link_options(windows_hold_bench PRIVATE -static)

# The MSI, where wixl is installed: thermal-control-<version>-x86.msi from the
# 32-bit build, -x64.msi from the 64-bit one. wixl writes no service recovery
# and no upgrade of the installed version itself, so msibuild adds them
# afterwards: the recovery's tables (MsiServiceConfigFailureActions, and
# MsiServiceConfig for the failure-actions flag) and the action that applies
# them, and the upgrade's row again with VersionMaxInclusive (512) beside
# MigrateFeatures (1), so that a rebuild of the same version replaces the one
# installed instead of going beside it.
find_program(THERMAL_WIXL wixl)
find_program(THERMAL_MSIBUILD msibuild)
if(THERMAL_WIXL AND THERMAL_MSIBUILD)
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL x86_64)
    set(msi_arch x64)
    set(msi_defines -D Win64=yes -D ProgramFiles=ProgramFiles64Folder)
  else()
    set(msi_arch x86)
    set(msi_defines -D Win64=no -D ProgramFiles=ProgramFilesFolder)
  endif()
  set(msi ${CMAKE_BINARY_DIR}/thermal-control-${PROJECT_VERSION}-${msi_arch}.msi)
  set(packaging ${CMAKE_SOURCE_DIR}/packaging/windows)
  set(wxs ${packaging}/thermal-control.wxs)
  file(STRINGS ${wxs} upgrade_code REGEX "UpgradeCode=\"[-0-9A-F]+\"")
  string(REGEX REPLACE ".*UpgradeCode=\"([-0-9A-F]+)\".*" "\\1" upgrade_code "${upgrade_code}")
  set(recovery_tables ${packaging}/MsiServiceConfigFailureActions.idt
                      ${packaging}/MsiServiceConfig.idt)
  # wixl takes the files from the folder of the .wxs, by their names.
  set(stage ${CMAKE_BINARY_DIR}/msi)
  add_custom_command(OUTPUT ${msi}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${stage}
    COMMAND ${CMAKE_COMMAND} -E copy ${wxs} $<TARGET_FILE:thermal-control>
            $<TARGET_FILE:thermal-table> ${CMAKE_SOURCE_DIR}/ThermalTable.txt
            ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/LICENSE ${stage}
    COMMAND ${THERMAL_WIXL} -a ${msi_arch} -o ${msi} -D Version=${PROJECT_VERSION}
            -D "Description=${THERMAL_DESCRIPTION}" ${msi_defines} ${stage}/thermal-control.wxs
    COMMAND ${THERMAL_MSIBUILD} ${msi} -i ${recovery_tables}
    COMMAND ${THERMAL_MSIBUILD} ${msi} -q
            "INSERT INTO InstallExecuteSequence (Action, Condition, Sequence) VALUES ('MsiConfigureServices', 'VersionNT >= 600', 5850)"
    COMMAND ${THERMAL_MSIBUILD} ${msi} -q
            "DELETE FROM Upgrade WHERE ActionProperty = 'WIX_UPGRADE_DETECTED'" -q
            "INSERT INTO Upgrade (UpgradeCode, VersionMax, Attributes, ActionProperty) VALUES ('{${upgrade_code}}', '${PROJECT_VERSION}', 513, 'WIX_UPGRADE_DETECTED')"
    DEPENDS ${wxs} ${recovery_tables} thermal-control thermal-table
            ${CMAKE_SOURCE_DIR}/ThermalTable.txt ${CMAKE_SOURCE_DIR}/README.md
            ${CMAKE_SOURCE_DIR}/LICENSE
    VERBATIM)
  add_custom_target(msi ALL DEPENDS ${msi})
else()
  message(NOTICE "The MSI is left out: it needs wixl and msibuild (packages wixl, msitools).")
endif()

# The zip, for running the console program by hand.
install(TARGETS thermal-control thermal-table RUNTIME DESTINATION .)
install(FILES ThermalTable.txt README.md LICENSE DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME thermal-control)
set(CPACK_PACKAGE_VENDOR "thermal-control")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${THERMAL_DESCRIPTION}")
set(CPACK_PACKAGE_FILE_NAME "thermal-control-${PROJECT_VERSION}-win32")
include(CPack)
