// thermal-table's check command, and what its commands share: the usage and
// the refusals.

#include "tool/commands.h"

#include "tool/check.h"
#include "tool/table_file.h"

#include <cstdio>
#include <string>

namespace {

constexpr const char *USAGE =
    "usage: thermal-table check [FILE]\n"
    "       thermal-table simulate [FILE] (--log LOG | --model HOURS) [--csv OUT] [--svg OUT]\n"
    "       thermal-table --version\n"
    "FILE defaults to ThermalTable.txt; LOG, and OUT, may be - for standard input, and "
    "output.\n";

} // namespace

void Print_Usage(std::FILE *out) { std::fputs(USAGE, out); }

int Refuse(const char *message) {
  std::fprintf(stderr, "thermal-table: %s\n", message);
  return EXIT_BAD_INPUT;
}

int Usage_Error(const char *message) {
  std::fprintf(stderr, "thermal-table: %s\n", message);
  Print_Usage(stderr);
  return EXIT_BAD_INPUT;
}

int Run_Check(int argc, char **argv) {
  if (argc > 1) {
    return Usage_Error("check takes one FILE at most");
  }
  if (argc == 1 && argv[0][0] == '-') {
    return Usage_Error(("unknown option " + std::string(argv[0])).c_str());
  }
  LoadedTable table;
  std::string error;
  const std::string path = argc == 1 ? argv[0] : THERMAL_TABLE_FILE;
  if (!Load_TableFile(path, table, error)) {
    return Refuse(("cannot read " + path + ": " + error).c_str());
  }
  return Check_Table(table, stdout);
}
