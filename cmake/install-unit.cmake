# Runs at install time: writes the systemd unit with the paths of the prefix
# being installed to (/usr for the packages, /usr/local or --prefix by hand).
# THERMAL_UNIT_TEMPLATE and THERMAL_CONFIG_DIR are set by the install code.

set(THERMAL_BIN_DIR ${CMAKE_INSTALL_PREFIX}/bin)
set(unit $ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/lib/systemd/system/thermal-control.service)
configure_file(${THERMAL_UNIT_TEMPLATE} ${unit} @ONLY)
message(STATUS "Installing: ${unit}")
