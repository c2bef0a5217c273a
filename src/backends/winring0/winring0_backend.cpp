// The port library on Windows: WinRing0.dll, loaded from the directory that
// holds the executable and reached through seven of its exports by ordinal,
// and one more by its name: the read of a PCI register, which the program
// makes before it writes one. The library's functions use the Windows API
// calling convention.

#include "backends/common/suspended_time.h"
#include "backends/winring0/winring0_files.h"
#include "backends/winring0/winring0_holds.h"
#include "backends/winring0/winring0_security.h"
#include "common/console.h"
#include "common/system_words.h"
#include "hw/port_lib.h"

#include <windows.h>

#include <ctime>

#include <mmsystem.h>

#include <array>
#include <cstdio>

namespace {

using InitializeFn = BOOL(WINAPI *)();
using GetStatusFn = DWORD(WINAPI *)();
using SetPciMaxBusFn = VOID(WINAPI *)(BYTE max_bus);
using FindPciDeviceFn = DWORD(WINAPI *)(WORD vendor_id, WORD device_id, BYTE index);
using ReadPciConfigDwordFn = DWORD(WINAPI *)(DWORD address, BYTE reg);
using WritePciConfigDwordFn = VOID(WINAPI *)(DWORD address, BYTE reg, DWORD value);
using ReadPortByteFn = BYTE(WINAPI *)(WORD port);
using WritePortByteFn = VOID(WINAPI *)(WORD port, BYTE value);

// The library's export ordinals.
constexpr WORD ORDINAL_INITIALIZE = 7;
constexpr WORD ORDINAL_GET_STATUS = 1;
constexpr WORD ORDINAL_SET_PCI_MAX_BUS = 70;
constexpr WORD ORDINAL_FIND_PCI_DEVICE = 87;
constexpr WORD ORDINAL_WRITE_PCI_CONFIG_DWORD = 86;
constexpr WORD ORDINAL_READ_PORT_BYTE = 51;
constexpr WORD ORDINAL_WRITE_PORT_BYTE = 54;
constexpr char READ_PCI_CONFIG_DWORD[] = "ReadPciConfigDword";
// What the library's PCI read gives where it cannot read the register.
constexpr DWORD PCI_READ_FAILED = 0xFFFFFFFF;

constexpr wchar_t LIBRARY_FILE[] = L"WinRing0.dll";

// The EC waits sleep 1 ms at a time; at Windows' default timer tick of about
// 15.6 ms such a sleep would last a whole tick. The timer's resolution is
// winmm's, loaded from System32 when it is needed: imported, it would be
// looked for beside the program first, where anyone may have put one.
constexpr UINT TIMER_RESOLUTION_MS = 1;
using TimeBeginPeriodFn = UINT(WINAPI *)(UINT period_ms);

struct Library {
  InitializeFn initialize;
  GetStatusFn get_status;
  SetPciMaxBusFn set_pci_max_bus;
  FindPciDeviceFn find_pci_device;
  ReadPciConfigDwordFn read_pci_config_dword;
  WritePciConfigDwordFn write_pci_config_dword;
  ReadPortByteFn read_port_byte;
  WritePortByteFn write_port_byte;
};
Library library{};
bool library_loaded = false;
HMODULE library_module = nullptr;
PortLibFailure failure = PortLibFailure::Other;

constexpr DWORD NOT_READY = 1;

// A function by its ordinal or its name.
template <typename Function> bool Resolve(HMODULE module, const char *name, Function &function) {
  const FARPROC address = GetProcAddress(module, name);
  // Through the generic function type, as converting a FARPROC to another
  // function type requires.
  function = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
  return function != nullptr;
}

// Raises the timer's resolution for the life of the process; said where it
// cannot, as the waits then last longer.
void Raise_Timer_Resolution() {
  const HMODULE winmm = LoadLibraryExW(L"winmm.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  TimeBeginPeriodFn begin = nullptr;
  if (winmm == nullptr || !Resolve(winmm, "timeBeginPeriod", begin) ||
      begin(TIMER_RESOLUTION_MS) != TIMERR_NOERROR) {
    Console_Error("cannot raise the timer's resolution to %u ms (winmm.dll in "
                  "System32); the EC's waits poll in the system's coarser steps\n",
                  TIMER_RESOLUTION_MS);
  }
}

// Why the library beside the program did not load, in words: the two
// reasons a user can act on, else the system's own.
void Say_Not_Loaded(const char *path, DWORD error) {
  constexpr const char *WIDTH = sizeof(void *) == 8 ? "64-bit" : "32-bit";
  if (error == ERROR_BAD_EXE_FORMAT) {
    Console_Error("%s cannot be loaded: it is not a %s DLL (the %s program "
                  "needs the %s WinRing0.dll), or no DLL at all (error %lu)\n",
                  path, WIDTH, WIDTH, WIDTH, error);
    return;
  }
  if (error == ERROR_MOD_NOT_FOUND) {
    Console_Error("%s cannot be loaded: a library it needs is not on this "
                  "machine (error %lu)\n",
                  path, error);
    return;
  }
  char words[512];
  Console_Error("%s cannot be loaded: %s (error %lu)\n", path,
                System_Words(error, words, sizeof words), error);
}

// Loads the library from the folder of the executable, and its own imports
// from there or System32. Never the current directory or the search path:
// the current directory holds the user's table and may be writable by
// anyone, and whatever loads here runs with administrator rights. False,
// after a message, when it cannot.
bool Library_Load() {
  WindowsPath path{};
  if (!Path_Beside(nullptr, LIBRARY_FILE, path)) {
    Console_Error("the path of the program's folder is too long\n");
    return false;
  }
  Utf8Path shown{};
  if (!File_Exists(path)) {
    failure = PortLibFailure::NoLibrary;
    Console_Error("%ls is not in the program's folder (%s): put it there, with "
                  "its driver file\n",
                  LIBRARY_FILE, Utf8_Path(path.data(), shown));
    return false;
  }
  const HMODULE module = LoadLibraryExW(
      path.data(), nullptr, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (module == nullptr) {
    failure = PortLibFailure::LibraryUnloadable;
    Say_Not_Loaded(Utf8_Path(path.data(), shown), GetLastError());
    return false;
  }
  Library found{};
  const bool complete =
      Resolve(module, MAKEINTRESOURCEA(ORDINAL_INITIALIZE), found.initialize) &&
      Resolve(module, MAKEINTRESOURCEA(ORDINAL_GET_STATUS), found.get_status) &&
      Resolve(module, MAKEINTRESOURCEA(ORDINAL_SET_PCI_MAX_BUS), found.set_pci_max_bus) &&
      Resolve(module, MAKEINTRESOURCEA(ORDINAL_FIND_PCI_DEVICE), found.find_pci_device) &&
      Resolve(module, READ_PCI_CONFIG_DWORD, found.read_pci_config_dword) &&
      Resolve(module, MAKEINTRESOURCEA(ORDINAL_WRITE_PCI_CONFIG_DWORD),
              found.write_pci_config_dword) &&
      Resolve(module, MAKEINTRESOURCEA(ORDINAL_READ_PORT_BYTE), found.read_port_byte) &&
      Resolve(module, MAKEINTRESOURCEA(ORDINAL_WRITE_PORT_BYTE), found.write_port_byte);
  if (!complete) {
    failure = PortLibFailure::LibraryIncomplete;
    FreeLibrary(module);
    Console_Error("%s lacks one of the eight functions the program uses: it is "
                  "not a version the program works with\n",
                  Utf8_Path(path.data(), shown));
    return false;
  }
  library = found;
  library_module = module;
  return true;
}

// Says why the library could not start: most often its driver file is gone.
void Report_DriverNotStarted() {
  const wchar_t *driver = WinRing0_DriverFile();
  WindowsPath path{};
  if (Path_Beside(library_module, driver, path) && !File_Exists(path)) {
    Console_Error("WinRing0.dll cannot start its driver: %ls is not beside it. "
                  "Microsoft Defender quarantines that file: see \"Microsoft Defender and the "
                  "WinRing0 driver\" in the README\n",
                  driver);
    return;
  }
  Console_Error("WinRing0.dll cannot start its driver %ls. Most often a security "
                "program has quarantined or blocked the file (see \"Microsoft Defender and the "
                "WinRing0 driver\" in the README); else a policy blocks the driver (the "
                "vulnerable driver blocklist, Memory integrity); the program itself runs as "
                "administrator, as it asks to\n",
                driver);
}

// What the library's status codes mean, as it documents them.
const char *Status_Meaning(DWORD status) {
  switch (status) {
  case 1:
    return "this Windows is not one it supports";
  case 2:
    return "its driver is not loaded";
  case 3:
    return "its driver file was not found";
  case 4:
    return "its driver was unloaded";
  case 5:
    return "its driver cannot be loaded from a network drive";
  default:
    return "an error it does not name";
  }
}

SuspendedTime suspended;

} // namespace

// Another copy running, a library that is missing, cannot be loaded or lacks
// any of the eight functions, and a library that cannot start its driver are
// failed initialisations, each after its message, and each of its kind. Without a library nothing
// calls through a pointer: the status is a failure, nothing is found and ports read as a floating
// bus.
std::uint32_t PortLib_Initialize() {
  if (!WinRing0_TakeMachineLock()) {
    failure = PortLibFailure::AnotherCopy;
    return 0;
  }
  library_loaded = Library_Load();
  if (!library_loaded) {
    return 0;
  }
  Raise_Timer_Resolution();
  if (library.initialize() == FALSE) {
    failure = PortLibFailure::DriverNotStarted;
    Report_DriverNotStarted();
    return 0;
  }
  return 1;
}

// A status other than 0 is said once, in words: start-up then fails.
std::uint32_t PortLib_GetStatus() {
  if (!library_loaded) {
    return NOT_READY;
  }
  const DWORD status = library.get_status();
  if (status != 0) {
    failure = PortLibFailure::BadStatus;
    Console_Error("WinRing0.dll reports status %lu: %s\n", status, Status_Meaning(status));
  }
  return status;
}

PortLibFailure PortLib_Failure() { return failure; }

void PortLib_SetPciMaxBus(std::uint8_t max_bus) {
  if (library_loaded) {
    library.set_pci_max_bus(max_bus);
  }
}

std::uint32_t PortLib_FindPciDevice(std::uint16_t vendor_id, std::uint16_t device_id,
                                    std::uint8_t index) {
  return library_loaded ? library.find_pci_device(vendor_id, device_id, index)
                        : PORTLIB_PCI_NOT_FOUND;
}

bool PortLib_ReadPciConfigDword(std::uint32_t address, std::uint8_t reg, std::uint32_t &value) {
  value = library_loaded ? library.read_pci_config_dword(address, reg) : PCI_READ_FAILED;
  if (value == PCI_READ_FAILED) {
    Console_Error("WinRing0.dll cannot read register 0x%02X of the PCI device %08lX\n",
                  unsigned{reg}, static_cast<unsigned long>(address));
    return false;
  }
  return true;
}

// The library's function reports nothing, so a write it was given counts as
// done.
bool PortLib_WritePciConfigDword(std::uint32_t address, std::uint8_t reg, std::uint32_t value) {
  if (library_loaded) {
    library.write_pci_config_dword(address, reg, value);
  }
  return library_loaded;
}

std::uint8_t PortLib_ReadPortByte(std::uint16_t port) {
  return library_loaded ? library.read_port_byte(port) : PORTLIB_FLOATING_BUS;
}

void PortLib_WritePortByte(std::uint16_t port, std::uint8_t value) {
  if (library_loaded) {
    library.write_port_byte(port, value);
  }
}

bool PortLib_HoldBus(PortLibBus bus) { return WinRing0_HoldBus(bus); }

bool PortLib_ReleaseBus(PortLibBus bus) {
  WinRing0_ReleaseBus(bus);
  return true;
}

std::uint64_t Platform_ClockMs() { return GetTickCount64(); }

std::int64_t Platform_UnixTimeS() { return _time64(nullptr); }

const char *PortLib_PathName() { return "winring0"; }

std::uint64_t Platform_SuspendedMs() {
  ULONGLONG awake_100ns = 0;
  QueryUnbiasedInterruptTime(&awake_100ns);
  return Suspended_Held(suspended, Suspended_From_Windows_Clocks(GetTickCount64(), awake_100ns));
}
