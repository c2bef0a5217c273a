# The native build: the program on the simulated machine, its tests and
# benchmarks, and (unless switched off) the Windows program built with
# mingw-w64 and tested under Wine.

option(THERMAL_BUILD_TESTS "Build the tests" ON)
option(THERMAL_BUILD_BENCH "Build the benchmarks" ON)

# The hardware build drives the EC with the x86 port instructions (inb, outb
# and ioperm); other processors have no I/O ports, and there only the
# simulated machine is built. The Windows program is a 32-bit x86 one, run
# under Wine, so it is built by default on x86 hosts only.
include(CheckCXXSourceCompiles)
check_cxx_source_compiles("
  #include <sys/io.h>
  int main() { outb(0, 0x80); return inb(0x80) + ioperm(0x80, 1, 1); }" THERMAL_HAVE_PORT_IO)
option(THERMAL_HARDWARE "Build the Linux hardware program, its service and packages"
       ${THERMAL_HAVE_PORT_IO})
if(THERMAL_HARDWARE AND NOT THERMAL_HAVE_PORT_IO)
  message(FATAL_ERROR "The hardware program needs the x86 port instructions (sys/io.h).")
endif()
option(THERMAL_WINDOWS "Also build the Windows program and run its tests under Wine"
       ${THERMAL_HAVE_PORT_IO})

add_library(thermal_sim STATIC ${THERMAL_SIM_SOURCES} src/backends/sim/sim_portlib.cpp
                               src/backends/posix/posix_sleep.cpp)
target_include_directories(thermal_sim PRIVATE src)

add_executable(thermal-control-sim src/app/main.cpp)
target_link_libraries(thermal-control-sim PRIVATE thermal_program thermal_sim)

# The hardware build for Linux: the same program over the kernel's ports and
# sysfs, installed with its service.
if(THERMAL_HARDWARE)
  add_library(thermal_linux_backend STATIC src/backends/linux/linux_backend.cpp
                                           src/backends/posix/posix_sleep.cpp)
  target_include_directories(thermal_linux_backend PRIVATE src)

  add_executable(thermal-control src/app/main.cpp)
  target_link_libraries(thermal-control PRIVATE thermal_program thermal_linux_backend)

  include(cmake/linux-service.cmake)
endif()

# Runs the controller on the simulated machine in real time, with the sample
# table, until it is interrupted.
add_custom_target(run
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${CMAKE_SOURCE_DIR}/ThermalTable.txt
          ${CMAKE_BINARY_DIR}/run/ThermalTable.txt
  COMMAND thermal-control-sim
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/run
  DEPENDS thermal-control-sim
  USES_TERMINAL)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/run)

# The README's plot: the sample table over twelve minutes of the thermal model.
add_custom_target(table-plot
  COMMAND thermal-table simulate ThermalTable.txt --model 0.2 --svg docs/sample-table.svg
  WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
  DEPENDS thermal-table
  COMMENT "Regenerating docs/sample-table.svg")

if(THERMAL_WINDOWS)
  find_program(THERMAL_MINGW_CXX i686-w64-mingw32-g++-win32)
  find_program(THERMAL_MINGW_OBJDUMP i686-w64-mingw32-objdump)
  find_program(THERMAL_WINE wine)
  find_program(THERMAL_WINEBOOT wineboot)
  if(NOT THERMAL_MINGW_CXX OR NOT THERMAL_MINGW_OBJDUMP OR NOT THERMAL_WINE OR NOT THERMAL_WINEBOOT)
    message(FATAL_ERROR
      "The Windows program needs mingw-w64 and Wine: apt-get install g++-mingw-w64-i686 "
      "wine wine32:i386 (after dpkg --add-architecture i386), or configure with "
      "-DTHERMAL_WINDOWS=OFF to build and test the simulated machine only.")
  endif()
  include(ExternalProject)
  set(THERMAL_WINDOWS_DIR ${CMAKE_BINARY_DIR}/windows)
  ExternalProject_Add(windows
    SOURCE_DIR ${CMAKE_SOURCE_DIR}
    BINARY_DIR ${THERMAL_WINDOWS_DIR}
    CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/mingw-i686.cmake
               -DCMAKE_BUILD_TYPE=MinSizeRel
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON
    USES_TERMINAL_BUILD ON)
endif()

if(THERMAL_BUILD_TESTS)
  enable_testing()
  add_subdirectory(tests)
endif()
if(THERMAL_BUILD_BENCH)
  add_subdirectory(bench)
endif()
option(THERMAL_FUZZ "Build the fuzz targets (clang, with the fuzz preset's flags)" OFF)
if(THERMAL_FUZZ)
  enable_testing()
  add_subdirectory(fuzz)
endif()
