// The thermal_ec module's device, when the program goes through it. The
// module allows the program's own operations and nothing else, and one
// opener at a time. It performs the set-up of the EC's logical device as one
// request, under its own hold of the configuration ports: the writes the
// program makes while holding them are checked to be that set-up and turned
// into the request at the release. Its holds of the EC and of PCI need
// nothing here: the module owns the EC's ports, and writes the bridge itself.

#include "backends/linux/kernel/thermal_ec.h"
#include "backends/linux/linux_parts.h"
#include "hw/board.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

int ec_device = -1;

// The configuration port writes of the hold under way, as (port, value).
struct PortWrite {
  std::uint16_t port;
  std::uint8_t value;
};
constexpr std::size_t PROGRAM_WRITES = 2 * SIO_EC_DEVICE_PROGRAM_PAIRS;
struct IsaWrites {
  bool holding = false;
  std::size_t count = 0; // every write, even past the array's end
  std::array<PortWrite, PROGRAM_WRITES> writes{};
};
IsaWrites isa_writes;

// What a refusal of the module means, by its error.
const char *Refusal_Meaning(int error) {
  switch (error) {
  case EINVAL:
    return "the module allows only the program's own operations";
  case EBUSY:
    return "a driver holds the configuration ports for itself";
  case EBADF:
    return "the device is not open for writing";
  case ENOTTY:
    return "the module does not know the request: it is not the version of this program";
  case EEXIST:
    return "the bridge's decode register holds another device's range";
  default:
    return "see the kernel log (dmesg)";
  }
}

void Report_Refused(const char *what) {
  const int error = errno;
  std::fprintf(stderr, "thermal-control: " THERMAL_EC_DEVICE " refused %s: %s (%s)\n", what,
               std::strerror(error), Refusal_Meaning(error));
}

// Whether a process has the device open, by its descriptors in /proc.
bool Has_Device_Open(const std::string &pid) {
  const std::string fds = "/proc/" + pid + "/fd";
  DIR *dir = opendir(fds.c_str());
  if (dir == nullptr) {
    return false; // another user's, or gone: not to be seen
  }
  bool found = false;
  for (const dirent *entry; !found && (entry = readdir(dir)) != nullptr;) {
    char target[sizeof THERMAL_EC_DEVICE] = {};
    const std::string link = fds + "/" + entry->d_name;
    const ssize_t length = readlink(link.c_str(), target, sizeof target);
    found = length == sizeof target - 1 &&
            std::strncmp(target, THERMAL_EC_DEVICE, sizeof target - 1) == 0;
  }
  closedir(dir);
  return found;
}

// The process that has the device open, where this one may see it; 0 when
// it cannot be seen.
long Device_Holder() {
  DIR *proc = opendir("/proc");
  if (proc == nullptr) {
    return 0;
  }
  long holder = 0;
  for (const dirent *entry; holder == 0 && (entry = readdir(proc)) != nullptr;) {
    const long pid = std::strtol(entry->d_name, nullptr, 10);
    if (pid > 0 && pid != getpid() && Has_Device_Open(entry->d_name)) {
      holder = pid;
    }
  }
  closedir(proc);
  return holder;
}

bool Is_Ec_Device_Program(const IsaWrites &record) {
  if (record.count != PROGRAM_WRITES) {
    return false;
  }
  for (std::size_t pair = 0; pair < SIO_EC_DEVICE_PROGRAM_PAIRS; ++pair) {
    const PortWrite &index = record.writes[2 * pair];
    const PortWrite &data = record.writes[2 * pair + 1];
    if (index.port != SIO_INDEX_PORT || index.value != sio_ec_device_program[pair][0] ||
        data.port != SIO_DATA_PORT || data.value != sio_ec_device_program[pair][1]) {
      return false;
    }
  }
  return true;
}

