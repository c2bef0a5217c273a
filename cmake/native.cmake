# The native build: the program on the simulated machine, its tests and
# benchmarks, the Linux hardware program where the processor has I/O ports,
# and the Windows program where mingw-w64 is installed, tested under Wine
# where Wine runs. What this machine cannot build or run is left out, and one
# message at the end says what and which packages bring it.

option(THERMAL_BUILD_TESTS "Build the tests" ON)
option(THERMAL_BUILD_BENCH "Build the benchmarks" ON)

# Notes what this build leaves out, and which packages would bring it; the
# text may come in pieces, which are joined.
function(thermal_leave_out)
  string(JOIN "" what ${ARGN})
  set_property(GLOBAL APPEND PROPERTY THERMAL_LEFT_OUT "${what}")
endfunction()

# The hardware build drives the EC with the x86 port instructions (inb, outb
# and ioperm); other processors have no I/O ports, and there only the
# simulated machine is built. The Windows program is a 32-bit x86 one, so it
# is built by default on x86 hosts only.
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

# What the Linux backend and the simulated machine share: the sleep, and how
# the program runs (SIGHUP reads the table again; its lines written straight
# to its descriptors).
add_library(backend_posix STATIC src/backends/posix/posix_sleep.cpp
                                 src/backends/posix/posix_run.cpp)
thermal_headers(backend_posix PUBLIC backends/posix/posix_sleep.h backends/posix/posix_run.h)
target_link_libraries(backend_posix PRIVATE port_lib console files)

add_library(backend_sim STATIC src/backends/sim/sim_portlib.cpp)
target_link_libraries(backend_sim PRIVATE backend_sim_machine backend_posix port_lib)

add_executable(thermal-control-sim src/app/main.cpp)
target_link_libraries(thermal-control-sim PRIVATE controller port_lib backend_sim)

# The hardware build for Linux: the same program over the kernel's ports and
# sysfs, or over the thermal_ec module's device, installed with its service.
# The parts that reach no port themselves (the PCI search and write, the
# module's device, the one-copy lock, lockdown) stand alone, so that their
# tests can drive them without touching a port.
if(THERMAL_HARDWARE)
  add_library(backend_linux_base STATIC src/backends/linux/linux_pci.cpp
                                        src/backends/linux/linux_caps.cpp
                                        src/backends/linux/linux_device.cpp
                                        src/backends/linux/linux_lock.cpp
                                        src/backends/linux/linux_lockdown.cpp)
  thermal_headers(backend_linux_base PUBLIC backends/linux/linux_parts.h)
  thermal_headers(backend_linux_base PRIVATE backends/linux/kernel/thermal_ec.h)
  target_link_libraries(backend_linux_base PUBLIC port_lib PRIVATE board)
  add_library(backend_linux STATIC src/backends/linux/linux_ports.cpp
                                   src/backends/linux/linux_ioports.cpp
                                   src/backends/linux/linux_notify.cpp
                                   src/backends/linux/linux_clock.cpp)
  thermal_headers(backend_linux PRIVATE backends/linux/kernel/thermal_ec.h)
  target_link_libraries(backend_linux PRIVATE port_lib board backend_posix backend_linux_base
                                              backend_common)

  add_executable(thermal-control src/app/main.cpp)
  target_link_libraries(thermal-control PRIVATE controller port_lib backend_linux)
  thermal_shipped_program(thermal-control)

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

# The README's plot: the sample table over twelve minutes of the thermal
# model; and, where rsvg-convert is installed (package librsvg2-bin), that
# plot, a day's and a year's as PNG images in docs/plots/, to look at.
set(plots_dir ${CMAKE_SOURCE_DIR}/docs/plots)
set(plot_commands
  COMMAND thermal-table simulate ThermalTable.txt --model 0.2 --svg docs/sample-table.svg)
find_program(THERMAL_RSVG_CONVERT rsvg-convert)
if(THERMAL_RSVG_CONVERT)
  foreach(plot "12-minutes;0.2" "24-hours;24" "1-year;8784")
    list(GET plot 0 name)
    list(GET plot 1 hours)
    list(APPEND plot_commands
      COMMAND thermal-table simulate ThermalTable.txt --model ${hours}
              --svg ${CMAKE_BINARY_DIR}/${name}.svg
      COMMAND ${THERMAL_RSVG_CONVERT} ${CMAKE_BINARY_DIR}/${name}.svg -o ${plots_dir}/${name}.png)
  endforeach()
endif()
add_custom_target(table-plot ${plot_commands}
  WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
  DEPENDS thermal-table
  COMMENT "Regenerating docs/sample-table.svg and docs/plots/")
file(MAKE_DIRECTORY ${plots_dir})

if(THERMAL_WINDOWS)
  include(cmake/windows-programs.cmake)
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

get_property(left_out GLOBAL PROPERTY THERMAL_LEFT_OUT)
if(left_out)
  list(JOIN left_out "; " left_out)
  message(NOTICE "Left out of this build, for want of tools on this machine: ${left_out}.")
endif()
