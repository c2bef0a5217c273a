// The kernel's lockdown, which Secure Boot turns on in the kernels of Debian,
// Ubuntu, Fedora and SUSE: the file lists the modes with the current one in
// brackets, "none [integrity] confidentiality".

#include "backends/linux/linux_parts.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr const char *LOCKDOWN_FILE = "/sys/kernel/security/lockdown";

} // namespace

const char *Linux_LockdownMode() {
  std::FILE *file = std::fopen(LOCKDOWN_FILE, "r");
  if (file == nullptr) {
    return nullptr; // a kernel without lockdown support is not locked down
  }
  char modes[128] = {};
  const bool read = std::fgets(modes, sizeof modes, file) != nullptr;
  std::fclose(file);
  if (!read) {
    return nullptr;
  }
  if (std::strstr(modes, "[integrity]") != nullptr) {
    return "integrity";
  }
  if (std::strstr(modes, "[confidentiality]") != nullptr) {
    return "confidentiality";
  }
  return nullptr;
}

const char *Linux_LockdownAdvice() {
  return "a locked-down kernel refuses I/O port access and writes to PCI config files even to "
         "root; see \"Secure Boot and kernel lockdown\" in the README";
}
