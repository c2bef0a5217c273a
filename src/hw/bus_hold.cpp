#include "hw/bus_hold.h"

#include "common/console.h"

#include <array>
#include <cstdarg>
#include <cstdint>

namespace {

struct Kept {
  bool kept = false;          // the last hold asked for was refused
  bool said = false;          // its long hold was said
  std::uint64_t since_ms = 0; // when the first refused hold was asked for
};
std::array<Kept, PORTLIB_BUSES> buses{};

constexpr std::array<const char *, PORTLIB_BUSES> BUS_NAMES = {
    "the configuration port pair 0x4E/0x4F", // PortLibBus::Isa
    "PCI configuration space",               // PortLibBus::Pci
    "the EC",                                // PortLibBus::Ec
};

// One line on the standard error stream, and the same words as an event.
[[gnu::format(printf, 2, 3)]] void Say(PlatformEvent event, const char *format, ...) {
  char text[160];
  std::va_list arguments;
  va_start(arguments, format);
  Text_FormatV(text, sizeof text, format, arguments);
  va_end(arguments);
  Console_Error("%s\n", text);
  Platform_Event(event, text);
}

// Whole seconds since `since_ms`, in 32 bits (a 64-bit division would be a
// library call on a 32-bit program): more than 49 days show as 49 days.
unsigned Seconds_Since(std::uint64_t since_ms) {
  const std::uint64_t ms = Platform_ClockMs() - since_ms;
  return static_cast<std::uint32_t>(ms < UINT32_MAX ? ms : UINT32_MAX) / 1000U;
}

} // namespace

bool Hold_Bus(PortLibBus bus) {
  Kept &kept = buses[Bus_Index(bus)];
  const std::uint64_t asked_at = Platform_ClockMs();
  if (PortLib_HoldBus(bus)) {
    if (kept.said) {
      Say(PlatformEvent::BusLetGo, "%s was let go after %u s", Bus_Name(bus),
          Seconds_Since(kept.since_ms));
    }
    kept = Kept{};
    return true;
  }
  if (!kept.kept) {
    kept = {true, false, asked_at};
  }
  if (!kept.said && Seconds_Since(kept.since_ms) >= LONG_HOLD_S) {
    kept.said = true;
    Say(PlatformEvent::BusHeld,
        "%s has been held by other software for %u s; control waits for it to be let go",
        Bus_Name(bus), LONG_HOLD_S);
  }
  return false;
}

bool Release_Bus(PortLibBus bus) { return PortLib_ReleaseBus(bus); }

unsigned Bus_Kept_S(PortLibBus bus) {
  const Kept &kept = buses[Bus_Index(bus)];
  return kept.kept ? Seconds_Since(kept.since_ms) : 0;
}

const char *Bus_Name(PortLibBus bus) { return BUS_NAMES[Bus_Index(bus)]; }
