#include "app/controller.h"
#include "hw/port_lib.h"

namespace {

// Takes no arguments: the table file is the only configuration. Runs until it
// is ended from outside.
int Run_Controller() {
  Controller controller;
  if (!Start_Up(controller)) {
    return EXIT_STARTUP_FAILED;
  }
  Control_Cycle(controller, FIRST_CYCLE_PAUSE_MS);
  for (;;) {
    Control_Cycle(controller, CYCLE_PAUSE_MS);
  }
}

} // namespace

int main() { return Platform_Run(Run_Controller); }
