// The notify protocol of the Linux backend: each message one datagram to the
// socket that NOTIFY_SOCKET names, a path or an abstract name, read once at
// the first message; none without the variable. And where its metrics file
// goes.

#include "hw/port_lib.h"

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
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

// Runs `messages` in a child process of its own, as the program runs: the
// socket's name is read once in a process's life, at its first message.
void In_A_Child(const std::function<void()> &messages) {
  const pid_t child = fork();
  if (child == 0) {
    messages();
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST(Notify, EachMessageIsOneDatagramToTheSocketNamedAtTheFirst) {
  const std::string path = testing::TempDir() + "thermal-notify-" + std::to_string(getpid());
  const std::string abstract = "@thermal-notify-" + std::to_string(getpid());
  const std::string later = "@thermal-notify-later-" + std::to_string(getpid());
  for (const std::string &name : {path, abstract}) {
    const int listener = Listen(name);
    const int elsewhere = Listen(later);
    In_A_Child([&] {
      setenv("NOTIFY_SOCKET", name.c_str(), 1);
      Platform_Notify("READY=1");
      setenv("NOTIFY_SOCKET", later.c_str(), 1);
      Platform_Notify("STATUS=temperature 47");
    });
    EXPECT_EQ(Received(listener), "READY=1") << name;
    EXPECT_EQ(Received(listener), "STATUS=temperature 47") << name << ": read once";
    EXPECT_EQ(Received(elsewhere), "") << name << ": read once";
    close(listener);
    close(elsewhere);
  }
  unlink(path.c_str());
  const int listener = Listen(path);
  In_A_Child([&] {
    unsetenv("NOTIFY_SOCKET");
    Platform_Notify("WATCHDOG=1");
    setenv("NOTIFY_SOCKET", path.c_str(), 1);
    Platform_Notify("WATCHDOG=1");
    if (Platform_ServiceManagerListens()) {
      _exit(1);
    }
  });
  EXPECT_EQ(Received(listener), "") << "nothing without NOTIFY_SOCKET at the first message";
  close(listener);
  unlink(path.c_str());
}

// The metrics file's folder on Linux: the setting's, none where it is set
// but empty, else node_exporter's where its package made it.
TEST(MetricsFolder, IsTheSettingsElseNodeExportersWhereItExists) {
  char folder[512];
  setenv("THERMAL_CONTROL_METRICS_DIR", "/srv/metrics", 1);
  EXPECT_TRUE(Platform_MetricsFolder(folder, sizeof folder));
  EXPECT_STREQ(folder, "/srv/metrics");
  EXPECT_FALSE(Platform_MetricsFolder(folder, 8)) << "a folder that does not fit";
  setenv("THERMAL_CONTROL_METRICS_DIR", "", 1);
  EXPECT_FALSE(Platform_MetricsFolder(folder, sizeof folder));
  unsetenv("THERMAL_CONTROL_METRICS_DIR");
  const bool exporter = std::filesystem::is_directory("/var/lib/prometheus/node-exporter");
  EXPECT_EQ(Platform_MetricsFolder(folder, sizeof folder), exporter);
  if (exporter) {
    EXPECT_STREQ(folder, "/var/lib/prometheus/node-exporter");
  }
}

} // namespace
