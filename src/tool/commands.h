#pragma once

// thermal-table's commands, each given the arguments after its name; each
// returns the exit status.

// Exit status of a run that was refused or could not do its job.
constexpr int EXIT_BAD_INPUT = 2;

[[nodiscard]] int Run_Check(int argc, char **argv);
[[nodiscard]] int Run_Simulate(int argc, char **argv);

#include <cstdio>
#include <string_view>

// How the commands are given.
void Print_Usage(std::FILE *out);

// Whether an argument asks for the usage: --help or -h.
[[nodiscard]] bool Is_Help(std::string_view argument);

// Says on the standard error stream why the run is refused, and gives the
// status for it; with the usage where the command line was wrong.
[[nodiscard]] int Refuse(const char *message);
[[nodiscard]] int Usage_Error(const char *message);
