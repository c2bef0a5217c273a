# Each library offers its users only the headers they need. A library's
# headers are linked into a folder of its own in the build tree, one for its
# public headers and one for its private ones, and that folder is all that a
# target linking the library can include from it. Includes keep their form
# "folder/file.h", relative to src.
#
#   thermal_headers(TARGET PUBLIC|PRIVATE|INTERFACE HEADER...)
function(thermal_headers target scope)
  string(TOLOWER ${scope} kind)
  set(tree ${CMAKE_BINARY_DIR}/include/${target}/${kind})
  file(REMOVE_RECURSE ${tree})
  foreach(header IN LISTS ARGN)
    cmake_path(GET header PARENT_PATH folder)
    file(MAKE_DIRECTORY ${tree}/${folder})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${header} ${tree}/${header} SYMBOLIC)
  endforeach()
  target_include_directories(${target} ${scope} ${tree})
endfunction()
