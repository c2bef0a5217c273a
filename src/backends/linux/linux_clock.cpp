// The clock of the port library on Linux.

#include "backends/common/suspended_time.h"
#include "backends/posix/posix_sleep.h"
#include "hw/port_lib.h"

#include <ctime>

namespace {

SuspendedTime suspended;

std::int64_t Clock_Ms(clockid_t clock) {
  timespec now{};
  clock_gettime(clock, &now);
  return std::int64_t{now.tv_sec} * 1000 + now.tv_nsec / 1000000;
}

} // namespace

void Platform_SleepMs(std::uint32_t milliseconds) { Posix_SleepMs(milliseconds); }

std::uint64_t Platform_ClockMs() { return static_cast<std::uint64_t>(Clock_Ms(CLOCK_MONOTONIC)); }

bool Platform_Pause(std::uint32_t milliseconds) { return Posix_PauseMs(milliseconds); }

std::int64_t Platform_UnixTimeS() { return Clock_Ms(CLOCK_REALTIME) / 1000; }

std::uint64_t Platform_SuspendedMs() {
  const std::int64_t monotonic = Clock_Ms(CLOCK_MONOTONIC);
  return Suspended_Held(suspended,
                        Suspended_From_Linux_Clocks(Clock_Ms(CLOCK_BOOTTIME), monotonic));
}

// Linux tells of a resume only over logind's bus, which the service does not
// reach; its look at the suspended time finds every sleep.
bool Platform_ResumeNoticed() { return false; }
