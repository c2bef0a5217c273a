#include "app/control.h"

// Takes no arguments: the table file is the only configuration. Runs until it
// is ended from outside.
int main() {
  if (!Start_Up()) {
    return EXIT_STARTUP_FAILED;
  }
  Control_Cycle(FIRST_CYCLE_PAUSE_MS);
  for (;;) {
    Control_Cycle(CYCLE_PAUSE_MS);
  }
}
