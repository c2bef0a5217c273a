# The thermal_ec kernel module's package (component dkms, package
# thermal-control-dkms): the module's source for DKMS, which builds, installs
# and loads it (udev loads it at boot where the bridge is); the group
# thermal-ec and the service's user; the device's owner and its device unit;
# and the service's drop-in that runs it without any capability through
# /dev/thermal_ec. Left out of a plain `cmake --install`, which installs the
# program alone.

set(THERMAL_DKMS_NAME thermal-ec)
set(THERMAL_DKMS_SOURCE /usr/src/${THERMAL_DKMS_NAME}-${PROJECT_VERSION})
set(module_dir ${CMAKE_SOURCE_DIR}/src/backends/linux/kernel)
configure_file(${module_dir}/dkms.conf ${CMAKE_BINARY_DIR}/dkms/dkms.conf @ONLY)
foreach(script postinst prerm postrm)
  configure_file(packaging/thermal-ec.${script}.in ${CMAKE_BINARY_DIR}/dkms/${script} @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                  WORLD_READ WORLD_EXECUTE)
endforeach()

# Absolute destinations: under /usr/src, whatever the install prefix.
install(FILES ${module_dir}/thermal_ec.c ${module_dir}/thermal_ec.h ${module_dir}/Kbuild
              ${CMAKE_SOURCE_DIR}/src/hw/board.h ${CMAKE_BINARY_DIR}/dkms/dkms.conf
        DESTINATION ${THERMAL_DKMS_SOURCE} COMPONENT dkms EXCLUDE_FROM_ALL)
install(FILES packaging/thermal-ec.rules DESTINATION lib/udev/rules.d
        RENAME 60-thermal-ec.rules COMPONENT dkms EXCLUDE_FROM_ALL)
install(FILES packaging/thermal-ec.sysusers DESTINATION lib/sysusers.d
        RENAME thermal-ec.conf COMPONENT dkms EXCLUDE_FROM_ALL)
install(FILES packaging/thermal-ec-dropin.conf DESTINATION lib/systemd/system/thermal-control.service.d
        RENAME thermal-ec.conf COMPONENT dkms EXCLUDE_FROM_ALL)
install(FILES packaging/copyright ${THERMAL_CHANGELOG}
        DESTINATION share/doc/thermal-control-dkms COMPONENT dkms EXCLUDE_FROM_ALL)

set(CPACK_DEBIAN_DKMS_PACKAGE_NAME thermal-control-dkms)
set(CPACK_DEBIAN_DKMS_PACKAGE_ARCHITECTURE all)
set(CPACK_DEBIAN_DKMS_PACKAGE_SECTION kernel)
# What the maintainer scripts run: dkms, modprobe (kmod), udevadm (udev),
# systemctl and systemd-sysusers (systemd); deb-systemd-invoke comes with the
# essential init-system-helpers.
set(CPACK_DEBIAN_DKMS_PACKAGE_DEPENDS
    "dkms, kmod, udev, systemd, thermal-control (= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_DKMS_PACKAGE_SUGGESTS "mokutil")
set(CPACK_DEBIAN_DKMS_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/dkms/postinst
                                            ${CMAKE_BINARY_DIR}/dkms/prerm
                                            ${CMAKE_BINARY_DIR}/dkms/postrm)
string(JOIN "\n" CPACK_DEBIAN_DKMS_DESCRIPTION
  "Kernel module for thermal-control's EC ports, built by DKMS"
  "The thermal_ec module offers thermal-control exactly its own operations"
  "through /dev/thermal_ec, to one process at a time: the EC's status and data"
  "reads, its three commands with the data bytes they expect, the set-up of"
  "the EC's logical device as one request, under a hold of the configuration"
  "ports, and the one write to the Intel LPC bridge 8086:9CC3 that forwards"
  "the EC's ports; nothing else. It loads only where that bridge is."
  "With it the service runs as an unprivileged user without any capability,"
  "and the program works under a kernel locked down by Secure Boot, where"
  "ioperm and writes to PCI config files are refused even to root.")
