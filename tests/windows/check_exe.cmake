# Checks thermal-control.exe as Windows will load it: a 32-bit console
# program that imports only system DLLs, raises the timer resolution, asks
# for administrator rights and carries its version resource.
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
require("timeBeginPeriod" "does not raise the timer resolution")

string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${headers}")
foreach(import IN LISTS imports)
  string(REPLACE "DLL Name: " "" dll "${import}")
  string(TOUPPER "${dll}" dll)
  if(NOT dll MATCHES "^(KERNEL32|MSVCRT|WINMM|ADVAPI32|SHELL32)\\.DLL$")
    message(FATAL_ERROR "imports ${dll}, which is not a Windows system DLL")
  endif()
  message(STATUS "imports ${dll}")
endforeach()

file(STRINGS ${EXE} manifest REGEX "requireAdministrator")
if(NOT manifest)
  message(FATAL_ERROR "no manifest asking for administrator rights")
endif()
file(STRINGS ${EXE} product ENCODING UTF-16LE REGEX "^thermal-control$")
file(STRINGS ${EXE} version ENCODING UTF-16LE REGEX "^[0-9]+\\.[0-9]+\\.[0-9]+$")
if(NOT product OR NOT version)
  message(FATAL_ERROR "no version resource with the product's name and version")
endif()
# Some 60 KiB: the program needs nothing of libstdc++ that throws. Twice as
# much means something brought its exception machinery in (a std::string, a
# function-local static set at run time, a stream), as once happened.
file(SIZE ${EXE} size)
message(STATUS "thermal-control.exe: ${size} bytes, version ${version}")
if(size GREATER 98304)
  message(FATAL_ERROR "thermal-control.exe has grown to ${size} bytes, past 96 KiB")
endif()
