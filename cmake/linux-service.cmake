# Installing the Linux program: the binary and thermal-table, its systemd
# unit, the sample table in the service's working directory under /etc, and
# the README; and the Debian package and tarball that CPack makes of them.

set(THERMAL_CONFIG_DIR /etc/thermal-control)

install(TARGETS thermal-control thermal-table RUNTIME DESTINATION bin)
install(FILES README.md DESTINATION share/doc/thermal-control)
install(CODE "
  set(THERMAL_UNIT_TEMPLATE \"${CMAKE_SOURCE_DIR}/packaging/thermal-control.service.in\")
  set(THERMAL_CONFIG_DIR \"${THERMAL_CONFIG_DIR}\")")
install(SCRIPT cmake/install-unit.cmake)
# The sample table, unless the user's own is there already.
install(CODE "
  set(table \"\$ENV{DESTDIR}${THERMAL_CONFIG_DIR}/ThermalTable.txt\")
  if(EXISTS \"\${table}\")
    message(STATUS \"Kept: \${table}\")
  else()
    file(INSTALL \"${CMAKE_SOURCE_DIR}/ThermalTable.txt\" DESTINATION \"${THERMAL_CONFIG_DIR}\")
  endif()")

# dpkg keeps a table the user has edited across upgrades.
file(WRITE ${CMAKE_BINARY_DIR}/debian/conffiles "${THERMAL_CONFIG_DIR}/ThermalTable.txt\n")

set(CPACK_GENERATOR DEB TGZ)
set(CPACK_PACKAGE_NAME thermal-control)
set(CPACK_PACKAGE_VENDOR "thermal-control")
set(CPACK_PACKAGE_CONTACT "thermal-control maintainers <maintainers@users.noreply.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Keeps the embedded controller in step with the chip's temperature")
# Installed under /usr, with the table under /etc, staged through DESTDIR.
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_SET_DESTDIR ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
# The architecture comes from dpkg (amd64, i386); the dependencies on the C
# and C++ runtime from dpkg-shlibdeps, which reads what the binary links.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/debian/conffiles)
set(CPACK_PACKAGE_FILE_NAME "thermal-control-${PROJECT_VERSION}-linux-${CMAKE_SYSTEM_PROCESSOR}")
include(CPack)
