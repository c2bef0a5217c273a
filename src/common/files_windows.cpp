#include "common/files.h"

#include <windows.h>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace {

// The longest name the wide calls take: 64 KiB on the stack, which both the
// main thread and the service's have room for.
constexpr int WIDE_NAME_MAX = 32768;

// The UTF-8 name as UTF-16; false, with errno set, where it does not convert
// or fit.
bool Wide_Name(const char *name, wchar_t (&wide)[WIDE_NAME_MAX]) {
  if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name, -1, wide, WIDE_NAME_MAX) == 0) {
    errno = EINVAL;
    return false;
  }
  return true;
}

} // namespace

FileKind File_Kind(const char *name, const char *&why) {
  wchar_t wide[WIDE_NAME_MAX];
  struct _stat64 status {};
  if (!Wide_Name(name, wide) || _wstat64(wide, &status) != 0) {
    const int error = errno;
    why = std::strerror(error);
    return error == ENOENT || error == ENOTDIR ? FileKind::Missing : FileKind::Unreachable;
  }
  return (status.st_mode & _S_IFMT) == _S_IFREG   ? FileKind::Plain
         : (status.st_mode & _S_IFMT) == _S_IFDIR ? FileKind::Folder
                                                  : FileKind::Other;
}

std::FILE *File_Open(const char *name, const char *mode) {
  wchar_t wide_name[WIDE_NAME_MAX];
  wchar_t wide_mode[8];
  if (!Wide_Name(name, wide_name) ||
      MultiByteToWideChar(CP_UTF8, 0, mode, -1, wide_mode,
                          sizeof wide_mode / sizeof wide_mode[0]) == 0) {
    return nullptr;
  }
  return _wfopen(wide_name, wide_mode);
}

bool Current_Folder(char *folder, std::size_t size) {
  wchar_t wide[WIDE_NAME_MAX];
  const DWORD length = GetCurrentDirectoryW(WIDE_NAME_MAX, wide);
  return length > 0 && length < WIDE_NAME_MAX &&
         WideCharToMultiByte(CP_UTF8, 0, wide, -1, folder, static_cast<int>(size), nullptr,
                             nullptr) != 0;
}
