#pragma once

#include <string>

// A table file of 1024 values (256 rows, thresholds of every kind) in the
// temporary folder, written once per run and removed at its end.
const std::string &Full_Table_File();
