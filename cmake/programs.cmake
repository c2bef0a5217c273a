# Link options of the shipped programs, set where each is defined: on Windows
# linked statically, so that they import only system DLLs, and stripped;
# elsewhere with their relocations resolved at start and then read-only.
function(thermal_shipped_program target)
  if(WIN32)
    target_link_options(${target} PRIVATE -static -s)
  else()
    target_link_options(${target} PRIVATE -Wl,-z,relro,-z,now)
  endif()
endfunction()
