#include "backends/common/suspended_time.h"

namespace {
constexpr std::uint64_t INTERRUPT_TIME_UNITS_PER_MS = 10000; // 100 ns units
}

std::int64_t Suspended_From_Linux_Clocks(std::int64_t boottime_ms, std::int64_t monotonic_ms) {
  return boottime_ms - monotonic_ms;
}

std::int64_t Suspended_From_Windows_Clocks(std::uint64_t tick_count_ms,
                                           std::uint64_t unbiased_interrupt_100ns) {
  return static_cast<std::int64_t>(tick_count_ms) -
         static_cast<std::int64_t>(unbiased_interrupt_100ns / INTERRUPT_TIME_UNITS_PER_MS);
}

std::uint64_t Suspended_Held(SuspendedTime &held, std::int64_t reading_ms) {
  if (reading_ms > held.highest_ms) {
    held.highest_ms = reading_ms;
  }
  return static_cast<std::uint64_t>(held.highest_ms);
}
