// The kernel's lockdown, which Secure Boot turns on in the kernels of Debian,
// Ubuntu, Fedora and SUSE: the file lists the modes with the current one in
// brackets, "none [integrity] confidentiality".

#include "backends/linux/linux_parts.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

constexpr const char *LOCKDOWN_FILE = "/sys/kernel/security/lockdown";

// The current mode when the kernel is locked down, else nullptr.
const char *Lockdown_Mode() {
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

} // namespace

std::string Linux_LockdownExplains(int error) {
  const char *mode = error == EPERM ? Lockdown_Mode() : nullptr;
  if (mode == nullptr) {
    return {};
  }
  return std::string("locked down (") + mode +
         "); a locked-down kernel refuses I/O port access and writes to PCI config files even "
         "to root; see \"Secure Boot and kernel lockdown\" in the README";
}
