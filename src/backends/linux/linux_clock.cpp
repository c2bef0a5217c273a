// The clock of the port library on Linux.

#include "backends/common/suspended_time.h"
#include "backends/posix/posix_sleep.h"
#include "hw/port_lib.h"

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

std::uint64_t Platform_SuspendedMs() { return Suspended_Since_Start(Suspended_Since_Boot_Ms()); }
