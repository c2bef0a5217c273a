// The service manager's notify protocol on Linux: each message one datagram
// to the socket that NOTIFY_SOCKET names (a path, or with '@' in front a name
// in the abstract namespace), read once. systemd sets it for a service of
// Type=notify; elsewhere it is not set, and nothing is sent. A few lines, so that the
// program links no library for them.

#include "backends/posix/posix_run.h"
#include "hw/port_lib.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// Where the messages go: read from NOTIFY_SOCKET at the first message, once
// for the program's life, as the service manager set it before the start.
struct NotifyTarget {
  sockaddr_un address{};
  socklen_t length = 0; // 0: nobody listens
  int socket = -1;      // opened at the first message, kept
};

NotifyTarget Read_Target() {
  NotifyTarget target;
  const char *name = std::getenv("NOTIFY_SOCKET");
  const std::size_t length = name == nullptr ? 0 : std::strlen(name);
  if (length == 0 || length >= sizeof target.address.sun_path ||
      (name[0] != '/' && name[0] != '@')) {
    return target;
  }
  target.address.sun_family = AF_UNIX;
  std::memcpy(target.address.sun_path, name, length);
  if (target.address.sun_path[0] == '@') {
    target.address.sun_path[0] = '\0';
  }
  target.length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + length);
  return target;
}

NotifyTarget &Target() {
  static NotifyTarget target = Read_Target();
  return target;
}

} // namespace

void Platform_Notify(const char *message) {
  NotifyTarget &target = Target();
  if (target.length == 0) {
    return;
  }
  if (target.socket < 0) {
    target.socket = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  }
  static_cast<void>(sendto(target.socket, message, std::strlen(message), MSG_NOSIGNAL,
                           reinterpret_cast<const sockaddr *>(&target.address), target.length));
}

bool Platform_ServiceManagerListens() { return Target().length != 0; }

// The journal keeps the program's lines themselves: an event adds nothing.
void Platform_Event(PlatformEvent, const char *) {}

// The service reads its table from /etc/thermal-control, which only root may
// write, and the package makes.
bool Platform_FileTrusted(std::FILE *, char *, std::size_t) { return true; }

// node_exporter's textfile collector reads Debian's folder where its package
// is installed.
bool Platform_MetricsFolder(char *folder, std::size_t size) {
  return Posix_MetricsFolder("/var/lib/prometheus/node-exporter", folder, size);
}
