// The clock of the port library on Linux.

#include "backends/posix/posix_sleep.h"
#include "hw/port_lib.h"

#include <algorithm>
#include <ctime>

namespace {

std::int64_t Clock_Ms(clockid_t clock) {
  timespec now{};
  clock_gettime(clock, &now);
  return std::int64_t{now.tv_sec} * 1000 + now.tv_nsec / 1000000;
}

// The boot-time clock counts suspended time, the monotonic clock does not:
// their difference is how long the machine has been suspended since it
// booted.
std::int64_t Suspended_Since_Boot_Ms() {
  return Clock_Ms(CLOCK_BOOTTIME) - Clock_Ms(CLOCK_MONOTONIC);
}

} // namespace

void Platform_SleepMs(std::uint32_t milliseconds) { Posix_SleepMs(milliseconds); }

// Counted from the first call, which the program makes at its start; held at
// its highest, since the two clocks are read a moment apart.
std::uint64_t Platform_SuspendedMs() {
  static const std::int64_t at_start = Suspended_Since_Boot_Ms();
  static std::int64_t highest = 0;
  highest = std::max(highest, Suspended_Since_Boot_Ms() - at_start);
  return static_cast<std::uint64_t>(highest);
}
