// How a POSIX program that lives as long as the machine runs: a SIGHUP asks
// it to read its table again, and never ends it; SIGTERM and SIGINT end it
// at its next pause, so that it ends between two cycles and says so in its
// metrics file; its lines go straight to its file descriptors. Shared by the
// Linux backend and the simulated machine, which takes the signals as the
// real program does.

#include "backends/posix/posix_run.h"

#include "common/console.h"
#include "common/files.h"
#include "common/files_posix.h"
#include "hw/port_lib.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

// Each message in one write to its descriptor, as soon as it is printed: a
// C stream would copy it once more, and be flushed at once all the same. A
// descriptor that takes nothing more loses the rest of the line, as a
// stream's would.
void Write_Message(ConsoleStream stream, const char *text, std::size_t size) {
  static_cast<void>(
      File_WriteAll(stream == ConsoleStream::Output ? STDOUT_FILENO : STDERR_FILENO, text, size));
}

// Set by the handlers, taken between cycles: never inside an exchange.
// Lock-free atomics, so that a signal between the look and the clearing is
// not lost.
std::atomic<bool> reload_asked{false};
std::atomic<bool> end_asked{false};
static_assert(std::atomic<bool>::is_always_lock_free);

void On_Hangup(int) { reload_asked.store(true); }
void On_End(int) { end_asked.store(true); }

// False, after a message, when a signal cannot be taken: the program does
// not start, since a reload would then end it, or a stop cut a cycle short.
bool Take(int signal, void (*handler)(int), const char *name) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  // The sleeps resume on their own, the pause excepted; other calls restart.
  action.sa_flags = SA_RESTART;
  if (sigaction(signal, &action, nullptr) != 0) {
    std::fprintf(stderr, "thermal-control: cannot take %s: %s\n", name, std::strerror(errno));
    return false;
  }
  return true;
}

// SIGINT stays ignored where the program was started so (a shell's job in
// the background): a Ctrl-C at the terminal is not meant for it.
bool Interrupt_Ignored() {
  struct sigaction inherited {};
  return sigaction(SIGINT, nullptr, &inherited) == 0 && inherited.sa_handler == SIG_IGN;
}

bool Take_Signals() {
  return Take(SIGHUP, On_Hangup, "SIGHUP") && Take(SIGTERM, On_End, "SIGTERM") &&
         (Interrupt_Ignored() || Take(SIGINT, On_End, "SIGINT"));
}

} // namespace

int Platform_Run(ControllerRun run) {
  Console_SetSink(Write_Message);
  return Take_Signals() ? run() : EXIT_FAILURE;
}

bool Platform_ReloadAsked() { return reload_asked.exchange(false); }

bool Posix_EndAsked() { return end_asked.load(); }

bool Posix_MetricsFolder(const char *exporter_folder, char *folder, std::size_t size) {
  const char *named = std::getenv("THERMAL_CONTROL_METRICS_DIR");
  const char *why = nullptr;
  if (named == nullptr && exporter_folder != nullptr &&
      File_Kind(exporter_folder, why) == FileKind::Folder) {
    named = exporter_folder;
  }
  if (named == nullptr || named[0] == '\0') {
    return false;
  }
  if (std::strlen(named) >= size) {
    std::fprintf(
        stderr,
        "thermal-control: THERMAL_CONTROL_METRICS_DIR is longer than %zu bytes: no metrics file\n",
        size - 1);
    return false;
  }
  std::strcpy(folder, named);
  return true;
}
