#pragma once

// How long the machine has been suspended since it booted, as the Linux and
// Windows backends work it out from two of the system's clocks, one that
// counts suspended time and one that does not. The two are read a moment
// apart and may tick apart, so a reading can come out a little below the one
// before: the time reported is held at its highest.

#include <cstdint>

// Linux: CLOCK_BOOTTIME counts suspended time, CLOCK_MONOTONIC does not.
[[nodiscard]] std::int64_t Suspended_From_Linux_Clocks(std::int64_t boottime_ms,
                                                       std::int64_t monotonic_ms);

// Windows: the tick count runs on through sleep and hibernation, the unbiased
// interrupt time (in 100 ns units) does not.
[[nodiscard]] std::int64_t Suspended_From_Windows_Clocks(std::uint64_t tick_count_ms,
                                                         std::uint64_t unbiased_interrupt_100ns);

// The highest reading so far, never below 0.
struct SuspendedTime {
  std::int64_t highest_ms = 0;
};
[[nodiscard]] std::uint64_t Suspended_Held(SuspendedTime &held, std::int64_t reading_ms);
