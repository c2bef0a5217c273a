#pragma once

// What the tests of the Windows program under Wine share: the programs they
// run, given as the test executable's arguments, and the folders they run
// them from.

#include "harness.h"

#include <filesystem>
#include <initializer_list>
#include <string>

extern std::string wine;                  // the command that runs a Windows program
extern std::filesystem::path standin_dir; // thermal-control.exe beside the stand-in WinRing0.dll
extern std::filesystem::path missing_ordinal_dir; // the same with a DLL that lacks ordinal 87
extern std::string hold_mutex;                    // holds a mutex by name and never lets go
extern std::string table_tool;                    // thermal-table.exe

extern const std::string LIBRARY_FAILS;
extern const std::initializer_list<const char *> LIBRARY_AND_DRIVER;

// The standard error after its first line, which for a run without a table
// names the folder looked in: the run's own, as Windows names it.
std::string After_No_Table(const std::string &err);

// A program folder of its own, holding the exe and these of the files beside
// it in the stand-in's folder.
std::filesystem::path Program_Folder(std::initializer_list<const char *> files);

RunResult Run_From(const std::filesystem::path &program_dir, RunOptions options);
