#pragma once

// The buses that software on a Windows machine shares: hardware monitors and
// fan tools coordinate through mutexes that each of them opens or creates by
// these well-known names, in the namespace of the whole machine, and holds
// around its own sequences on the bus. Shared by the Windows backend (which
// holds them) and the stand-in library of the tests (which checks that each
// access is made under the right one).

#include "hw/port_lib.h"

#include <array>

struct WindowsBus {
  PortLibBus bus;
  const wchar_t *mutex; // the well-known name
  const char *words;    // the bus, as the messages name it
};

// In the order of PortLibBus.
constexpr std::array<WindowsBus, PORTLIB_BUSES> WINDOWS_BUSES = {{
    {PortLibBus::Isa, L"Global\\Access_ISABUS.HTP.Method", "the configuration ports 0x4E/0x4F"},
    {PortLibBus::Pci, L"Global\\Access_PCI", "PCI configuration space"},
    {PortLibBus::Ec, L"Global\\Access_EC", "the EC's ports"},
}};

constexpr const WindowsBus &Windows_Bus(PortLibBus bus) { return WINDOWS_BUSES[Bus_Index(bus)]; }

static_assert(Windows_Bus(PortLibBus::Isa).bus == PortLibBus::Isa &&
                  Windows_Bus(PortLibBus::Pci).bus == PortLibBus::Pci &&
                  Windows_Bus(PortLibBus::Ec).bus == PortLibBus::Ec,
              "each bus at its own place");
