# The Windows program, cross-built with mingw-w64 as a build of its own in
# <build>/windows, and the Wine that runs its tests.
#
# The program is a 32-bit one, and Wine runs it where the kernel runs 32-bit
# code. Where the kernel does not (one built or booted without IA-32
# emulation) but Wine's 64-bit loader runs, the tests run a 64-bit build of
# the same program, stand-in library and tool instead, made with mingw-w64's
# x86_64 compiler in <build>/windows-x64: the same code, tested the same way.
# What is shipped stays the 32-bit build.

find_program(THERMAL_MINGW_CXX i686-w64-mingw32-g++-win32)
find_program(THERMAL_MINGW_OBJDUMP i686-w64-mingw32-objdump)
if(NOT THERMAL_MINGW_CXX OR NOT THERMAL_MINGW_OBJDUMP)
  thermal_leave_out("the Windows program and its tests (packages g++-mingw-w64-i686, wine, "
                    "wine32:i386)")
  set(THERMAL_WINDOWS OFF)
  return()
endif()

include(ExternalProject)
function(thermal_windows_build name toolchain)
  ExternalProject_Add(${name}
    SOURCE_DIR ${CMAKE_SOURCE_DIR}
    BINARY_DIR ${CMAKE_BINARY_DIR}/${name}
    CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/${toolchain}
               -DCMAKE_BUILD_TYPE=MinSizeRel
               -DTHERMAL_WERROR=${THERMAL_WERROR}
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON
    USES_TERMINAL_BUILD ON)
endfunction()
thermal_windows_build(windows mingw-i686.cmake)
set(THERMAL_WINDOWS_DIR ${CMAKE_BINARY_DIR}/windows)

# Whether a Wine loader starts on this kernel.
function(thermal_wine_runs result loader)
  set(${result} FALSE PARENT_SCOPE)
  if(loader)
    execute_process(COMMAND ${loader} --version RESULT_VARIABLE failed OUTPUT_QUIET ERROR_QUIET)
    if(NOT failed)
      set(${result} TRUE PARENT_SCOPE)
    endif()
  endif()
endfunction()
find_program(THERMAL_WINE32 wine PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(THERMAL_WINE64 wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(THERMAL_WINESERVER wineserver PATHS /usr/lib/wine)
find_program(THERMAL_MINGW64_CXX x86_64-w64-mingw32-g++-win32)
thermal_wine_runs(wine32_runs "${THERMAL_WINE32}")
thermal_wine_runs(wine64_runs "${THERMAL_WINE64}")

set(THERMAL_WINE_TESTS ON)
if(wine32_runs)
  set(THERMAL_WINE_LOADER ${THERMAL_WINE32})
  set(THERMAL_WINE_BUILD_DIR ${THERMAL_WINDOWS_DIR})
  set(THERMAL_WINE_BUILD windows)
elseif(wine64_runs AND THERMAL_MINGW64_CXX)
  thermal_windows_build(windows-x64 mingw-x86_64.cmake)
  set(THERMAL_WINE_LOADER ${THERMAL_WINE64})
  set(THERMAL_WINE_BUILD_DIR ${CMAKE_BINARY_DIR}/windows-x64)
  set(THERMAL_WINE_BUILD windows-x64)
  message(STATUS "This kernel runs no 32-bit programs: the Windows tests run a 64-bit build "
                 "of the program under 64-bit Wine")
else()
  set(THERMAL_WINE_TESTS OFF)
  thermal_leave_out("the Windows program's tests under Wine (packages wine and wine32:i386 "
                    "after dpkg --add-architecture i386; on a kernel that runs no 32-bit "
                    "programs, wine64 and g++-mingw-w64-x86-64-win32)")
endif()
