#pragma once

// thermal-table as a user runs it: the test's own scratch files, and the
// programs and files it is given.

#include "harness.h"

#include <optional>
#include <string>
#include <vector>

extern std::vector<std::string> controller; // thermal-control-sim, for the replay
extern std::string sample_table;            // the repository's ThermalTable.txt
extern std::string xmllint;                 // checks the plots, where it is installed

// The header of simulate's CSV.
inline const std::string CSV_HEADER = "cycle,temperature,answered,row,sent,not_taken";

// Runs thermal-table with these arguments, in a directory holding the table
// (none when empty) and copies of these files, and what `prepare` makes there.
RunResult Run_Tool(std::vector<std::string> args, const std::optional<std::string> &table,
                   std::vector<std::string> files = {},
                   void (*prepare)(const std::string &dir) = nullptr);

// A path of this name in a folder of this test process's own, removed when it
// ends: tests run side by side, the native and the Windows ones too, and must
// not share files.
std::string Temp_Path(const std::string &name);

// A scratch file that a run's directory receives a copy of.
std::string Scratch_File(const std::string &name, const std::string &contents);
