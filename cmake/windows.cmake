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

add_library(backend_winring0 STATIC src/backends/winring0/winring0_backend.cpp
                                    src/backends/winring0/winring0_holds.cpp
                                    src/backends/winring0/winring0_output.cpp
                                    src/backends/winring0/winring0_service.cpp)
thermal_headers(backend_winring0 PRIVATE backends/winring0/winring0_holds.h
                                         backends/winring0/winring0_service.h)
target_link_libraries(backend_winring0 PRIVATE port_lib backend_winring0_files
                                               backend_winring0_buses backend_common
                                               console_code_page system_words shell32)

add_executable(thermal-control src/app/main.cpp ${CMAKE_BINARY_DIR}/thermal-control.rc)
target_link_libraries(thermal-control PRIVATE controller port_lib backend_winring0 winmm)
thermal_shipped_program(thermal-control)
set_source_files_properties(${CMAKE_BINARY_DIR}/thermal-control.rc PROPERTIES
  OBJECT_DEPENDS ${THERMAL_MANIFEST})

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

# Other software that holds a bus's mutex and never lets go, and a look at a
# mutex's rights, for the tests.
foreach(helper hold_mutex mutex_dacl)
  add_executable(${helper} tests/windows/${helper}.cpp)
  target_link_options(${helper} PRIVATE -static -s -municode)
  set_target_properties(${helper} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${THERMAL_STANDIN_DIR})
endforeach()

# What a hold costs: the figures, printed when run on Windows or under Wine.
add_executable(windows_hold_bench bench/windows_hold_bench.cpp)
target_link_libraries(windows_hold_bench PRIVATE backend_winring0 port_lib winmm)
target_link_options(windows_hold_bench PRIVATE -static)

# The MSI, where wixl is installed: thermal-control-<version>-x86.msi from the
# 32-bit build, -x64.msi from the 64-bit one. wixl writes no component
# attributes but its own, so msibuild marks the table's component afterwards:
# NeverOverwrite (128) and Permanent (16), with the 64-bit bit (256) where set.
find_program(THERMAL_WIXL wixl)
find_program(THERMAL_MSIBUILD msibuild)
if(THERMAL_WIXL AND THERMAL_MSIBUILD)
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL x86_64)
    set(msi_arch x64)
    set(msi_defines -D Win64=yes -D ProgramFiles=ProgramFiles64Folder)
    set(table_attributes 400)
  else()
    set(msi_arch x86)
    set(msi_defines -D Win64=no -D ProgramFiles=ProgramFilesFolder)
    set(table_attributes 144)
  endif()
  set(msi ${CMAKE_BINARY_DIR}/thermal-control-${PROJECT_VERSION}-${msi_arch}.msi)
  set(wxs ${CMAKE_SOURCE_DIR}/packaging/windows/thermal-control.wxs)
  # wixl takes the files from the folder of the .wxs, by their names.
  set(stage ${CMAKE_BINARY_DIR}/msi)
  add_custom_command(OUTPUT ${msi}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${stage}
    COMMAND ${CMAKE_COMMAND} -E copy ${wxs} $<TARGET_FILE:thermal-control>
            $<TARGET_FILE:thermal-table> ${CMAKE_SOURCE_DIR}/ThermalTable.txt
            ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/LICENSE ${stage}
    COMMAND ${THERMAL_WIXL} -a ${msi_arch} -o ${msi} -D Version=${PROJECT_VERSION}
            -D "Description=${THERMAL_DESCRIPTION}" ${msi_defines} ${stage}/thermal-control.wxs
    COMMAND ${THERMAL_MSIBUILD} ${msi} -q
            "UPDATE Component SET Attributes = ${table_attributes} WHERE Component = 'Table'"
    DEPENDS ${wxs} thermal-control thermal-table ${CMAKE_SOURCE_DIR}/ThermalTable.txt
            ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/LICENSE
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
