#include "common/files_posix.h"
#include "common/files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A step that failed, and the system's reason: the errno it left.
FileReplaced Failed(FileReplaced kind, const char *step, const char *name, char *why,
                    std::size_t why_size) {
  const int error = errno;
  const char *reason =
      error == ELOOP ? "a symbolic link stands there, which is not followed" : std::strerror(error);
  std::snprintf(why, why_size, "%s%s%s: %s", step, name[0] != '\0' ? " " : "", name, reason);
  return kind;
}

// Writes the temporary file afresh in the open folder: whatever stands at its
// name is removed first, and a name that comes back meanwhile fails the
// write (O_EXCL), as does a link (O_NOFOLLOW).
FileReplaced Write_Temporary(int folder, const char *temporary, const char *text, std::size_t size,
                             char *why, std::size_t why_size) {
  if (unlinkat(folder, temporary, 0) != 0 && errno != ENOENT) {
    return Failed(FileReplaced::NotWritten, "cannot remove", temporary, why, why_size);
  }
  constexpr mode_t READABLE_BY_ALL = 0644;
  const int file = openat(folder, temporary, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                          READABLE_BY_ALL);
  if (file < 0) {
    return Failed(FileReplaced::NotWritten, "cannot make", temporary, why, why_size);
  }
  // The mode again: the process's umask took bits from it.
  bool written = fchmod(file, READABLE_BY_ALL) == 0 && File_WriteAll(file, text, size);
  int error = errno;
  if (close(file) != 0 && written) {
    written = false;
    error = errno;
  }
  if (!written) {
    unlinkat(folder, temporary, 0);
    errno = error;
    return Failed(FileReplaced::NotWritten, "cannot write", temporary, why, why_size);
  }
  return FileReplaced::Replaced;
}

} // namespace

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

bool File_WriteAll(int descriptor, const char *text, std::size_t size) {
  while (size > 0) {
    const ssize_t written = write(descriptor, text, size);
    if (written < 0 && errno == EINTR) {
      continue;
    }
    if (written <= 0) {
      return false;
    }
    text += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

// The folder is opened once, not followed where it is a link, and every step
// is taken in it: a folder swapped for another under its name meanwhile is
// not written into.
FileReplaced File_Replace(const char *folder, const char *name, const char *temporary,
                          const char *text, std::size_t size, char *why, std::size_t why_size) {
  const int opened = open(folder, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (opened < 0) {
    // A link says ENOTDIR here: it is told as what it is.
    struct stat status {};
    if (errno == ENOTDIR && lstat(folder, &status) == 0 && S_ISLNK(status.st_mode)) {
      errno = ELOOP;
    }
    return Failed(FileReplaced::NotWritten, "the folder cannot be opened", "", why, why_size);
  }
  FileReplaced replaced = Write_Temporary(opened, temporary, text, size, why, why_size);
  if (replaced == FileReplaced::Replaced && renameat(opened, temporary, opened, name) != 0) {
    replaced = Failed(FileReplaced::NotRenamed, "cannot rename", temporary, why, why_size);
    unlinkat(opened, temporary, 0);
  }
  close(opened);
  return replaced;
}
