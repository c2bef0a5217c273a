#include "app/controller.h"
#include "hw/port_lib.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr char USAGE[] =
    "usage: thermal-control [--help | /? | --version]\n"
    "\n"
    "Keeps the PC's embedded controller (EC) in step with the chip's temperature:\n"
    "once a second it reads the EC's temperature, steps through the table of\n"
    "thresholds in ThermalTable.txt (in the current folder; the built-in table\n"
    "where there is none) and sends the EC the value of each row it enters. It\n"
    "runs until it is ended from outside; any other argument is ignored.\n"
    "\n"
    "As a service: thermal-control.service under systemd (systemctl reload has it\n"
    "read its table again), or the Windows service thermal-control.\n"
    "Manual: man 8 thermal-control on Linux; README.md beside the program.\n";

// The two questions answered without touching anything: no table is read,
// no lock taken, no port reached. True when the argument was one of them
// (/? is how Windows asks for help).
bool Answered(const char *argument) {
  if (std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "/?") == 0) {
    std::fputs(USAGE, stdout);
    return true;
  }
  if (std::strcmp(argument, "--version") == 0) {
    std::puts("thermal-control " THERMAL_VERSION);
    return true;
  }
  return false;
}

// The table file is the only configuration. Runs until it is ended from
// outside, or (as a Windows service) asked to end between two cycles.
int Run_Controller() {
  Controller controller;
  if (!Start_Up(controller)) {
    return EXIT_STARTUP_FAILED;
  }
  for (std::uint32_t pause = FIRST_CYCLE_PAUSE_MS; Control_Cycle(controller, pause);
       pause = CYCLE_PAUSE_MS) {
  }
  return 0;
}

} // namespace

int main(int argc, char **argv) {
  if (argc > 1 && Answered(argv[1])) {
    return std::fflush(stdout) == 0 ? 0 : 1;
  }
  return Platform_Run(Run_Controller);
}
