// The service's folder, %ProgramData%\thermal-control, where its table and
// its log are. %ProgramData% lets every user make files and folders, and
// gives each creator full control of what they make: a user could make the
// folder before the service does, or a link or a file in its place. So at
// each start the folder is opened without following a link, checked to be a
// real folder where it is meant to be, and given its owner and its
// protected access list again through that handle: whoever owns a folder can
// always change its rights. What stands in its place is set aside. A folder
// the service makes gets the sample table from the program's own folder.

#include "backends/common/file_trust.h"
#include "backends/winring0/thermal-control-events.h"
#include "backends/winring0/winring0_files.h"
#include "backends/winring0/winring0_security.h"
#include "backends/winring0/winring0_service.h"
#include "common/console.h"

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include <cstring>
#include <cwchar>

namespace {

constexpr wchar_t DATA_FOLDER[] = L"\\thermal-control";
constexpr wchar_t SAMPLE_TABLE[] = L"ThermalTable.txt";

// LocalSystem holds these, off: to open a folder another account owns, take
// it, and give it its rights.
constexpr const wchar_t *FOLDER_PRIVILEGES[] = {L"SeBackupPrivilege", L"SeRestorePrivilege",
                                                L"SeTakeOwnershipPrivilege"};

void Enable_Privileges() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
    return;
  }
  for (const wchar_t *name : FOLDER_PRIVILEGES) {
    TOKEN_PRIVILEGES privileges{1, {{{0, 0}, SE_PRIVILEGE_ENABLED}}};
    if (LookupPrivilegeValueW(nullptr, name, &privileges.Privileges[0].Luid)) {
      AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    }
  }
  CloseHandle(token);
}

