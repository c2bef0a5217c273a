// The simulated machine as a stand-in WinRing0.dll, for running the Windows
// program under Wine: the seven exports by ordinal and ReadPciConfigDword by
// its name (see the .def file), with the library's types and calling
// convention. The DLL cannot see the kernel's
// Sleep, so its trace has no sleep lines and its clock is real time; nor the
// program's holds, which are mutexes, so its trace has no hold lines: it
// checks instead that each access is made under the right one, and ends the
// run with status 3 when not.

#include "backends/sim/sim.h"
#include "backends/winring0/winring0_buses.h"
#include "backends/winring0/winring0_files.h"
#include "hw/board.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {

const ULONGLONG loaded_at_ms = GetTickCount64();

// Whether the driver file that the real library would load stands beside
// this library.
bool Driver_Beside() {
  HMODULE self = nullptr;
  WindowsPath path{};
  return GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&loaded_at_ms), &self) &&
         Path_Beside(self, WinRing0_DriverFile(), path) && File_Exists(path);
}

constexpr DWORD NOT_HELD_EXIT_STATUS = 3;

// A thread of the library's own that tries, when asked, to take a mutex at
// once: it cannot while the program's thread holds it.
struct Checker {
  HANDLE asked = nullptr;
  HANDLE answered = nullptr;
  HANDLE mutex = nullptr; // the mutex to try
  bool taken = false;     // the answer: it could be taken, so nobody held it
};
Checker checker;

DWORD WINAPI Check_When_Asked(void *) {
  for (;;) {
    WaitForSingleObject(checker.asked, INFINITE);
    const DWORD waited = WaitForSingleObject(checker.mutex, 0);
    checker.taken = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
    if (checker.taken) {
      ReleaseMutex(checker.mutex);
    }
    SetEvent(checker.answered);
  }
}

// The bus's mutex, opened once it exists; nullptr before.
HANDLE Bus_Mutex_Handle(PortLibBus bus) {
  static HANDLE opened[3] = {};
  HANDLE &mutex = opened[static_cast<int>(bus)];
  if (mutex == nullptr) {
    mutex = OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, Windows_Bus(bus).mutex);
  }
  return mutex;
}

// Whether the calling thread holds the bus's mutex. (Another process holding
// it would look the same; in the tests no other one does.)
bool Caller_Holds(PortLibBus bus) {
  checker.mutex = Bus_Mutex_Handle(bus);
  if (checker.mutex == nullptr) {
    return false;
  }
  if (checker.asked == nullptr) {
    checker.asked = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    checker.answered = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    CloseHandle(CreateThread(nullptr, 0, Check_When_Asked, nullptr, 0, nullptr));
  }
  SignalObjectAndWait(checker.asked, checker.answered, INFINITE, FALSE);
  return !checker.taken;
}

void Require_Held(PortLibBus bus, const char *access) {
  if (!Caller_Holds(bus)) {
    std::fprintf(stderr, "thermal-sim: %s without %ls held\n", access, Windows_Bus(bus).mutex);
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), NOT_HELD_EXIT_STATUS);
  }
}

void Require_Port_Held(WORD port, const char *access) {
  const bool configuration_port = port == SIO_INDEX_PORT || port == SIO_DATA_PORT;
  char text[16];
  std::snprintf(text, sizeof text, "%s %02x", access, unsigned{port});
  Require_Held(configuration_port ? PortLibBus::Isa : PortLibBus::Ec, text);
}

} // namespace

std::uint64_t Sim_ClockMs() { return GetTickCount64() - loaded_at_ms; }

void Sim_EndRun() {
  TerminateProcess(GetCurrentProcess(), 0);
  __builtin_unreachable(); // TerminateProcess does not return for the process itself
}

// Exported by ordinal only, through the .def file.
extern "C" {

// The program's holds are mutexes the library does not see, so the other
// software that waits for them cannot be simulated here.
BOOL WINAPI StandIn_Initialize() {
  if (Sim_FaultNeedsHolds(Sim_Settings())) {
    std::fprintf(stderr,
                 "thermal-sim: the intruder faults and ec-busy need the program's holds, which "
                 "WinRing0.dll cannot see: run them on thermal-control-sim\n");
    std::exit(2);
  }
  if (Sim_Settings().fault == SimFault::ResumeNotice) {
    std::fprintf(stderr, "thermal-sim: resume-notice needs Windows' power event, which "
                         "WinRing0.dll cannot send: run it on thermal-control-sim\n");
    std::exit(2);
  }
  return Sim_Initialize(Driver_Beside()) != 0;
}
DWORD WINAPI StandIn_GetStatus() { return Sim_GetStatus(); }
VOID WINAPI StandIn_SetPciMaxBus(BYTE max_bus) {
  Require_Held(PortLibBus::Pci, "pci maxbus");
  Sim_SetPciMaxBus(max_bus);
}

DWORD WINAPI StandIn_FindPciDevice(WORD vendor_id, WORD device_id, BYTE index) {
  Require_Held(PortLibBus::Pci, "pci find");
  return Sim_FindPciDevice(vendor_id, device_id, index);
}

// All ones where it cannot be read, as the library's own function gives.
DWORD WINAPI StandIn_ReadPciConfigDword(DWORD address, BYTE reg) {
  Require_Held(PortLibBus::Pci, "pci read");
  std::uint32_t value = 0;
  return Sim_ReadPciConfigDword(address, reg, value) ? value : 0xFFFFFFFF;
}

// The library's own function returns nothing.
VOID WINAPI StandIn_WritePciConfigDword(DWORD address, BYTE reg, DWORD value) {
  Require_Held(PortLibBus::Pci, "pci write");
  static_cast<void>(Sim_WritePciConfigDword(address, reg, value));
}

BYTE WINAPI StandIn_ReadPortByte(WORD port) {
  Require_Port_Held(port, "in");
  return Sim_ReadPortByte(port);
}

VOID WINAPI StandIn_WritePortByte(WORD port, BYTE value) {
  Require_Port_Held(port, "out");
  Sim_WritePortByte(port, value);
}
}
