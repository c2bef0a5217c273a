// The kernel's drivers on the program's ports, for the ioperm path, which
// cannot take part in the kernel's locking of them: where a driver has
// claimed one of the EC's ports the program does not start, and a Super-I/O
// driver, which may use the configuration ports while the program does, is
// pointed out.
//
// /proc/ioports shows its addresses only to a process with CAP_SYS_ADMIN, and
// the confined service may not see it at all: its unit has systemd read it
// with its own rights and hand the program the copy as the credential
// "ioports".

#include "backends/linux/linux_parts.h"
#include "hw/board.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char *PROC_IOPORTS = "/proc/ioports";
constexpr const char *IOPORTS_CREDENTIAL = "ioports";
constexpr unsigned long EC_PORTS[] = {EC_DATA_PORT, EC_CMD_PORT};

// A region of /proc/ioports: "  0062-0062 : EC data".
struct PortRegion {
  unsigned long first;
  unsigned long last;
  std::string name;
};

bool Parse_Region(const char *line, PortRegion &region) {
  int name_at = 0;
  if (std::sscanf(line, " %lx-%lx : %n", &region.first, &region.last, &name_at) != 2 ||
      name_at == 0) {
    return false;
  }
  region.name = line + name_at;
  region.name.erase(region.name.find_last_not_of("\r\n") + 1);
  return true;
}

// Firmware's motherboard reservations ("pnp 00:01") and the windows of a PCI
// host bridge ("PCI Bus 0000:00") are no driver's.
bool Is_Drivers(const std::string &name) {
  return name.rfind("pnp ", 0) != 0 && name.rfind("PCI Bus ", 0) != 0;
}

std::string Ioports_Path() {
  const char *credentials = std::getenv("CREDENTIALS_DIRECTORY");
  if (credentials != nullptr) {
    const std::string path = std::string(credentials) + "/" + IOPORTS_CREDENTIAL;
    if (access(path.c_str(), R_OK) == 0) {
      return path;
    }
  }
  return PROC_IOPORTS;
}

struct Claims {
  bool addresses_shown = false;
  unsigned long port = 0; // the first of the EC's ports claimed, 0 when none
  std::string claimant;   // the innermost region that claims it
};

Claims Read_Claims(std::FILE *ioports) {
  Claims claims;
  char line[256];
  while (std::fgets(line, sizeof line, ioports) != nullptr) {
    PortRegion region{};
    if (!Parse_Region(line, region)) {
      continue;
    }
    claims.addresses_shown = claims.addresses_shown || region.last != 0;
    for (const unsigned long port : EC_PORTS) {
      const bool inside = region.first <= port && port <= region.last;
      if (inside && Is_Drivers(region.name) && (claims.port == 0 || claims.port == port)) {
        claims.port = port;
        claims.claimant = region.name;
      }
    }
  }
  return claims;
}

} // namespace

bool Linux_EcPortsUnclaimed() {
  const std::string path = Ioports_Path();
  std::FILE *ioports = std::fopen(path.c_str(), "r");
  if (ioports == nullptr) {
    std::fprintf(stderr,
                 "thermal-control: cannot read %s: %s; whether a driver has claimed the EC's "
                 "ports cannot be seen\n",
                 path.c_str(), std::strerror(errno));
    return true;
  }
  const Claims claims = Read_Claims(ioports);
  std::fclose(ioports);
  if (!claims.addresses_shown) {
    std::fprintf(stderr,
                 "thermal-control: %s shows no addresses without CAP_SYS_ADMIN; whether a driver "
                 "has claimed the EC's ports cannot be seen\n",
                 path.c_str());
    return true;
  }
  if (claims.port != 0) {
    std::fprintf(stderr,
                 "thermal-control: the EC's port %#lx is claimed by \"%s\" in /proc/ioports: a "
                 "driver drives it (the ACPI EC driver names its ports \"EC data\" and \"EC "
                 "cmd\"), and over ioperm the program cannot share the port with it; it does not "
                 "start\n",
                 claims.port, claims.claimant.c_str());
    return false;
  }
  return true;
}

// Hardware monitoring drivers and watchdogs that reach a Super-I/O chip over
// the configuration ports.
void Linux_NoteSuperIoDrivers() {
  constexpr const char *DRIVERS[] = {
      "it87",         "it87_wdt", "nct6683",     "nct6775",   "nct6775_core",
      "f71805f",      "f71882fg", "f71808e_wdt", "w83627ehf", "w83627hf",
      "w83627hf_wdt", "pc87360",  "pc87427",     "sch5627",   "sch5636",
      "sch311x_wdt",  "smsc47m1", "smsc47b397",  "vt1211",    "smsc37b787_wdt"};
  for (const char *driver : DRIVERS) {
    struct stat module {};
    if (stat(("/sys/module/" + std::string(driver)).c_str(), &module) == 0) {
      std::fprintf(stderr,
                   "thermal-control: the Super-I/O driver %s is loaded: it may use the "
                   "configuration ports 0x4e/0x4f while the program sets up the EC's logical "
                   "device, which over ioperm cannot wait for it; the thermal_ec module's path "
                   "holds the ports for the whole set-up (see \"The thermal_ec kernel module\" "
                   "in the README)\n",
                   driver);
      return;
    }
  }
}
