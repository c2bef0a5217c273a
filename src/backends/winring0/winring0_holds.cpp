// The holds of the buses on Windows: the well-known mutex of each bus, opened
// or created by its name, waited for a second at most. A mutex that another
// program left abandoned when it ended is the program's from then on.

#include "backends/winring0/winring0_holds.h"
#include "backends/winring0/winring0_buses.h"
#include "common/console.h"

#include <windows.h>

#include <sddl.h>

#include <array>
#include <cstdio>

namespace {

constexpr DWORD HOLD_WAIT_MS = 1000;

struct BusHold {
  HANDLE mutex;
  bool reported; // said that it could not be had, and not had since
};
std::array<BusHold, PORTLIB_BUSES> holds{};

// Everyone: SYNCHRONIZE | MUTEX_MODIFY_STATE; SYSTEM and the administrators:
// all rights. A mutex that SYSTEM creates with the default security gives
// administrators and users no right to wait on it.
constexpr char SHARED_MUTEX_SDDL[] = "D:(A;;0x00100001;;;WD)(A;;GA;;;SY)(A;;GA;;;BA)";

void Report_Not_Had(BusHold &hold, const WindowsBus &bus, DWORD waited) {
  if (hold.reported) {
    return;
  }
  hold.reported = true;
  if (waited == WAIT_TIMEOUT) {
    Console_Error("other software has held %s (mutex %ls) for more than a "
                  "second; the program leaves them alone until it can have them\n",
                  bus.words, bus.mutex);
  } else {
    Console_Error("cannot hold %s (mutex %ls): error %lu\n", bus.words, bus.mutex, GetLastError());
  }
}

} // namespace

HANDLE WinRing0_MakeMutex(const wchar_t *name, const char *sddl, DWORD access) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor,
                                                            nullptr)) {
    return nullptr;
  }
  SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
  const HANDLE mutex = CreateMutexExW(&attributes, name, 0, access);
  const DWORD error = GetLastError();
  LocalFree(descriptor);
  SetLastError(error);
  return mutex;
}

bool WinRing0_HoldBus(PortLibBus bus) {
  BusHold &hold = holds[Bus_Index(bus)];
  const WindowsBus &windows = Windows_Bus(bus);
  if (hold.mutex == nullptr) {
    // Opened for waiting and releasing only, so that one created by other
    // software for its users alone is had as well.
    hold.mutex =
        WinRing0_MakeMutex(windows.mutex, SHARED_MUTEX_SDDL, SYNCHRONIZE | MUTEX_MODIFY_STATE);
  }
  const DWORD waited =
      hold.mutex != nullptr ? WaitForSingleObject(hold.mutex, HOLD_WAIT_MS) : WAIT_FAILED;
  if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) {
    hold.reported = false;
    return true;
  }
  Report_Not_Had(hold, windows, waited);
  return false;
}

void WinRing0_ReleaseBus(PortLibBus bus) { ReleaseMutex(holds[Bus_Index(bus)].mutex); }
