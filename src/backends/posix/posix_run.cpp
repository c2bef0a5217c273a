// How a POSIX program that lives as long as the machine runs: a SIGHUP asks
// it to read its table again, and never ends it. Shared by the Linux backend
// and the simulated machine, which takes the signal as the real program does.

#include "hw/port_lib.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Set by the handler, taken between cycles: never inside an exchange. A
// lock-free atomic, so that a SIGHUP between the look and the clearing is
// not lost.
std::atomic<bool> reload_asked{false};
static_assert(std::atomic<bool>::is_always_lock_free);

void On_Hangup(int) { reload_asked.store(true); }

// False, after a message, when the signal cannot be taken: the program does
// not start, since a reload would then end it.
bool Take_Hangup() {
  struct sigaction action {};
  action.sa_handler = On_Hangup;
  sigemptyset(&action.sa_mask);
  // The sleeps resume on their own; other calls restart.
  action.sa_flags = SA_RESTART;
  if (sigaction(SIGHUP, &action, nullptr) != 0) {
    std::fprintf(stderr, "thermal-control: cannot take SIGHUP: %s\n", std::strerror(errno));
    return false;
  }
  return true;
}

} // namespace

int Platform_Run(ControllerRun run) { return Take_Hangup() ? run() : EXIT_FAILURE; }

bool Platform_ReloadAsked() { return reload_asked.exchange(false); }
