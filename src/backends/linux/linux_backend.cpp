// The port library on Linux, from the kernel's own interfaces: port access
// through ioperm for exactly the ports the program uses, PCI devices through
// sysfs. Needs CAP_SYS_RAWIO for the ports and write access to the bridge's
// config file.

#include "backends/linux/linux_backend.h"
#include "backends/posix/posix_sleep.h"
#include "hw/port_lib.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/io.h>
#include <unistd.h>
#include <vector>

namespace {

// The configuration ports 0x4E-0x4F and the EC's range 0x68-0x6F.
struct PortRange {
  unsigned long first;
  unsigned long count;
};
constexpr PortRange PORT_RANGES[] = {{0x4E, 2}, {0x68, 8}};

constexpr std::uint32_t STATUS_READY = 0;
constexpr std::uint32_t STATUS_NOT_INITIALISED = 1;
constexpr int EXIT_PCI_WRITE_FAILED = 1;

std::string pci_device_root = "/sys/bus/pci/devices";
bool ports_granted = false;
std::uint8_t pci_max_bus = 0xFF;

struct PciFunction {
  unsigned bus;
  unsigned device;
  unsigned function;
  std::string name; // the sysfs entry, "0000:bb:dd.f"
};

std::uint32_t Pci_Address(const PciFunction &f) { return f.bus << 8 | f.device << 3 | f.function; }

void Report_File(const char *what, const std::string &path) {
  std::fprintf(stderr, "thermal-control: cannot %s %s: %s\n", what, path.c_str(),
               std::strerror(errno));
}

// Reads a sysfs ID file ("0x8086\n"). False, after a message, when it cannot.
bool Read_Id(const std::string &path, unsigned &id) {
  std::FILE *file = std::fopen(path.c_str(), "r");
  if (file == nullptr) {
    Report_File("read", path);
    return false;
  }
  errno = 0;
  const bool read = std::fscanf(file, "%x", &id) == 1;
  if (!read && errno != 0) {
    Report_File("read", path);
  } else if (!read) {
    std::fprintf(stderr, "thermal-control: %s holds no hexadecimal ID\n", path.c_str());
  }
  std::fclose(file);
  return read;
}

// The functions of PCI domain 0 on buses up to the maximum, in bus, device,
// function order.
std::vector<PciFunction> Pci_Functions() {
  std::vector<PciFunction> functions;
  DIR *dir = opendir(pci_device_root.c_str());
  if (dir == nullptr) {
    Report_File("list", pci_device_root);
    return functions;
  }
  while (const dirent *entry = readdir(dir)) {
    unsigned domain = 0;
    PciFunction f{};
    char end = 0;
    if (std::sscanf(entry->d_name, "%4x:%2x:%2x.%1x%c", &domain, &f.bus, &f.device, &f.function,
                    &end) == 4 &&
        domain == 0 && f.bus <= pci_max_bus) {
      f.name = entry->d_name;
      functions.push_back(f);
    }
  }
  closedir(dir);
  std::sort(functions.begin(), functions.end(), [](const PciFunction &a, const PciFunction &b) {
    return Pci_Address(a) < Pci_Address(b);
  });
  return functions;
}

bool Read_Ids(const PciFunction &f, unsigned &vendor, unsigned &device) {
  const std::string dir = pci_device_root + "/" + f.name;
  return Read_Id(dir + "/vendor", vendor) && Read_Id(dir + "/device", device);
}

std::string Pci_ConfigPath(std::uint32_t address) {
  char name[32];
  std::snprintf(name, sizeof name, "/0000:%02x:%02x.%x/config", address >> 8 & 0xFF,
                address >> 3 & 0x1F, address & 0x7);
  return pci_device_root + name;
}

} // namespace

void LinuxPortLib_SetPciDeviceRoot(const char *root) { pci_device_root = root; }

// Non-zero once the kernel grants every port the program uses; 0 when it
// refuses (no CAP_SYS_RAWIO, or the kernel is locked down).
std::uint32_t PortLib_Initialize() {
  for (const PortRange &range : PORT_RANGES) {
    if (ioperm(range.first, range.count, 1) != 0) {
      return 0;
    }
  }
  ports_granted = true;
  return 1;
}

std::uint32_t PortLib_GetStatus() { return ports_granted ? STATUS_READY : STATUS_NOT_INITIALISED; }

void PortLib_SetPciMaxBus(std::uint8_t max_bus) { pci_max_bus = max_bus; }

// A device whose IDs cannot be read might be the one searched for, so the
// search then fails, after the message, rather than pass over it.
std::uint32_t PortLib_FindPciDevice(std::uint16_t vendor_id, std::uint16_t device_id,
                                    std::uint8_t index) {
  unsigned matches = 0;
  for (const PciFunction &f : Pci_Functions()) {
    unsigned vendor = 0;
    unsigned device = 0;
    if (!Read_Ids(f, vendor, device)) {
      return PORTLIB_PCI_NOT_FOUND;
    }
    if (vendor == vendor_id && device == device_id && matches++ == index) {
      return Pci_Address(f);
    }
  }
  return PORTLIB_PCI_NOT_FOUND;
}

// Writes the dword little-endian at the register's offset of the device's
// config file. The program goes on only when the bridge forwards the EC's
// ports, so a write that fails ends it as a failed start-up step.
void PortLib_WritePciConfigDword(std::uint32_t address, std::uint8_t reg, std::uint32_t value) {
  const std::string path = Pci_ConfigPath(address);
  const unsigned char bytes[4] = {
      static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
      static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
  const int file = open(path.c_str(), O_WRONLY);
  const bool written = file >= 0 && pwrite(file, bytes, sizeof bytes, reg) == sizeof bytes;
  if (!written) {
    Report_File("write", path);
  }
  if (file >= 0) {
    close(file);
  }
  if (!written) {
    std::exit(EXIT_PCI_WRITE_FAILED);
  }
}

std::uint8_t PortLib_ReadPortByte(std::uint16_t port) { return inb(port); }
void PortLib_WritePortByte(std::uint16_t port, std::uint8_t value) { outb(value, port); }

void Platform_SleepMs(std::uint32_t milliseconds) { Posix_SleepMs(milliseconds); }
