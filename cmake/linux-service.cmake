# Installing the Linux program (component thermal-control): the binary and
# thermal-table with their manual pages, the systemd unit and the size of its
# journal, the sample table in the service's working directory under /etc,
# the README, licence and changelog. The kernel module's package
# (cmake/linux-dkms.cmake) is a component of its own. CPack makes a Debian
# package and a tarball of each.

set(THERMAL_CONFIG_DIR /etc/thermal-control)
set(THERMAL_DOC_FOLDER share/doc/thermal-control)
set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME thermal-control)

install(TARGETS thermal-control thermal-table RUNTIME DESTINATION bin)
install(FILES README.md packaging/copyright DESTINATION ${THERMAL_DOC_FOLDER})
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

# Compressed as Debian wants them: gzip -9, no name or time stamp inside.
find_program(THERMAL_GZIP gzip REQUIRED)
function(thermal_gzip source output)
  add_custom_command(OUTPUT ${output}
    COMMAND ${THERMAL_GZIP} -9nc ${source} > ${output}
    DEPENDS ${source}
    VERBATIM)
endfunction()

set(THERMAL_CHANGELOG ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/packaging ${CMAKE_BINARY_DIR}/man)
thermal_gzip(${CMAKE_SOURCE_DIR}/packaging/changelog ${THERMAL_CHANGELOG})
add_custom_target(changelog ALL DEPENDS ${THERMAL_CHANGELOG})
install(FILES ${THERMAL_CHANGELOG} DESTINATION ${THERMAL_DOC_FOLDER})

# The manual pages, written in scdoc's plain text under docs/man.
find_program(THERMAL_SCDOC scdoc)
if(THERMAL_SCDOC)
  foreach(page thermal-control.8 thermal-table.1)
    set(roff ${CMAKE_BINARY_DIR}/man/${page})
    add_custom_command(OUTPUT ${roff}
      COMMAND ${THERMAL_SCDOC} < ${CMAKE_SOURCE_DIR}/docs/man/${page}.scd > ${roff}
      DEPENDS ${CMAKE_SOURCE_DIR}/docs/man/${page}.scd
      VERBATIM)
    thermal_gzip(${roff} ${roff}.gz)
    list(APPEND manual_pages ${roff}.gz)
    string(REGEX REPLACE ".*\\." "" section ${page})
    install(FILES ${roff}.gz DESTINATION share/man/man${section})
  endforeach()
  add_custom_target(manual-pages ALL DEPENDS ${manual_pages})
else()
  thermal_leave_out("the manual pages (package scdoc)")
endif()

include(cmake/linux-dkms.cmake)

# dpkg keeps a table the user has edited across upgrades.
file(WRITE ${CMAKE_BINARY_DIR}/debian/conffiles "${THERMAL_CONFIG_DIR}/ThermalTable.txt\n")

set(CPACK_GENERATOR DEB TGZ)
set(CPACK_COMPONENTS_ALL thermal-control dkms)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_PACKAGE_NAME thermal-control)
set(CPACK_PACKAGE_VENDOR "thermal-control")
set(CPACK_PACKAGE_CONTACT "thermal-control maintainers <maintainers@users.noreply.example>")
# Installed under /usr, with the table under /etc, staged through DESTDIR.
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_SET_DESTDIR ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGE_FILE_NAME "thermal-control-${PROJECT_VERSION}-linux-${CMAKE_SYSTEM_PROCESSOR}")

# The program: the architecture comes from dpkg (amd64, i386); the
# dependencies on the C and C++ runtime from dpkg-shlibdeps, which reads what
# the binary links. Its description, wrapped for an 80-column terminal.
set(CPACK_DEBIAN_THERMAL-CONTROL_PACKAGE_NAME thermal-control)
set(CPACK_DEBIAN_THERMAL-CONTROL_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_THERMAL-CONTROL_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_THERMAL-CONTROL_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/debian/conffiles)
string(JOIN "\n" CPACK_DEBIAN_THERMAL-CONTROL_DESCRIPTION
  "Keeps the embedded controller in step with the chip's temperature"
  "thermal-control asks the PC's embedded controller (EC) for the chip's"
  "temperature once a second, walks a table of thresholds with hysteresis"
  "(/etc/thermal-control/ThermalTable.txt) and sends the EC the value of each"
  "row it enters. It programs the Intel LPC bridge 8086:9CC3 and the EC's"
  "logical device to reach the EC's ports 0x68/0x6C, and sets them up again"
  "after the machine slept. It runs as a confined systemd service."
  "."
  "thermal-table checks a table before the controller runs it, and simulates"
  "it over a log or a thermal model.")
include(CPack)
