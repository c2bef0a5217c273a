#pragma once

// thermal-table's commands, each given the arguments after its name; each
// returns the exit status.

// Exit status of a run that was refused or could not do its job.
constexpr int EXIT_BAD_INPUT = 2;

[[nodiscard]] int Run_Check(int argc, char **argv);
[[nodiscard]] int Run_Simulate(int argc, char **argv);

#include <cstdio>

// How the commands are given.
void Print_Usage(std::FILE *out);

// Says on the standard error stream why the run is refused, and gives the
// status for it; with the usage where the command line was wrong.
[[nodiscard]] int Refuse(const char *message);
[[nodiscard]] int Usage_Error(const char *message);
