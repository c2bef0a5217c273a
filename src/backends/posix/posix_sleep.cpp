#include "backends/posix/posix_sleep.h"

#include "backends/posix/posix_run.h"

#include <cerrno>
#include <ctime>

void Posix_SleepMs(std::uint32_t milliseconds) {
  std::timespec remaining{static_cast<std::time_t>(milliseconds / 1000),
                          static_cast<long>(milliseconds % 1000) * 1000000L};
  while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
  }
}

// A signal that asks the program to end cuts the sleep short (nanosleep is
// never restarted); any other lets it run on.
bool Posix_PauseMs(std::uint32_t milliseconds) {
  std::timespec remaining{static_cast<std::time_t>(milliseconds / 1000),
                          static_cast<long>(milliseconds % 1000) * 1000000L};
  while (!Posix_EndAsked()) {
    if (nanosleep(&remaining, &remaining) == 0 || errno != EINTR) {
      return true;
    }
  }
  return false;
}
