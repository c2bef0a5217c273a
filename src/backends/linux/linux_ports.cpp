// The port library's port access on Linux, by one of two paths, chosen at
// start-up and said on the standard error stream:
// - the thermal_ec kernel module's device /dev/thermal_ec, where it exists:
//   the program's own operations only, for a program in the group thermal-ec,
//   with no capability and under a locked-down kernel too;
// - else ioperm, which grants exactly the ports the program uses, and
//   inb/outb, which then reach them directly: it needs CAP_SYS_RAWIO and a
//   kernel that is not locked down. A program cannot take part in the
//   kernel's locking of ports: it refuses to start where a driver has
//   claimed the EC's ports, and its holds are granted at once.
// On either path the copies meet at one file lock, and nothing touches a port
// before the path is chosen and the copy is the only one.

#include "backends/linux/kernel/thermal_ec.h"
#include "backends/linux/linux_parts.h"
#include "hw/board.h"
#include "hw/port_lib.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/io.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Exactly the ports the program uses: the configuration ports and the EC's two.
struct PortRange {
  unsigned long first;
  unsigned long count;
};
constexpr PortRange PORT_RANGES[] = {
    {SIO_INDEX_PORT, SIO_DATA_PORT - SIO_INDEX_PORT + 1}, {EC_DATA_PORT, 1}, {EC_CMD_PORT, 1}};

constexpr std::uint32_t STATUS_READY = 0;
constexpr std::uint32_t STATUS_NOT_INITIALISED = 1;

bool ports_granted = false;

// What to check when the kernel refuses the ports, by its reason.
void Report_PortsRefused(const PortRange &range, int error) {
  const unsigned long last = range.first + range.count - 1;
  const std::string lockdown = Linux_LockdownExplains(error);
  if (!lockdown.empty()) {
    std::fprintf(stderr,
                 "thermal-control: the kernel refused I/O ports %#lx-%#lx (ioperm: %s): it is %s\n",
                 range.first, last, std::strerror(error), lockdown.c_str());
    return;
  }
  const char *advice = error == EPERM    ? "the program needs CAP_SYS_RAWIO: run it as root, or as "
                                           "the service"
                       : error == ENOSYS ? "this kernel offers no I/O port access to programs"
                                         : "see ioperm(2)";
  std::fprintf(stderr, "thermal-control: the kernel refused I/O ports %#lx-%#lx (ioperm: %s); %s\n",
               range.first, last, std::strerror(error), advice);
}

bool Grant_Ports() {
  for (const PortRange &range : PORT_RANGES) {
    if (ioperm(range.first, range.count, 1) != 0) {
      Report_PortsRefused(range, errno);
      return false;
    }
  }
  return true;
}

bool Open_Ioperm_Path() {
  std::fprintf(stderr, "thermal-control: the EC's ports through ioperm, the bridge through "
                       "sysfs (no " THERMAL_EC_DEVICE ")\n");
  // Another copy is refused first, whichever path it took (through the
  // module, the module's driver claims the EC's ports); a user without rights
  // hears of the ports rather than of the lock's folder.
  if (!Grant_Ports() || !Linux_TakeMachineLock() || !Linux_EcPortsUnclaimed()) {
    return false;
  }
  Linux_NoteSuperIoDrivers();
  Linux_DropAdminOnceConfigOpened();
  return true;
}

} // namespace

// Non-zero once the ports can be reached and this is the only copy; 0, after
// a message, when not.
std::uint32_t PortLib_Initialize() {
  struct stat device {};
  ports_granted = stat(THERMAL_EC_DEVICE, &device) == 0 ? Linux_OpenEcDevice() : Open_Ioperm_Path();
  return ports_granted ? 1 : 0;
}

std::uint32_t PortLib_GetStatus() { return ports_granted ? STATUS_READY : STATUS_NOT_INITIALISED; }

const char *PortLib_PathName() { return Linux_ThroughEcDevice() ? "module" : "ioperm"; }

PortLibFailure PortLib_Failure() {
  return Linux_AnotherCopySeen() ? PortLibFailure::AnotherCopy : PortLibFailure::Other;
}

std::uint8_t PortLib_ReadPortByte(std::uint16_t port) {
  return Linux_ThroughEcDevice() ? Linux_DeviceReadPort(port) : inb(port);
}

void PortLib_WritePortByte(std::uint16_t port, std::uint8_t value) {
  if (Linux_ThroughEcDevice()) {
    Linux_DeviceWritePort(port, value);
  } else {
    outb(value, port);
  }
}

bool PortLib_HoldBus(PortLibBus bus) {
  return Linux_ThroughEcDevice() ? Linux_DeviceHoldBus(bus) : true;
}

bool PortLib_ReleaseBus(PortLibBus bus) {
  return Linux_ThroughEcDevice() ? Linux_DeviceReleaseBus(bus) : true;
}
