# Installing the Linux program: the binary and thermal-table with their
# manual pages, the systemd unit and the size of its journal, the sample
# table in the service's working directory under /etc, and the README. The
# Debian packages (debian/) are built from this install; the thermal_ec
# module's source for DKMS is a component of its own, which only the module's
# package installs.

set(THERMAL_CONFIG_DIR /etc/thermal-control)
set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME thermal-control)

install(TARGETS thermal-control thermal-table RUNTIME DESTINATION bin)
install(FILES README.md DESTINATION share/doc/thermal-control)
install(CODE "
  set(THERMAL_UNIT_TEMPLATE \"${CMAKE_SOURCE_DIR}/packaging/thermal-control.service.in\")
  set(THERMAL_CONFIG_DIR \"${THERMAL_CONFIG_DIR}\")")
install(SCRIPT cmake/install-unit.cmake)
# The service's status lines have a journal of their own, of this size.
install(FILES packaging/journald-thermal-control.conf
        DESTINATION lib/systemd/journald@thermal-control.conf.d
        RENAME thermal-control.conf)
# The sample table, unless the user's own is there already.
install(CODE "
  set(table \"\$ENV{DESTDIR}${THERMAL_CONFIG_DIR}/ThermalTable.txt\")
  if(EXISTS \"\${table}\")
    message(STATUS \"Kept: \${table}\")
  else()
    file(INSTALL \"${CMAKE_SOURCE_DIR}/ThermalTable.txt\" DESTINATION \"${THERMAL_CONFIG_DIR}\")
  endif()")

# The manual pages, written in scdoc's plain text under docs/man, compressed
# as Debian wants them: gzip -9, no name or time stamp inside.
find_program(THERMAL_SCDOC scdoc)
find_program(THERMAL_GZIP gzip)
if(THERMAL_SCDOC AND THERMAL_GZIP)
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/man)
  foreach(page thermal-control.8 thermal-table.1)
    set(roff ${CMAKE_BINARY_DIR}/man/${page})
    add_custom_command(OUTPUT ${roff}.gz
      COMMAND ${THERMAL_SCDOC} < ${CMAKE_SOURCE_DIR}/docs/man/${page}.scd > ${roff}
      COMMAND ${THERMAL_GZIP} -9nf ${roff}
      DEPENDS ${CMAKE_SOURCE_DIR}/docs/man/${page}.scd
      VERBATIM)
    list(APPEND manual_pages ${roff}.gz)
    string(REGEX REPLACE ".*\\." "" section ${page})
    install(FILES ${roff}.gz DESTINATION share/man/man${section})
  endforeach()
  add_custom_target(manual-pages ALL DEPENDS ${manual_pages})
else()
  thermal_leave_out("the manual pages (package scdoc)")
endif()

# The thermal_ec module's source as DKMS builds it, under /usr/src whatever
# the install prefix. Left out of a plain `cmake --install`.
set(module_dir ${CMAKE_SOURCE_DIR}/src/backends/linux/kernel)
configure_file(${module_dir}/dkms.conf ${CMAKE_BINARY_DIR}/dkms/dkms.conf @ONLY)
install(FILES ${module_dir}/thermal_ec.c ${module_dir}/thermal_ec.h ${module_dir}/Kbuild
              ${CMAKE_SOURCE_DIR}/src/hw/board.h ${CMAKE_BINARY_DIR}/dkms/dkms.conf
        DESTINATION /usr/src/thermal-ec-${PROJECT_VERSION} COMPONENT dkms EXCLUDE_FROM_ALL)
