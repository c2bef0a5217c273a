#include "common/files.h"

#include "common/console.h"
#include "common/system_words.h"

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

// A path of the metrics file's folder and a name in it: the folder is
// THERMAL_CONTROL_METRICS_DIR or windows_exporter's, well under this.
constexpr int PATH_MAX_WIDE = 1024;

// The folder's name and one in it, as UTF-16; false where either does not
// convert or fit.
bool Wide_Path(const char *folder, const char *name, wchar_t (&path)[PATH_MAX_WIDE]) {
  char joined[PATH_MAX_WIDE];
  return Text_Format(joined, sizeof joined, "%s\\%s", folder, name) < sizeof joined &&
         MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, joined, -1, path, PATH_MAX_WIDE) != 0;
}

// A step that failed, and the system's words for why.
FileReplaced Failed(FileReplaced kind, const char *step, const char *name, char *why,
                    std::size_t why_size) {
  const DWORD error = GetLastError();
  char words[256];
  Text_Format(why, why_size, "%s %s: %s (error %lu)", step, name,
              System_Words(error, words, sizeof words), error);
  return kind;
}

} // namespace

// The temporary file is made afresh (CREATE_NEW, after whatever stood at its
// name was removed), so that nothing another account put there is written
// through. A rename that fails, as it does while the exporter reads the
// file, leaves it for the next write.
FileReplaced File_Replace(const char *folder, const char *name, const char *temporary,
                          const char *text, std::size_t size, char *why, std::size_t why_size) {
  wchar_t temporary_path[PATH_MAX_WIDE];
  wchar_t path[PATH_MAX_WIDE];
  if (!Wide_Path(folder, temporary, temporary_path) || !Wide_Path(folder, name, path)) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return Failed(FileReplaced::NotWritten, "cannot name", name, why, why_size);
  }
  if (!DeleteFileW(temporary_path) && GetLastError() != ERROR_FILE_NOT_FOUND) {
    return Failed(FileReplaced::NotWritten, "cannot remove", temporary, why, why_size);
  }
  const HANDLE file = CreateFileW(temporary_path, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return Failed(FileReplaced::NotWritten, "cannot make", temporary, why, why_size);
  }
  DWORD written = 0;
  const bool whole =
      WriteFile(file, text, static_cast<DWORD>(size), &written, nullptr) && written == size;
  const DWORD error = GetLastError();
  CloseHandle(file);
  if (!whole) {
    SetLastError(error);
    return Failed(FileReplaced::NotWritten, "cannot write", temporary, why, why_size);
  }
  if (!MoveFileExW(temporary_path, path, MOVEFILE_REPLACE_EXISTING)) {
    return Failed(FileReplaced::NotRenamed, "cannot rename", temporary, why, why_size);
  }
  return FileReplaced::Replaced;
}

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
