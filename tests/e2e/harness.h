#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

// Runs the controller as a user would: its own executable, in a scratch
// directory holding the given ThermalTable.txt, on the simulated machine with
// the given settings (THERMAL_SIM_FAST=1 and a trace unless told otherwise).
struct RunOptions {
  std::optional<std::string> table;                     // no file when empty
  std::vector<std::pair<std::string, std::string>> env; // THERMAL_SIM_* and the like
  bool trace = true;
  bool real_time = false;                 // the simulated machine's sleeps last as long as they say
  std::vector<std::string> command;       // the program's command, when not the usual one
  std::vector<std::string> args;          // appended to the command
  std::vector<std::string> run_dir_files; // copied into the run's directory
  void (*prepare)(const std::string &dir) = nullptr; // makes more in the run's directory
};

struct RunResult {
  bool exited = false; // false: killed by a signal (a hung run is killed after a minute)
  int exit_status = -1;
  std::string out;
  std::string err;
  std::vector<std::string> trace;
  double seconds = 0; // how long the run took
};

RunResult Run_Program(const RunOptions &options);

// The same, started in the background: what has been printed so far can be
// read while it runs, and Wait_Program waits for its end.
struct RunningProgram {
  int pid;
  std::string dir; // the run's own directory
  double started;  // seconds, on the steady clock
};
RunningProgram Start_Program(const RunOptions &options);
double Seconds_Now(); // on the steady clock, as `started`
std::string Printed_So_Far(const RunningProgram &running);
// Waits until the program has printed `text`; false after half a minute.
bool Wait_For(const RunningProgram &running, const std::string &text);
RunResult Wait_Program(const RunningProgram &running);

// Shorthands for the common runs: temperatures, a table and a fault.
RunResult Run_Temperatures(const std::string &temperatures,
                           const std::optional<std::string> &table = std::nullopt,
                           const std::string &fault = "");

// The program's command, set from the test executable's arguments.
void Set_ProgramCommand(std::vector<std::string> command);
const std::vector<std::string> &Program_Command();

// The backend under test: the native simulated machine, or the Windows
// program over the stand-in DLL under Wine, whose sleeps are real and which
// traces neither them nor the holds, and whose console output ends its lines with CR LF (compared
// here as LF, on both streams). Under Wine run only the tests that show the
// Windows backend wired in: their expectations hold on either backend.
void Set_WindowsBackend();
bool Native_Backend();

// The expected trace as the backend under test writes it.
std::vector<std::string> As_Traced(const std::vector<std::string> &trace);

// Arguments after the test framework's own: "--windows-backend" (optional),
// then the program's command, for instance an emulator and the executable.
// Returns the exit status for main, or -1 to go on and run the tests.
int Parse_Arguments(int argc, char **argv);

std::vector<std::string> Split_Lines(const std::string &text);

// A file's bytes; empty when it cannot be read.
std::string Read_File(const std::string &path);

// The output lines of a run's cycles: from the first heartbeat on.
std::vector<std::string> Cycle_Lines(const RunResult &run);

// The trace without its sleep and hold lines, as the stand-in WinRing0.dll,
// which sees neither, writes it.
std::vector<std::string> Without_Sleeps_And_Holds(const std::vector<std::string> &trace);

// The status lines ("now select value: ...") of a run's output.
std::vector<std::string> Status_Lines(const std::string &out);

// The values sent with the select command, in order, read off the trace.
std::vector<int> Selected_Values(const std::vector<std::string> &trace);

// `block` repeated `times` times, for traces of waits that poll.
std::vector<std::string> Repeat(const std::vector<std::string> &block, int times);

// The trace from the start of the library up to the first cycle's sleep.
const std::vector<std::string> &Startup_Trace();

// Appends `tail` to `head`.
std::vector<std::string> Joined(std::vector<std::string> head,
                                const std::vector<std::string> &tail);

// ASCII text as Windows writes it in UTF-16, each character two bytes: as
// PowerShell 5.1 and Notepad's "UTF-16 LE" do, or big-endian.
std::string Utf16(const std::string &ascii, bool little_endian);

// A byte as the trace writes it: two lower-case hex digits.
std::string Hex(int byte);

// A temperature read from an EC that answers at once, and a select it takes,
// each in its hold of the EC.
std::vector<std::string> Read_Trace(int temperature);
std::vector<std::string> Select_Trace(int value);

// The start of a read that a run's used-up list of temperatures ends.
const std::vector<std::string> &Read_Ended_Trace();
