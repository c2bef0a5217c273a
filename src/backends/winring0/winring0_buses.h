#pragma once

// The buses that software on a Windows machine shares: hardware monitors and
// fan tools coordinate through mutexes that each of them opens or creates by
// these well-known names, in the namespace of the whole machine, and holds
// around its own sequences on the bus. Shared by the Windows backend (which
// holds them) and the stand-in library of the tests (which checks that each
// access is made under the right one).

#include "hw/port_lib.h"

constexpr const wchar_t *Bus_Mutex(PortLibBus bus) {
  switch (bus) {
  case PortLibBus::Isa:
    return L"Global\\Access_ISABUS.HTP.Method";
  case PortLibBus::Pci:
    return L"Global\\Access_PCI";
  case PortLibBus::Ec:
    break;
  }
  return L"Global\\Access_EC";
}
