// The port library's port access on Linux: the kernel grants exactly the
// ports the program uses through ioperm, and inb/outb then reach them
// directly. Needs CAP_SYS_RAWIO and a kernel that is not locked down. Before
// any port is touched, the copy takes the machine's one-copy lock.

#include "backends/linux/linux_parts.h"
#include "hw/port_lib.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/io.h>

namespace {

// The configuration ports 0x4E-0x4F and the EC's range 0x68-0x6F.
struct PortRange {
  unsigned long first;
  unsigned long count;
};
constexpr PortRange PORT_RANGES[] = {{0x4E, 2}, {0x68, 8}};

constexpr std::uint32_t STATUS_READY = 0;
constexpr std::uint32_t STATUS_NOT_INITIALISED = 1;

bool ports_granted = false;

// What to check when the kernel refuses the ports, by its reason.
void Report_PortsRefused(const PortRange &range, int error) {
  const unsigned long last = range.first + range.count - 1;
  const char *lockdown = error == EPERM ? Linux_LockdownMode() : nullptr;
  if (lockdown != nullptr) {
    std::fprintf(stderr,
                 "thermal-control: the kernel refused I/O ports %#lx-%#lx (ioperm: %s): it is "
                 "locked down (%s); %s\n",
                 range.first, last, std::strerror(error), lockdown, Linux_LockdownAdvice());
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

} // namespace

// Non-zero once this is the only copy and the kernel grants every port the
// program uses; 0, after a message, when not.
std::uint32_t PortLib_Initialize() {
  ports_granted = Grant_Ports() && Linux_TakeMachineLock();
  return ports_granted ? 1 : 0;
}

std::uint32_t PortLib_GetStatus() { return ports_granted ? STATUS_READY : STATUS_NOT_INITIALISED; }

std::uint8_t PortLib_ReadPortByte(std::uint16_t port) { return inb(port); }
void PortLib_WritePortByte(std::uint16_t port, std::uint8_t value) { outb(value, port); }
