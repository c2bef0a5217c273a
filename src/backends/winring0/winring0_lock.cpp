// One copy at a time on Windows: two copies would interleave their exchanges
// on the EC's two ports. The copies meet at a mutex in the namespace of the
// whole machine (all sessions), which only SYSTEM and the administrators may
// open, made with the administrators as its owner. Another account's program
// could still make the name first: its owner shows it, and it is said, and
// another copy counts as running only where the mutex is held.

#include "backends/common/file_trust.h"
#include "backends/winring0/winring0_holds.h"
#include "backends/winring0/winring0_security.h"
#include "common/console.h"

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

namespace {

constexpr wchar_t ONE_COPY_MUTEX[] = L"Global\\thermal-control";
constexpr char ONE_COPY_SDDL[] = "O:BAD:(A;;GA;;;SY)(A;;GA;;;BA)";

constexpr const char *CLOSE_IT_FIRST =
    "close it first (or stop its service: sc stop thermal-control)";

// The SID of the mutex's owner as text; empty where it cannot be read.
void Owner_Of(HANDLE mutex, char (&owner)[SID_TEXT_SIZE]) {
  PSID sid = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  char *text = nullptr;
  owner[0] = '\0';
  if (GetSecurityInfo(mutex, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &sid, nullptr, nullptr,
                      nullptr, &descriptor) == ERROR_SUCCESS &&
      ConvertSidToStringSidA(sid, &text)) {
    Text_Format(owner, sizeof owner, "%s", text);
    LocalFree(text);
  }
  LocalFree(descriptor);
}

} // namespace

bool WinRing0_TakeMachineLock() {
  const HANDLE mutex =
      WinRing0_MakeMutex(ONE_COPY_MUTEX, ONE_COPY_SDDL, SYNCHRONIZE | READ_CONTROL);
  if (mutex == nullptr) {
    const DWORD error = GetLastError();
    if (error == ERROR_ACCESS_DENIED) {
      Console_Error("another account's program made the object %ls, which only "
                    "administrators may make, and keeps this program out of it; end that "
                    "program\n",
                    ONE_COPY_MUTEX);
    } else {
      Console_Error("cannot make the object %ls (error %lu)\n", ONE_COPY_MUTEX, error);
    }
    return false;
  }
  const DWORD waited = WaitForSingleObject(mutex, 0);
  const bool held_elsewhere = waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED;
  char owner[SID_TEXT_SIZE];
  Owner_Of(mutex, owner);
  switch (One_Copy_Verdict(held_elsewhere, owner, WinRing0_OwnSid())) {
  case LockVerdict::Ours:
    return true; // the handle stays open, and the mutex held, for the life of the process
  case LockVerdict::OursMadeByOther:
    Console_Error("the object %ls was made by the account %s, not by an "
                  "administrator; this program holds it now, but that account's program may "
                  "keep the service from starting later\n",
                  ONE_COPY_MUTEX, owner);
    return true;
  case LockVerdict::AnotherCopy:
    Console_Error("another thermal-control is already running on this machine "
                  "and holds the EC's ports; %s\n",
                  CLOSE_IT_FIRST);
    break;
  case LockVerdict::HeldByOther:
    Console_Error("a program of the account %s, not an administrator's, holds "
                  "the object %ls and keeps this program from starting; end that program\n",
                  owner, ONE_COPY_MUTEX);
    break;
  }
  CloseHandle(mutex);
  return false;
}