bool Program_Ec_Device(const IsaWrites &record) {
  if (!Is_Ec_Device_Program(record)) {
    std::fprintf(stderr, "thermal-control: the configuration port writes were not the EC's "
                         "logical-device set-up that " THERMAL_EC_DEVICE " performs; nothing "
                         "was written\n");
    return false;
  }
  if (ioctl(ec_device, THERMAL_EC_SET_UP_EC_DEVICE) != 0) {
    Report_Refused("the EC's logical-device set-up");
    return false;
  }
  return true;
}

} // namespace

bool Linux_OpenEcDevice() {
  std::fprintf(stderr,
               "thermal-control: the EC's ports and the bridge through " THERMAL_EC_DEVICE "\n");
  if (!Linux_TakeMachineLock()) {
    return false;
  }
  ec_device = open(THERMAL_EC_DEVICE, O_RDWR | O_CLOEXEC);
  if (ec_device >= 0) {
    return true;
  }
  if (errno == EBUSY) {
    Linux_ReportHeld(Device_Holder());
    return false;
  }
  std::fprintf(stderr,
               "thermal-control: cannot open " THERMAL_EC_DEVICE ": %s (it belongs to root and "
               "the group thermal-ec)\n",
               std::strerror(errno));
  return false;
}

bool Linux_ThroughEcDevice() { return ec_device >= 0; }

// A port that cannot be read gives what a port nothing decodes gives.
std::uint8_t Linux_DeviceReadPort(std::uint16_t port) {
  std::uint8_t value = 0;
  return pread(ec_device, &value, 1, port) == 1 ? value : PORTLIB_FLOATING_BUS;
}

// A write the module refuses goes nowhere, as a write to a port that nothing
// decodes: the EC's replies show it.
void Linux_DeviceWritePort(std::uint16_t port, std::uint8_t value) {
  if (isa_writes.holding && (port == SIO_INDEX_PORT || port == SIO_DATA_PORT)) {
    if (isa_writes.count < PROGRAM_WRITES) {
      isa_writes.writes[isa_writes.count] = {port, value};
    }
    ++isa_writes.count;
    return;
  }
  [[maybe_unused]] const ssize_t refused_or_written = pwrite(ec_device, &value, 1, port);
}

bool Linux_DeviceHoldBus(PortLibBus bus) {
  if (bus == PortLibBus::Isa) {
    isa_writes = IsaWrites{};
    isa_writes.holding = true;
  }
  return true;
}

bool Linux_DeviceReleaseBus(PortLibBus bus) {
  if (bus != PortLibBus::Isa) {
    return true;
  }
  isa_writes.holding = false;
  return Program_Ec_Device(isa_writes);
}

// The module reads the bridge it found itself, and only its decode range.
bool Linux_DeviceReadPciConfigDword(std::uint8_t reg, std::uint32_t &value) {
  __u32 range = 0;
  if (reg != LPC_GEN1_DEC) {
    std::fprintf(stderr,
                 "thermal-control: " THERMAL_EC_DEVICE " reads only the LPC bridge's decode "
                 "range of the EC's ports, not register %#x\n",
                 unsigned{reg});
    return false;
  }
  if (ioctl(ec_device, THERMAL_EC_READ_DECODE_RANGE, &range) != 0) {
    Report_Refused("a read of the bridge's decode range");
    return false;
  }
  value = range;
  return true;
}

// The module writes the bridge it found itself, and only its decode range.
bool Linux_DeviceWritePciConfigDword(std::uint8_t reg, std::uint32_t value) {
  if (reg != LPC_GEN1_DEC || value != LPC_GEN1_DEC_EC_RANGE) {
    std::fprintf(stderr,
                 "thermal-control: " THERMAL_EC_DEVICE " writes only the LPC bridge's decode "
                 "range of the EC's ports, not register %#x = %#x\n",
                 unsigned{reg}, static_cast<unsigned>(value));
    return false;
  }
  if (ioctl(ec_device, THERMAL_EC_FORWARD_EC_PORTS) != 0) {
    Report_Refused("the bridge's decode range");
    return false;
  }
  return true;
}
