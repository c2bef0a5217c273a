// One copy at a time, whichever path each takes to the ports: two copies
// would interleave their exchanges on the EC's two ports, and the EC could
// take one copy's select value as the other's read argument. The copies meet
// at a file lock in a folder under /run that only root and the service may
// use, so that no other user can hold the lock and keep the service from
// starting. The service's unit provides the folder as its runtime directory
// (owned by the user it runs as) and keeps it; a copy run by hand makes it
// when it is missing.
//
// The folder and the lock are opened only as what they must be, never
// through a link: a copy run as root must not be led to truncate or change
// another file.

#include "backends/linux/linux_parts.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

constexpr const char *LOCK_FOLDER = "/run/thermal-control";
constexpr const char *LOCK_NAME = "lock";
constexpr const char *LOCK_FILE = "/run/thermal-control/lock";
constexpr const char *PROC_LOCKS = "/proc/locks";
constexpr mode_t LOCK_FOLDER_MODE = 0750;
constexpr mode_t LOCK_FILE_MODE = 0660;
constexpr const char *NEEDS = "a copy needs root, or to be the service's user";

void Refuse(const char *path, const char *what) {
  std::fprintf(stderr, "thermal-control: %s %s\n", path, what);
}

// The folder, made when it is missing; -1, after a message, when it cannot be
// had as a folder.
int Open_Lock_Folder() {
  if (mkdir(LOCK_FOLDER, LOCK_FOLDER_MODE) != 0 && errno != EEXIST) {
    std::fprintf(stderr, "thermal-control: cannot make %s: %s (%s)\n", LOCK_FOLDER,
                 std::strerror(errno), NEEDS);
    return -1;
  }
  const int folder = open(LOCK_FOLDER, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (folder < 0 && (errno == ENOTDIR || errno == ELOOP)) {
    Refuse(LOCK_FOLDER, "is not a folder (a file or a link stands there): remove it, and the "
                        "program makes the folder for its lock");
  } else if (folder < 0) {
    std::fprintf(stderr, "thermal-control: cannot open %s: %s (%s)\n", LOCK_FOLDER,
                 std::strerror(errno), NEEDS);
  }
  return folder;
}

// The lock file, created or opened as a plain file of its own; -1, after a
// message, when anything else stands there.
int Open_Lock_File(int folder) {
  const int file = openat(folder, LOCK_NAME, O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC,
                          LOCK_FILE_MODE);
  if (file < 0) {
    if (errno == ELOOP) {
      Refuse(LOCK_FILE, "is a symbolic link: the program opens its lock only as a plain file; "
                        "remove the link");
    } else {
      std::fprintf(stderr, "thermal-control: cannot open %s: %s (%s)\n", LOCK_FILE,
                   std::strerror(errno), NEEDS);
    }
    return -1;
  }
  struct stat lock {};
  if (fstat(file, &lock) != 0 || !S_ISREG(lock.st_mode) || lock.st_nlink != 1) {
    close(file);
    Refuse(LOCK_FILE, "is not a plain file of its own (a folder, a pipe, a device or a "
                      "hard link): remove it");
    return -1;
  }
  return file;
}

// The process that holds the lock on this file, as /proc/locks shows it; 0
// when it cannot be seen.
long Lock_Holder(int file) {
  struct stat lock {};
  if (fstat(file, &lock) != 0) {
    return 0;
  }
  std::FILE *locks = std::fopen(PROC_LOCKS, "r");
  if (locks == nullptr) {
    return 0;
  }
  long holder = 0;
  char line[256];
  while (holder == 0 && std::fgets(line, sizeof line, locks) != nullptr) {
    long pid = 0;
    unsigned major_number = 0;
    unsigned minor_number = 0;
    unsigned long inode = 0;
    if (std::sscanf(line, "%*d: FLOCK %*s %*s %ld %x:%x:%lu", &pid, &major_number, &minor_number,
                    &inode) == 4 &&
        major_number == major(lock.st_dev) && minor_number == minor(lock.st_dev) &&
        inode == lock.st_ino) {
      holder = pid;
    }
  }
  std::fclose(locks);
  return holder;
}

// For people who look: the lock holds without the number.
void Write_Holder(int file) {
  const std::string pid = std::to_string(getpid()) + "\n";
  if (ftruncate(file, 0) != 0 || pwrite(file, pid.data(), pid.size(), 0) < 0) {
    std::fprintf(stderr, "thermal-control: cannot write its number into %s: %s\n", LOCK_FILE,
                 std::strerror(errno));
  }
}

bool another_copy_seen = false;

} // namespace

void Linux_ReportHeld(long holder) {
  another_copy_seen = true;
  char process[32] = "";
  if (holder > 0) {
    std::snprintf(process, sizeof process, " (process %ld)", holder);
  }
  std::fprintf(stderr,
               "thermal-control: another thermal-control%s is already running on this machine "
               "and holds the EC's ports; stop it first (for the service: systemctl stop "
               "thermal-control)\n",
               process);
}

bool Linux_AnotherCopySeen() { return another_copy_seen; }

bool Linux_TakeMachineLock() {
  const int folder = Open_Lock_Folder();
  if (folder < 0) {
    return false;
  }
  const int file = Open_Lock_File(folder);
  close(folder);
  if (file < 0) {
    return false;
  }
  // For the group too, whatever the creator's umask; the file's owner alone
  // may change it, and any other copy leaves it as it is.
  static_cast<void>(fchmod(file, LOCK_FILE_MODE));
  if (flock(file, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    if (error == EWOULDBLOCK) {
      Linux_ReportHeld(Lock_Holder(file));
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
