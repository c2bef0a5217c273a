// The one capability the service over ioperm gives up once it has what it
// needed it for: CAP_SYS_ADMIN, with which it opened the bridge's config file
// (linux_pci.cpp). It keeps CAP_SYS_RAWIO for the ports.

#include "backends/linux/linux_parts.h"

#include <linux/capability.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/syscall.h>
#include <unistd.h>

// Taken out of the effective, permitted and inheritable sets: it cannot be
// had again, the program never executing another.
bool Linux_DropAdmin() {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
  constexpr unsigned WORD = CAP_SYS_ADMIN / 32;
  constexpr std::uint32_t BIT = 1U << (CAP_SYS_ADMIN % 32);
  if (syscall(SYS_capget, &header, data) == 0) {
    data[WORD].effective &= ~BIT;
    data[WORD].permitted &= ~BIT;
    data[WORD].inheritable &= ~BIT;
    if (syscall(SYS_capset, &header, data) == 0) {
      return true;
    }
  }
  std::fprintf(stderr, "thermal-control: cannot give up CAP_SYS_ADMIN: %s\n", std::strerror(errno));
  return false;
}
