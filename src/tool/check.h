#pragma once

#include "tool/table_file.h"

#include <cstdio>

// Prints one line per finding in the table, in the form compilers use, then
// a line with the count. Returns the exit status: 0 without warnings, 1 with.
int Check_Table(const LoadedTable &table, std::FILE *out);
