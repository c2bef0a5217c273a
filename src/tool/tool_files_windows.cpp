#include "tool/tool_files.h"

#include "common/wide_text.h"

#include <windows.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <io.h>

namespace {

// A file's identity where it can be opened: its volume and its index on the
// volume, which two names of one file share.
bool Identity_Of(HANDLE handle, BY_HANDLE_FILE_INFORMATION &info) {
  return handle != INVALID_HANDLE_VALUE && GetFileInformationByHandle(handle, &info) != 0;
}

bool Identity_Of(const std::string &name, BY_HANDLE_FILE_INFORMATION &info) {
  // No access asked, every sharing allowed: a look that disturbs no one, and
  // that folders allow with the backup flag.
  const HANDLE handle = CreateFileW(Wide_Of(name.c_str()).c_str(), 0,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  const bool known = Identity_Of(handle, info);
  if (handle != INVALID_HANDLE_VALUE) {
    CloseHandle(handle);
  }
  return known;
}

bool Same_Identity(const BY_HANDLE_FILE_INFORMATION &a, const BY_HANDLE_FILE_INFORMATION &b) {
  return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
         a.nFileIndexLow == b.nFileIndexLow;
}

std::wstring Full_Name(const std::string &name) {
  const std::wstring wide = Wide_Of(name.c_str());
  const DWORD size = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (size == 0) {
    return wide;
  }
  std::wstring full(size, L'\0');
  const DWORD length = GetFullPathNameW(wide.c_str(), size, full.data(), nullptr);
  full.resize(length < size ? length : 0);
  return full.empty() ? wide : full;
}

} // namespace

// Windows compares names without regard to case, so two names that differ
// only in case are one file even before it exists.
bool Same_File(const std::string &a, const std::string &b) {
  BY_HANDLE_FILE_INFORMATION first{};
  BY_HANDLE_FILE_INFORMATION second{};
  if (Identity_Of(a, first) && Identity_Of(b, second)) {
    return Same_Identity(first, second);
  }
  const std::wstring full_a = Full_Name(a);
  const std::wstring full_b = Full_Name(b);
  return CompareStringOrdinal(full_a.c_str(), static_cast<int>(full_a.size()), full_b.c_str(),
                              static_cast<int>(full_b.size()), TRUE) == CSTR_EQUAL;
}

bool Is_Standard_Output(const std::string &name) {
  BY_HANDLE_FILE_INFORMATION output{};
  BY_HANDLE_FILE_INFORMATION named{};
  return Identity_Of(GetStdHandle(STD_OUTPUT_HANDLE), output) && Identity_Of(name, named) &&
         Same_Identity(output, named);
}

std::string File_Behind(const std::string &name) { return name; }

std::FILE *Create_Beside(const std::string &target, std::string &temporary, std::string &why) {
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    temporary = target + "." + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(attempt) + ".tmp";
    const HANDLE handle = CreateFileW(Wide_Of(temporary.c_str()).c_str(), GENERIC_WRITE, 0, nullptr,
                                      CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      const DWORD error = GetLastError();
      if (error == ERROR_FILE_EXISTS) {
        continue;
      }
      why = Windows_Error_Words(error);
      return nullptr;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
    std::FILE *file = fd < 0 ? nullptr : _fdopen(fd, "wb");
    if (file == nullptr) {
      why = std::strerror(errno);
      if (fd < 0) {
        CloseHandle(handle);
      } else {
        _close(fd);
      }
      Remove_File(temporary);
    }
    return file;
  }
  why = "no free temporary name beside it";
  return nullptr;
}

bool Replace_File(const std::string &from, const std::string &to, std::string &why) {
  if (MoveFileExW(Wide_Of(from.c_str()).c_str(), Wide_Of(to.c_str()).c_str(),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == 0) {
    why = Windows_Error_Words(GetLastError());
    return false;
  }
  return true;
}

void Remove_File(const std::string &name) { DeleteFileW(Wide_Of(name.c_str()).c_str()); }
