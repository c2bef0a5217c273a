// The port library's PCI operations on Linux, through sysfs: the devices'
// IDs are read from /sys/bus/pci/devices, and a configuration read or write
// goes to the device's config file there, which only root may write. Past
// its first 64 bytes it can be read only through a file opened with
// CAP_SYS_ADMIN: the file read is kept open, so that the service may drop
// the capability once it has it.

#include "backends/linux/linux_parts.h"
#include "hw/port_lib.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr const char *PCI_DEVICE_ROOT = "/sys/bus/pci/devices";

std::uint8_t pci_max_bus = 0xFF;

// The config file opened for reading, kept for the process's life.
struct KeptConfig {
  std::uint32_t address = PORTLIB_PCI_NOT_FOUND;
  int file = -1;
};
KeptConfig kept;
bool drop_admin_armed = false;

struct PciFunction {
  unsigned bus;
  unsigned device;
  unsigned function;
  std::string name; // the sysfs entry, "0000:bb:dd.f"
};

std::uint32_t Pci_Address(const PciFunction &f) { return f.bus << 8 | f.device << 3 | f.function; }

// A sysfs file that could not be used: the system's reason, and what to check.
void Report_File(const char *what, const std::string &path, const char *check) {
  std::fprintf(stderr, "thermal-control: cannot %s %s: %s (%s)\n", what, path.c_str(),
               std::strerror(errno), check);
}

constexpr const char *CHECK_SYSFS = "is sysfs mounted at /sys?";
constexpr const char *CHECK_CONFIG_READ =
    "reading a PCI device's config file past its first 64 bytes needs root with CAP_SYS_ADMIN";
constexpr const char *CHECK_CONFIG_WRITE =
    "writing a PCI device's config file needs root, a /sys that is not read-only, and a kernel "
    "that is not locked down";

// A config write refused: under lockdown, that is why.
void Report_ConfigRefused(const char *what, const std::string &path) {
  const int error = errno;
  const std::string lockdown = Linux_LockdownExplains(error);
  if (lockdown.empty()) {
    errno = error; // as the write left it, not as the look at lockdown did
    Report_File(what, path, CHECK_CONFIG_WRITE);
    return;
  }
  std::fprintf(stderr, "thermal-control: cannot %s %s: %s: the kernel is %s\n", what, path.c_str(),
               std::strerror(error), lockdown.c_str());
}

// Reads a sysfs ID file ("0x8086\n"). False, after a message, when it cannot.
bool Read_Id(const std::string &path, unsigned &id) {
  std::FILE *file = std::fopen(path.c_str(), "r");
  if (file == nullptr) {
    Report_File("read", path, CHECK_SYSFS);
    return false;
  }
  errno = 0;
  const bool read = std::fscanf(file, "%x", &id) == 1;
  if (!read && errno != 0) {
    Report_File("read", path, CHECK_SYSFS);
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
  DIR *dir = opendir(PCI_DEVICE_ROOT);
  if (dir == nullptr) {
    Report_File("list", PCI_DEVICE_ROOT, CHECK_SYSFS);
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
  const std::string dir = std::string(PCI_DEVICE_ROOT) + "/" + f.name;
  return Read_Id(dir + "/vendor", vendor) && Read_Id(dir + "/device", device);
}

// Whether the kept file is the device's config file that stands at the path
// now: a device removed and found again has another.
bool Kept_Is(std::uint32_t address, const std::string &path) {
  struct stat now {};
  struct stat held {};
  return kept.file >= 0 && kept.address == address && stat(path.c_str(), &now) == 0 &&
         fstat(kept.file, &held) == 0 && now.st_ino == held.st_ino && now.st_dev == held.st_dev;
}

std::string Pci_ConfigPath(std::uint32_t address) {
  char name[32];
  std::snprintf(name, sizeof name, "/0000:%02x:%02x.%x/config", address >> 8 & 0xFF,
                address >> 3 & 0x1F, address & 0x7);
  return PCI_DEVICE_ROOT + std::string(name);
}

} // namespace

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

// Reads the dword little-endian at the register's offset of the device's
// config file, or through /dev/thermal_ec when the program goes through it:
// the module reads the bridge it found itself.
bool PortLib_ReadPciConfigDword(std::uint32_t address, std::uint8_t reg, std::uint32_t &value) {
  if (Linux_ThroughEcDevice()) {
    return Linux_DeviceReadPciConfigDword(reg, value);
  }
  const std::string path = Pci_ConfigPath(address);
  if (!Kept_Is(address, path)) {
    if (kept.file >= 0) {
      close(kept.file);
    }
    kept = {address, open(path.c_str(), O_RDONLY | O_CLOEXEC)};
    if (kept.file >= 0 && drop_admin_armed) {
      drop_admin_armed = false;
      static_cast<void>(Linux_DropAdmin());
    }
  }
  unsigned char bytes[4] = {};
  const ssize_t read = kept.file < 0 ? -1 : pread(kept.file, bytes, sizeof bytes, reg);
  if (read != static_cast<ssize_t>(sizeof bytes)) {
    if (read >= 0) {
      errno = EIO; // a short read: the register is beyond what the file shows
    }
    Report_File("read", path, CHECK_CONFIG_READ);
  }
  value = std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 | std::uint32_t{bytes[2]} << 16 |
          std::uint32_t{bytes[3]} << 24;
  return read == static_cast<ssize_t>(sizeof bytes);
}

// Writes the dword little-endian at the register's offset of the device's
// config file, or through /dev/thermal_ec when the program goes through it:
// the module writes the bridge it found itself.
bool PortLib_WritePciConfigDword(std::uint32_t address, std::uint8_t reg, std::uint32_t value) {
  if (Linux_ThroughEcDevice()) {
    return Linux_DeviceWritePciConfigDword(reg, value);
  }
  const std::string path = Pci_ConfigPath(address);
  const unsigned char bytes[4] = {
      static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
      static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
  const int file = open(path.c_str(), O_WRONLY);
  if (file < 0) {
    Report_ConfigRefused("open", path);
    return false;
  }
  const ssize_t written = pwrite(file, bytes, sizeof bytes, reg);
  if (written != static_cast<ssize_t>(sizeof bytes)) {
    if (written >= 0) {
      errno = EIO; // a short write: the register was not written whole
    }
    Report_ConfigRefused("write", path);
  }
  close(file);
  return written == static_cast<ssize_t>(sizeof bytes);
}

void Linux_DropAdminOnceConfigOpened() { drop_admin_armed = true; }
