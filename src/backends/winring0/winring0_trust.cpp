// The service's trust in what it finds in its folder, on Windows: a file's
// or folder's security descriptor read into plain data and judged by the
// rules of backends/common/file_trust.h, the accounts named in words, and
// what is not to be trusted moved out of the way.

#include "backends/common/file_trust.h"
#include "backends/winring0/thermal-control-events.h"
#include "backends/winring0/winring0_security.h"
#include "backends/winring0/winring0_service.h"
#include "common/console.h"
#include "hw/port_lib.h"

#include <windows.h>

#include <aclapi.h>
#include <io.h>
#include <sddl.h>

#include <cstdio>
#include <cstring>
#include <cwchar>

namespace {

void Sid_Text(PSID sid, std::array<char, SID_TEXT_SIZE> &text) {
  char *converted = nullptr;
  text[0] = '\0';
  if (ConvertSidToStringSidA(sid, &converted)) {
    std::strncpy(text.data(), converted, text.size() - 1);
    text[text.size() - 1] = '\0';
    LocalFree(converted);
  }
}

// The ACEs that grant or deny: an allowed ACE (with a condition or not) and a
// denied one share the layout of the mask and the SID after the header.
void Take_Ace(const void *ace, SecurityAce &taken) {
  const auto *header = static_cast<const ACE_HEADER *>(ace);
  const auto *allowed = static_cast<const ACCESS_ALLOWED_ACE *>(ace);
  taken.allow = header->AceType == ACCESS_ALLOWED_ACE_TYPE ||
                header->AceType == ACCESS_ALLOWED_CALLBACK_ACE_TYPE;
  taken.flags = header->AceFlags;
  taken.mask = allowed->Mask;
  Sid_Text(const_cast<DWORD *>(&allowed->SidStart), taken.sid);
}

// "DOMAIN\name (SID)", or the SID alone where it names no account.
const char *Account_Words(const char *sid_text, char *words, std::size_t size) {
  PSID sid = nullptr;
  wchar_t name[256];
  wchar_t domain[256];
  DWORD name_size = 256;
  DWORD domain_size = 256;
  SID_NAME_USE use{};
  if (ConvertStringSidToSidA(sid_text, &sid) &&
      LookupAccountSidW(nullptr, sid, name, &name_size, domain, &domain_size, &use)) {
    Text_Format(words, size, "%ls%s%ls (%s)", domain, domain[0] != L'\0' ? "\\" : "", name,
                sid_text);
  } else {
    Text_Format(words, size, "%s", sid_text);
  }
  LocalFree(sid);
  return words;
}

} // namespace

const char *WinRing0_OwnSid() {
  static std::array<char, SID_TEXT_SIZE> own{};
  if (own[0] != '\0') {
    return own.data();
  }
  HANDLE token = nullptr;
  alignas(TOKEN_USER) BYTE buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
  DWORD size = 0;
  if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
    if (GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size)) {
      Sid_Text(reinterpret_cast<TOKEN_USER *>(buffer)->User.Sid, own);
    }
    CloseHandle(token);
  }
  return own.data();
}

bool WinRing0_ReadSecurity(HANDLE handle, Security &security) {
  PSID owner = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(handle, SE_FILE_OBJECT,
                      OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner, nullptr,
                      &dacl, nullptr, &descriptor) != ERROR_SUCCESS) {
    return false;
  }
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  GetSecurityDescriptorControl(descriptor, &control, &revision);
  Sid_Text(owner, security.owner);
  security.has_dacl = dacl != nullptr;
  security.protected_dacl = (control & SE_DACL_PROTECTED) != 0;
  security.ace_count = 0;
  for (DWORD i = 0; dacl != nullptr && i < dacl->AceCount; ++i) {
    void *ace = nullptr;
    if (security.ace_count == security.aces.size() || !GetAce(dacl, i, &ace)) {
      LocalFree(descriptor);
      return false; // an access list too long to judge is not trusted
    }
    Take_Ace(ace, security.aces[security.ace_count++]);
  }
  LocalFree(descriptor);
  return true;
}

bool WinRing0_Trusted(HANDLE file, char *why, std::size_t size) {
  Security security{};
  if (!WinRing0_ReadSecurity(file, security)) {
    Text_Format(why, size, "its owner and rights cannot be read (error %lu)", GetLastError());
    return false;
  }
  const TrustVerdict verdict = File_Verdict(security, WinRing0_OwnSid());
  char account[320];
  switch (verdict.distrust) {
  case Distrust::None:
    return true;
  case Distrust::Owner:
    Text_Format(why, size, "its owner is %s, not SYSTEM, the administrators or TrustedInstaller",
                Account_Words(verdict.sid, account, sizeof account));
    return false;
  case Distrust::Writer:
    Text_Format(why, size, "%s may write it", Account_Words(verdict.sid, account, sizeof account));
    return false;
  case Distrust::NoAccessList:
    break;
  }
  Text_Format(why, size, "it has no access list, so anyone may write it");
  return false;
}

// Only the service reads its table from a folder others may have written to;
// run by hand, the program reads the table its administrator points it at.
bool Platform_FileTrusted(std::FILE *file, char *why, std::size_t size) {
  if (!WinRing0_AsService()) {
    return true;
  }
  const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
  return WinRing0_Trusted(handle, why, size);
}

bool WinRing0_SetAside(const wchar_t *path, const char *why) {
  SYSTEMTIME now{};
  GetSystemTime(&now);
  char suffix[32];
  Text_Format(suffix, sizeof suffix, ".set-aside-%04u%02u%02uT%02u%02u%02uZ", now.wYear, now.wMonth,
              now.wDay, now.wHour, now.wMinute, now.wSecond);
  wchar_t aside[MAX_PATH + sizeof suffix];
  const std::size_t length = std::wcslen(path);
  if (length >= MAX_PATH) {
    return false;
  }
  std::wmemcpy(aside, path, length);
  for (std::size_t i = 0; i < sizeof suffix; ++i) {
    aside[length + i] = static_cast<wchar_t>(suffix[i]); // ASCII, and its zero
  }
  const bool moved = MoveFileExW(path, aside, 0) != FALSE;
  char error[32] = "";
  if (!moved) {
    Text_Format(error, sizeof error, " (error %lu)", GetLastError());
  }
  char text[MAX_PATH * 6];
  Text_Format(text, sizeof text, "%ls %s: %s %ls%s", path, why,
              moved ? "set aside as" : "cannot be set aside as", aside, error);
  Console_Error("%s\n", text);
  WinRing0_Event(MSG_SET_ASIDE, text);
  return moved;
}
