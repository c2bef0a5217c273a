#include "app/controller.h"
#include "app/exit_status.h"
#include "common/console.h"
#include "hw/port_lib.h"

#include <cstring>

namespace {

constexpr char USAGE[] =
    "usage: thermal-control [--help | -h | /? | --version]\n"
    "\n"
    "Keeps the PC's embedded controller (EC) in step with the chip's temperature:\n"
    "once a second it reads the EC's temperature, steps through the table of\n"
    "thresholds in ThermalTable.txt (in the current folder; the built-in table\n"
    "where there is none) and sends the EC the value of each row it enters. It\n"
    "runs until it is ended from outside, and takes no other argument.\n"
    "\n"
    "As a service: thermal-control.service under systemd (systemctl reload has it\n"
    "read its table again), or the Windows service thermal-control.\n"
    "Manual: man 8 thermal-control on Linux; README.md beside the program.\n";

// The ways to ask for the usage: GNU's, the short one, and Windows' own.
bool Asks_For_Help(const char *argument) {
  for (const char *help : {"--help", "-h", "/?", "-?", "/help"}) {
    if (std::strcmp(argument, help) == 0) {
      return true;
    }
  }
  return false;
}

// The questions are answered, and anything else refused, before anything is
// touched: no table is read, no lock taken, no port reached.
int Answer(int argc, char **argv) {
  if (argc == 2 && Asks_For_Help(argv[1])) {
    Console_Print("%s", USAGE);
    return EXIT_STOPPED;
  }
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    Console_Print("thermal-control %s\n", THERMAL_VERSION);
    return EXIT_STOPPED;
  }
  Console_Error("%s is not an argument it takes\n%s",
                argc == 2 ? argv[1] : "more than one argument", USAGE);
  return EXIT_USAGE;
}

// The table file is the only configuration. Runs until it is ended from
// outside, or (as a Windows service) asked to end between two cycles.
int Run_Controller() {
  Controller controller;
  const int failed = Start_Up(controller);
  if (failed != 0) {
    return failed;
  }
  for (std::uint32_t pause = FIRST_CYCLE_PAUSE_MS; Control_Cycle(controller, pause);
       pause = CYCLE_PAUSE_MS) {
  }
  Tell_Stopped(controller);
  return EXIT_STOPPED;
}

} // namespace

int main(int argc, char **argv) {
  if (argc > 1) {
    return Answer(argc, argv);
  }
  return Platform_Run(Run_Controller);
}
