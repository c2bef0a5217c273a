// The simulated machine as a stand-in WinRing0.dll, for running the Windows
// program under Wine: the seven exports (by ordinal, see the .def file) with
// the library's types and calling convention. The DLL cannot see the kernel's
// Sleep, so its trace has no sleep lines and its clock is real time.

#include "backends/sim/sim.h"
#include "backends/winring0/winring0_files.h"

#include <windows.h>

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

} // namespace

std::uint64_t Sim_ClockMs() { return GetTickCount64() - loaded_at_ms; }

void Sim_EndRun() {
  TerminateProcess(GetCurrentProcess(), 0);
  __builtin_unreachable(); // TerminateProcess does not return for the process itself
}

// Exported by ordinal only, through the .def file.
extern "C" {

BOOL WINAPI StandIn_Initialize() { return Sim_Initialize(Driver_Beside()) != 0; }
DWORD WINAPI StandIn_GetStatus() { return Sim_GetStatus(); }
VOID WINAPI StandIn_SetPciMaxBus(BYTE max_bus) { Sim_SetPciMaxBus(max_bus); }

DWORD WINAPI StandIn_FindPciDevice(WORD vendor_id, WORD device_id, BYTE index) {
  return Sim_FindPciDevice(vendor_id, device_id, index);
}

// The library's own function returns nothing.
VOID WINAPI StandIn_WritePciConfigDword(DWORD address, BYTE reg, DWORD value) {
  static_cast<void>(Sim_WritePciConfigDword(address, reg, value));
}

BYTE WINAPI StandIn_ReadPortByte(WORD port) { return Sim_ReadPortByte(port); }
VOID WINAPI StandIn_WritePortByte(WORD port, BYTE value) { Sim_WritePortByte(port, value); }
}
