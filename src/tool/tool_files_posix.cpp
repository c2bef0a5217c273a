#include "tool/tool_files.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool Same_File(const std::string &a, const std::string &b) {
  struct stat first {};
  struct stat second {};
  return a == b || (stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 &&
                    first.st_dev == second.st_dev && first.st_ino == second.st_ino);
}

bool Is_Standard_Output(const std::string &name) {
  struct stat output {};
  struct stat named {};
  return fstat(STDOUT_FILENO, &output) == 0 && stat(name.c_str(), &named) == 0 &&
         output.st_dev == named.st_dev && output.st_ino == named.st_ino;
}

std::string File_Behind(const std::string &name) {
  char resolved[PATH_MAX];
  return realpath(name.c_str(), resolved) != nullptr ? resolved : name;
}

std::FILE *Create_Beside(const std::string &target, std::string &temporary, std::string &why) {
  // The process's number and a count make the name unique among writers;
  // O_EXCL makes sure no file of the name is taken over.
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    temporary = target + "." + std::to_string(getpid()) + "-" + std::to_string(attempt) + ".tmp";
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      std::FILE *file = fdopen(fd, "wb");
      if (file == nullptr) {
        why = std::strerror(errno);
        close(fd);
        unlink(temporary.c_str());
      }
      return file;
    }
    if (errno != EEXIST) {
      break;
    }
  }
  why = std::strerror(errno);
  return nullptr;
}

bool Replace_File(const std::string &from, const std::string &to, std::string &why) {
  if (std::rename(from.c_str(), to.c_str()) != 0) {
    why = std::strerror(errno);
    return false;
  }
  return true;
}

void Remove_File(const std::string &name) { unlink(name.c_str()); }
