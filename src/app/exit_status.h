#pragma once

// The program's exit statuses. Each kind of start-up failure has its own:
// the Windows service reports it as its service-specific exit code, which the
// event log records with what to do about it, and systemd's unit names the
// one a restart cannot mend on this machine. Shared by the program and its
// backends, which tell the platform how the program ended.

enum ExitStatus : int {
  EXIT_STOPPED = 0,            // asked to end, between two cycles
  EXIT_PORT_LIBRARY = 1,       // the port library did not start, for a reason not below
  EXIT_USAGE = 2,              // an argument the program does not take
  EXIT_ANOTHER_COPY = 3,       // another copy of the program holds the machine's lock
  EXIT_NO_LIBRARY = 4,         // WinRing0.dll is not in the program's folder
  EXIT_LIBRARY_UNLOADABLE = 5, // it cannot be loaded: of the other width, or no DLL at all
  EXIT_LIBRARY_INCOMPLETE = 6, // it lacks one of the functions the program calls
  EXIT_DRIVER = 7,             // its driver does not start
  EXIT_LIBRARY_STATUS = 8,     // it reports a status of failure
  EXIT_NOT_THIS_MACHINE = 9,   // no LPC bridge 8086:9CC3, or its decode range is another's
  EXIT_SET_UP_FAILED = 10,     // a bus held by other software, or a write refused
  EXIT_PLATFORM = 11,          // the service's own needs: its folder, the service manager
};
