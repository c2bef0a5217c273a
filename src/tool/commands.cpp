// thermal-table's check command, and what its commands share: the usage and
// the refusals.

#include "tool/commands.h"

#include "tool/check.h"
#include "tool/table_file.h"

#include <cstdio>
#include <string>
#include <string_view>

namespace {

constexpr const char *USAGE =
    "usage: thermal-table check [FILE]\n"
    "       thermal-table simulate [FILE] (--log LOG | --model HOURS) [--csv OUT] [--svg OUT]\n"
    "       thermal-table --help | --version\n"
    "check says what a table holds that the controller may not do as meant; simulate runs\n"
    "the controller's cycles over a log of its own or of temperatures, or over the thermal\n"
    "model, and sums them up. FILE defaults to ThermalTable.txt (for simulate, the built-in\n"
    "table where there is none); FILE and LOG may be - for the standard input, OUT - for\n"
    "the standard output. Manual: man 1 thermal-table.\n";

} // namespace

void Print_Usage(std::FILE *out) { std::fputs(USAGE, out); }

bool Is_Help(std::string_view argument) { return argument == "--help" || argument == "-h"; }

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
  if (argc == 1 && Is_Help(argv[0])) {
    Print_Usage(stdout);
    return 0;
  }
  if (argc > 1) {
    return Usage_Error("check takes one FILE at most");
  }
  if (argc == 1 && argv[0][0] == '-' && argv[0] != std::string_view(STANDARD_INPUT)) {
    return Usage_Error(("unknown option " + std::string(argv[0])).c_str());
  }
  LoadedTable table;
  std::string error;
  const std::string path = argc == 1 ? argv[0] : THERMAL_TABLE_FILE;
  if (!Load_TableFile(path, table, error)) {
    return Refuse(("cannot use " + path + ": " + error).c_str());
  }
  return Check_Table(table, stdout);
}
