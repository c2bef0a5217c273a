// The notify protocol of the Linux backend: each message one datagram to the
// socket that NOTIFY_SOCKET names, a path or an abstract name; none without
// the variable.

#include "hw/port_lib.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// A datagram socket of the test's own at this name ('@' in front: abstract).
int Listen(const std::string &name) {
  const int listener = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  name.copy(address.sun_path, name.size());
  if (name[0] == '@') {
    address.sun_path[0] = '\0';
  }
  const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + name.size());
  EXPECT_EQ(bind(listener, reinterpret_cast<sockaddr *>(&address), length), 0) << name;
  return listener;
}

std::string Received(int listener) {
  char message[256] = {};
  const ssize_t got = recv(listener, message, sizeof message - 1, 0);
  return got > 0 ? std::string(message, static_cast<std::size_t>(got)) : "";
}

TEST(Notify, EachMessageIsOneDatagramToTheNamedSocket) {
  const std::string path = testing::TempDir() + "thermal-notify-" + std::to_string(getpid());
  const std::string abstract = "@thermal-notify-" + std::to_string(getpid());
  for (const std::string &name : {path, abstract}) {
    const int listener = Listen(name);
    setenv("NOTIFY_SOCKET", name.c_str(), 1);
    Platform_Notify("READY=1");
    Platform_Notify("STATUS=temperature 47");
    EXPECT_EQ(Received(listener), "READY=1") << name;
    EXPECT_EQ(Received(listener), "STATUS=temperature 47") << name;
    close(listener);
  }
  unlink(path.c_str());
  unsetenv("NOTIFY_SOCKET");
  const int listener = Listen(path);
  Platform_Notify("WATCHDOG=1");
  EXPECT_EQ(Received(listener), "") << "nothing without NOTIFY_SOCKET";
  close(listener);
  unlink(path.c_str());
}

} // namespace
