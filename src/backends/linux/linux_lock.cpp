// One copy at a time: two copies would interleave their exchanges on the
// EC's two ports, and the EC could take one copy's select value as the
// other's read argument. The copies meet at a file lock in a folder under
// /run that only root and the service (with the thermal_ec module, the group
// thermal-ec) may use, so that no other user can hold the lock and keep the
// service from starting. The service's unit provides the folder as its
// runtime directory and keeps it; a copy run by hand makes it when it is
// missing.

#include "backends/linux/linux_parts.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char *LOCK_FOLDER = "/run/thermal-control";
constexpr const char *LOCK_FILE = "/run/thermal-control/lock";
constexpr mode_t LOCK_FOLDER_MODE = 0750;
constexpr mode_t LOCK_FILE_MODE = 0660;
constexpr const char *NEEDS =
    "a copy needs root, or with the thermal_ec module the group thermal-ec";

// The process that holds the lock, as it wrote itself into the file; 0 when
// the file does not say.
long Lock_Holder(int file) {
  char text[24] = {};
  const ssize_t got = pread(file, text, sizeof text - 1, 0);
  return got > 0 ? std::strtol(text, nullptr, 10) : 0;
}

// The lock holds without the number; only a refused copy's message would
// miss it.
void Write_Holder(int file) {
  const std::string pid = std::to_string(getpid()) + "\n";
  if (ftruncate(file, 0) != 0 || pwrite(file, pid.data(), pid.size(), 0) < 0) {
    std::fprintf(stderr, "thermal-control: cannot write its number into %s: %s\n", LOCK_FILE,
                 std::strerror(errno));
  }
}

void Report_Held(long holder) {
  if (holder > 0) {
    std::fprintf(stderr,
                 "thermal-control: another thermal-control (process %ld) is already running on "
                 "this machine and holds the EC's ports; stop it first (for the service: "
                 "systemctl stop thermal-control)\n",
                 holder);
  } else {
    std::fprintf(stderr, "thermal-control: another thermal-control is already running on this "
                         "machine and holds the EC's ports; stop it first (for the service: "
                         "systemctl stop thermal-control)\n");
  }
}

} // namespace

bool Linux_TakeMachineLock() {
  if (mkdir(LOCK_FOLDER, LOCK_FOLDER_MODE) != 0 && errno != EEXIST) {
    std::fprintf(stderr, "thermal-control: cannot make %s: %s (%s)\n", LOCK_FOLDER,
                 std::strerror(errno), NEEDS);
    return false;
  }
  const int file = open(LOCK_FILE, O_RDWR | O_CREAT | O_CLOEXEC, LOCK_FILE_MODE);
  if (file < 0) {
    std::fprintf(stderr, "thermal-control: cannot open %s: %s (%s)\n", LOCK_FILE,
                 std::strerror(errno), NEEDS);
    return false;
  }
  // For the group too, whatever the creator's umask; the file's owner alone
  // may change it, and any other copy leaves it as it is.
  static_cast<void>(fchmod(file, LOCK_FILE_MODE));
  if (flock(file, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    if (error == EWOULDBLOCK) {
      Report_Held(Lock_Holder(file));
    } else {
      std::fprintf(stderr, "thermal-control: cannot lock %s: %s\n", LOCK_FILE,
                   std::strerror(error));
    }
    close(file);
    return false;
  }
  Write_Holder(file);
  return true; // the file stays open, and locked, for the life of the process
}
