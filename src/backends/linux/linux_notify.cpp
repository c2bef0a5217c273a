// The service manager's notify protocol on Linux: each message one datagram
// to the socket that NOTIFY_SOCKET names (a path, or with '@' in front a name
// in the abstract namespace). systemd sets it for a service of Type=notify;
// elsewhere it is not set, and nothing is sent. A few lines, so that the
// program links no library for them.

#include "hw/port_lib.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

int notify_socket = -1; // opened at the first message, kept

// The socket's address from NOTIFY_SOCKET; its length, 0 when there is none.
socklen_t Notify_Address(sockaddr_un &address) {
  const char *name = std::getenv("NOTIFY_SOCKET");
  const std::size_t length = name == nullptr ? 0 : std::strlen(name);
  if (length == 0 || length >= sizeof address.sun_path || (name[0] != '/' && name[0] != '@')) {
    return 0;
  }
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, name, length);
  if (address.sun_path[0] == '@') {
    address.sun_path[0] = '\0';
  }
  return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + length);
}

} // namespace

void Platform_Notify(const char *message) {
  sockaddr_un address{};
  const socklen_t length = Notify_Address(address);
  if (length == 0) {
    return;
  }
  if (notify_socket < 0) {
    notify_socket = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  }
  static_cast<void>(sendto(notify_socket, message, std::strlen(message), MSG_NOSIGNAL,
                           reinterpret_cast<const sockaddr *>(&address), length));
}

bool Platform_ServiceManagerListens() {
  sockaddr_un address{};
  return Notify_Address(address) != 0;
}

// The journal keeps the program's lines themselves: an event adds nothing.
void Platform_Event(PlatformEvent, const char *) {}

// The service reads its table from /etc/thermal-control, which only root may
// write, and the package makes.
bool Platform_FileTrusted(std::FILE *, char *, std::size_t) { return true; }
