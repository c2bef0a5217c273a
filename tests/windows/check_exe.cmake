# Checks thermal-control.exe as Windows will load it: a 32-bit console
# program that imports only system DLLs that Windows keeps as KnownDLLs (so
# that none is looked for beside the exe, where anyone may have put one),
# keeps libraries loaded later to System32 and its own folder, raises the
# timer resolution through winmm.dll loaded from System32, asks for
# administrator rights, and carries its version resource and its events'
# message table.
# Run with -DEXE=... -DOBJDUMP=...

execute_process(COMMAND ${OBJDUMP} -p ${EXE} OUTPUT_VARIABLE headers RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "objdump could not read ${EXE}")
endif()

function(require text what)
  string(FIND "${headers}" "${text}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${what}: no '${text}' in the headers")
  endif()
endfunction()
require("file format pei-i386" "not a 32-bit PE")
require("(Windows CUI)" "not a console program")
require("SetDefaultDllDirectories" "does not keep later libraries to System32")
require("LoadLibraryExW" "does not load its libraries by their folders")

string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${headers}")
foreach(import IN LISTS imports)
  string(REPLACE "DLL Name: " "" dll "${import}")
  string(TOUPPER "${dll}" dll)
  if(NOT dll MATCHES "^(KERNEL32|MSVCRT|ADVAPI32|SHELL32)\\.DLL$")
    message(FATAL_ERROR "imports ${dll}, which is not one of the KnownDLLs it may import")
  endif()
  message(STATUS "imports ${dll}")
endforeach()
file(STRINGS ${EXE} winmm ENCODING UTF-16LE REGEX "^winmm\\.dll$")
file(STRINGS ${EXE} begin_period REGEX "^timeBeginPeriod$")
if(NOT winmm OR NOT begin_period)
  message(FATAL_ERROR "does not raise the timer resolution through winmm.dll at run time")
endif()

file(STRINGS ${EXE} manifest REGEX "requireAdministrator")
if(NOT manifest)
  message(FATAL_ERROR "no manifest asking for administrator rights")
endif()
file(STRINGS ${EXE} product ENCODING UTF-16LE REGEX "^thermal-control$")
file(STRINGS ${EXE} version ENCODING UTF-16LE REGEX "^[0-9]+\\.[0-9]+\\.[0-9]+$")
if(NOT product OR NOT version)
  message(FATAL_ERROR "no version resource with the product's name and version")
endif()
file(STRINGS ${EXE} events REGEX "^thermal-control started: %1\\.")
if(NOT events)
  message(FATAL_ERROR "no message table with the texts of the service's events")
endif()
# 56 KiB at most: the program formats its own lines (MinGW's printf engine
# alone took 20 KiB), throws nothing and keeps no unwind tables, and is
# optimised as a whole. More means something brought one of them back in (a
# printf, a std::string, a function-local static set at run time, a stream).
# (48 KiB until the metrics file, whose names and help texts alone take
# 1.6 KiB, and its writing some 3 KiB more.)
file(SIZE ${EXE} size)
message(STATUS "thermal-control.exe: ${size} bytes, version ${version}")
if(size GREATER 57344)
  message(FATAL_ERROR "thermal-control.exe has grown to ${size} bytes, past 56 KiB")
endif()
