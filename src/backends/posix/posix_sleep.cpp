#include "backends/posix/posix_sleep.h"

#include <cerrno>
#include <ctime>

void Posix_SleepMs(std::uint32_t milliseconds) {
  std::timespec remaining{static_cast<std::time_t>(milliseconds / 1000),
                          static_cast<long>(milliseconds % 1000) * 1000000L};
  while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
  }
}
