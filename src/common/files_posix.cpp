#include "common/files.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

FileKind File_Kind(const char *name, const char *&why) {
  struct stat status {};
  if (stat(name, &status) != 0) {
    const int error = errno;
    why = std::strerror(error);
    return error == ENOENT || error == ENOTDIR ? FileKind::Missing : FileKind::Unreachable;
  }
  return S_ISREG(status.st_mode)   ? FileKind::Plain
         : S_ISDIR(status.st_mode) ? FileKind::Folder
                                   : FileKind::Other;
}

std::FILE *File_Open(const char *name, const char *mode) { return std::fopen(name, mode); }

bool Current_Folder(char *folder, std::size_t size) { return getcwd(folder, size) != nullptr; }