// The folder itself, not what a link in its place leads to.
HANDLE Open_Folder(const wchar_t *path) {
  return CreateFileW(path, READ_CONTROL | WRITE_DAC | WRITE_OWNER,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                     FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

// A folder, no link or junction, that resolves to where it is meant to be:
// %ProgramData% as it resolves, and the folder's name in it.
bool Is_Real_Folder(HANDLE folder, const wchar_t *program_data) {
  BY_HANDLE_FILE_INFORMATION information{};
  if (!GetFileInformationByHandle(folder, &information) ||
      (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
      (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    return false;
  }
  const HANDLE parent = CreateFileW(program_data, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  wchar_t resolved[MAX_PATH + 1];
  wchar_t expected[MAX_PATH + std::size(DATA_FOLDER)];
  const DWORD parent_length =
      parent != INVALID_HANDLE_VALUE
          ? GetFinalPathNameByHandleW(parent, expected, MAX_PATH, FILE_NAME_NORMALIZED)
          : 0;
  if (parent != INVALID_HANDLE_VALUE) {
    CloseHandle(parent);
  }
  const DWORD length = GetFinalPathNameByHandleW(folder, resolved, MAX_PATH, FILE_NAME_NORMALIZED);
  if (parent_length == 0 || parent_length >= MAX_PATH || length == 0 || length >= MAX_PATH) {
    return false;
  }
  std::wmemcpy(expected + parent_length, DATA_FOLDER, std::size(DATA_FOLDER));
  return CompareStringOrdinal(resolved, -1, expected, -1, TRUE) == CSTR_EQUAL;
}

// The folder's security as SDDL, for what the service says it changed.
void Sddl_Of(HANDLE folder, char *sddl, std::size_t size) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  char *text = nullptr;
  const SECURITY_INFORMATION what = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
  if (GetSecurityInfo(folder, SE_FILE_OBJECT, what, nullptr, nullptr, nullptr, nullptr,
                      &descriptor) == ERROR_SUCCESS &&
      ConvertSecurityDescriptorToStringSecurityDescriptorA(descriptor, SDDL_REVISION_1, what, &text,
                                                           nullptr)) {
    Text_Format(sddl, size, "%s", text);
  } else {
    Text_Format(sddl, size, "(unreadable, error %lu)", GetLastError());
  }
  LocalFree(text);
  LocalFree(descriptor);
}

bool Wanted_Descriptor(PSECURITY_DESCRIPTOR &descriptor) {
  return ConvertStringSecurityDescriptorToSecurityDescriptorA(DATA_FOLDER_SDDL, SDDL_REVISION_1,
                                                              &descriptor, nullptr) != FALSE;
}

bool Is_Right(HANDLE folder) {
  Security security{};
  return WinRing0_ReadSecurity(folder, security) &&
         Data_Folder_Changes(security) == FolderChanges{false, false};
}

// Gives the folder its owner and protected access list again, and says what
// it changed, or that it could not.
void Put_Right(HANDLE folder, const wchar_t *path, PSECURITY_DESCRIPTOR wanted) {
  const bool was_right = Is_Right(folder);
  char was[1024];
  Sddl_Of(folder, was, sizeof was);
  PSID owner = nullptr;
  PACL dacl = nullptr;
  BOOL defaulted = FALSE;
  BOOL present = FALSE;
  GetSecurityDescriptorOwner(wanted, &owner, &defaulted);
  GetSecurityDescriptorDacl(wanted, &present, &dacl, &defaulted);
  SetSecurityInfo(folder, SE_FILE_OBJECT,
                  OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION |
                      PROTECTED_DACL_SECURITY_INFORMATION,
                  owner, nullptr, dacl, nullptr);
  if (was_right) {
    return;
  }
  char text[3 * 1024];
  Text_Format(text, sizeof text,
              Is_Right(folder) ? "%ls was %s; now %s"
                               : "%ls is %s and cannot be made %s; the table and the logs in "
                                 "it are used only where no other account may write them",
              path, was, DATA_FOLDER_SDDL);
  Console_Error("the service's folder: %s\n", text);
  WinRing0_Event(MSG_FOLDER_PUT_RIGHT, text);
}

void Copy_Sample_Table(const wchar_t *folder) {
  WindowsPath sample{};
  wchar_t table[MAX_PATH + std::size(SAMPLE_TABLE)];
  const std::size_t length = std::wcslen(folder);
  if (!Path_Beside(nullptr, SAMPLE_TABLE, sample) || length + 1 >= MAX_PATH) {
    return;
  }
  std::wmemcpy(table, folder, length);
  table[length] = L'\\';
  std::wmemcpy(table + length + 1, SAMPLE_TABLE, std::size(SAMPLE_TABLE));
  CopyFileW(sample.data(), table, TRUE);
}

} // namespace

bool WinRing0_EnterDataFolder() {
  wchar_t program_data[MAX_PATH];
  wchar_t path[MAX_PATH + std::size(DATA_FOLDER)];
  if (SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, program_data) !=
      S_OK) {
    Console_Error("the system names no %%ProgramData%% folder\n");
    return false;
  }
  const std::size_t length = std::wcslen(program_data);
  std::wmemcpy(path, program_data, length);
  std::wmemcpy(path + length, DATA_FOLDER, std::size(DATA_FOLDER));
  PSECURITY_DESCRIPTOR wanted = nullptr;
  if (!Wanted_Descriptor(wanted)) {
    return false;
  }
  Enable_Privileges();
  SECURITY_ATTRIBUTES attributes{sizeof attributes, wanted, FALSE};
  bool made = CreateDirectoryW(path, &attributes) != FALSE;
  HANDLE folder = made ? INVALID_HANDLE_VALUE : Open_Folder(path);
  if (!made && (folder == INVALID_HANDLE_VALUE || !Is_Real_Folder(folder, program_data))) {
    if (folder != INVALID_HANDLE_VALUE) {
      CloseHandle(folder);
    }
    static_cast<void>(WinRing0_SetAside(path, "is no folder of the service's (a link, a junction "
                                              "or a file stands there)"));
    made = CreateDirectoryW(path, &attributes) != FALSE;
  }
  if (made) {
    Copy_Sample_Table(path);
    folder = Open_Folder(path);
  }
  const bool entered = folder != INVALID_HANDLE_VALUE && SetCurrentDirectoryW(path);
  if (folder != INVALID_HANDLE_VALUE) {
    Put_Right(folder, path, wanted);
    CloseHandle(folder);
  }
  LocalFree(wanted);
  if (!entered) {
    Console_Error("cannot make or enter the service's folder %ls (error %lu)\n", path,
                  GetLastError());
  }
  return entered;
}
