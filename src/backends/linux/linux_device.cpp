// The thermal_ec kernel module's device, when the program goes through it.

#include "backends/linux/kernel/thermal_ec.h"
#include "backends/linux/linux_parts.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>

namespace {

int ec_device = -1;

} // namespace

bool Linux_OpenEcDevice() {
  std::fprintf(stderr,
               "thermal-control: the EC's ports and the bridge through " THERMAL_EC_DEVICE "\n");
  ec_device = open(THERMAL_EC_DEVICE, O_RDWR | O_CLOEXEC);
  if (ec_device < 0) {
    std::fprintf(stderr,
                 "thermal-control: cannot open " THERMAL_EC_DEVICE ": %s (it belongs to root and "
                 "the group thermal-ec)\n",
                 std::strerror(errno));
    return false;
  }
  return true;
}

int Linux_EcDevice() { return ec_device; }
