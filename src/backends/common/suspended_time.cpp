#include "backends/common/suspended_time.h"

#include <initializer_list>

namespace {

constexpr std::uint32_t INTERRUPT_TIME_UNITS_PER_MS = 10000; // 100 ns units

// 100 ns units as whole milliseconds, divided a 16-bit digit at a time: on a
// 32-bit program a 64-bit division is a library call, and the divisor fits
// in 16 bits, so no step needs more than 32.
std::uint64_t Ms_Of(std::uint64_t units) {
  const auto high = static_cast<std::uint32_t>(units >> 32);
  std::uint64_t ms = std::uint64_t{high / INTERRUPT_TIME_UNITS_PER_MS} << 32;
  std::uint32_t remainder = high % INTERRUPT_TIME_UNITS_PER_MS;
  for (const unsigned shift : {16U, 0U}) {
    const std::uint32_t digit =
        remainder << 16 | static_cast<std::uint32_t>(units >> shift & 0xFFFF);
    ms |= std::uint64_t{digit / INTERRUPT_TIME_UNITS_PER_MS} << shift;
    remainder = digit % INTERRUPT_TIME_UNITS_PER_MS;
  }
  return ms;
}

} // namespace

std::int64_t Suspended_From_Linux_Clocks(std::int64_t boottime_ms, std::int64_t monotonic_ms) {
  return boottime_ms - monotonic_ms;
}

std::int64_t Suspended_From_Windows_Clocks(std::uint64_t tick_count_ms,
                                           std::uint64_t unbiased_interrupt_100ns) {
  return static_cast<std::int64_t>(tick_count_ms) -
         static_cast<std::int64_t>(Ms_Of(unbiased_interrupt_100ns));
}

std::uint64_t Suspended_Held(SuspendedTime &held, std::int64_t reading_ms) {
  if (reading_ms > held.highest_ms) {
    held.highest_ms = reading_ms;
  }
  return static_cast<std::uint64_t>(held.highest_ms);
}
