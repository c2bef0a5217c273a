// thermal-table: checks a thermal table before the controller runs it, and
// shows what the controller would do with it, with the controller's own
// loader and stepping.
//
//   thermal-table check [FILE]
//   thermal-table simulate [FILE] (--log LOG | --model HOURS) [--csv OUT] [--svg OUT]
//   thermal-table --version

#include "tool/check.h"
#include "tool/simulate.h"
#include "tool/svg.h"
#include "tool/table_file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

constexpr int EXIT_BAD_INPUT = 2;

constexpr const char *USAGE = "usage: thermal-table check [FILE]\n"
                              "       thermal-table simulate [FILE] (--log LOG | --model HOURS) "
                              "[--csv OUT] [--svg OUT]\n"
                              "       thermal-table --version\n"
                              "FILE defaults to ThermalTable.txt; LOG may be - for standard "
                              "input.\n";

int Refuse(const std::string &message) {
  std::fprintf(stderr, "thermal-table: %s\n", message.c_str());
  return EXIT_BAD_INPUT;
}

int Usage_Error(const std::string &message) {
  std::fprintf(stderr, "thermal-table: %s\n%s", message.c_str(), USAGE);
  return EXIT_BAD_INPUT;
}

bool Load_Named(const std::string &path, LoadedTable &table, std::string &error) {
  if (!Load_TableFile(path, table, error)) {
    error = "cannot read " + path + ": " + error;
    return false;
  }
  return true;
}

int Run_Check(int argc, char **argv) {
  if (argc > 1) {
    return Usage_Error("check takes one FILE at most");
  }
  LoadedTable table;
  std::string error;
  if (!Load_Named(argc == 1 ? argv[0] : THERMAL_TABLE_FILE, table, error)) {
    return Refuse(error);
  }
  return Check_Table(table, stdout);
}

struct SimulateOptions {
  std::string table;
  std::string log;
  std::string hours;
  std::string csv;
  std::string svg;
};

bool Parse_Simulate(int argc, char **argv, SimulateOptions &options, std::string &error) {
  for (int i = 0; i < argc; ++i) {
    const std::string_view arg = argv[i];
    std::string *value = arg == "--log"     ? &options.log
                         : arg == "--model" ? &options.hours
                         : arg == "--csv"   ? &options.csv
                         : arg == "--svg"   ? &options.svg
                                            : nullptr;
    if (value != nullptr) {
      if (i + 1 == argc) {
        error = std::string(arg) + " needs a value";
        return false;
      }
      *value = argv[++i];
    } else if (arg.size() > 1 && arg[0] == '-') {
      error = "unknown option " + std::string(arg);
      return false;
    } else if (options.table.empty()) {
      options.table = arg;
    } else {
      error = "simulate takes one FILE at most";
      return false;
    }
  }
  if (options.log.empty() == options.hours.empty()) {
    error = "simulate needs either --log LOG or --model HOURS";
    return false;
  }
  return true;
}

bool Parse_Hours(const std::string &text, double &hours) {
  char *end = nullptr;
  errno = 0;
  hours = std::strtod(text.c_str(), &end);
  return errno == 0 && end != text.c_str() && *end == '\0' && hours > 0 && hours <= 24 * 366;
}

bool Read_Text(const std::string &path, std::string &text, std::string &error) {
  std::FILE *file = path == "-" ? stdin : std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    error = std::strerror(errno);
    return false;
  }
  const bool read = Read_All(file, text, error);
  if (file != stdin) {
    std::fclose(file);
  }
  return read;
}

// Without FILE: ThermalTable.txt when there is one, else the built-in table.
bool Load_For_Simulate(const std::string &named, LoadedTable &table, std::string &title,
                       std::string &error) {
  if (!named.empty()) {
    title = named;
    return Load_Named(named, table, error);
  }
  if (Load_TableFile(THERMAL_TABLE_FILE, table, error)) {
    title = THERMAL_TABLE_FILE;
    return true;
  }
  Load_BuiltInTable(table);
  title = "built-in table (no ThermalTable.txt here)";
  return true;
}

bool Write_To(const std::string &path, const LoadedTable &table,
              const std::vector<SimulatedCycle> &cycles, const std::string &title, bool svg,
              std::string &error) {
  std::FILE *file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  const bool written = svg ? Write_Svg(table.bytes, cycles, title, file) : Write_Csv(cycles, file);
  if (std::fclose(file) != 0 || !written) {
    error = "cannot write " + path;
    return false;
  }
  return true;
}

int Run_Simulate(int argc, char **argv) {
  SimulateOptions options;
  std::string error;
  if (!Parse_Simulate(argc, argv, options, error)) {
    return Usage_Error(error);
  }
  double hours = 0;
  if (!options.hours.empty() && !Parse_Hours(options.hours, hours)) {
    return Refuse("--model takes a positive number of hours, not \"" + options.hours + "\"");
  }
  LoadedTable table;
  std::string title;
  if (!Load_For_Simulate(options.table, table, title, error)) {
    return Refuse(error);
  }
  std::vector<SimulatedCycle> cycles;
  std::string source;
  if (!options.log.empty()) {
    std::string text;
    std::vector<LogCycle> log;
    if (!Read_Text(options.log, text, error)) {
      return Refuse("cannot read " + options.log + ": " + error);
    }
    if (!Read_Log(text, log, error)) {
      return Refuse(options.log + ": " + error);
    }
    Replay_Log(table.bytes, log, cycles);
    source = "log " + options.log;
  } else {
    Run_Model(table.bytes, hours, cycles);
    source = "thermal model, " + options.hours + " h";
  }
  Print_Summary(table.bytes, cycles, title, source, stdout);
  if (!options.csv.empty() && !Write_To(options.csv, table, cycles, title, false, error)) {
    return Refuse(error);
  }
  if (!options.svg.empty() && !Write_To(options.svg, table, cycles, title, true, error)) {
    return Refuse(error);
  }
  return 0;
}

} // namespace

int main(int argc, char **argv) {
  const std::string_view command = argc > 1 ? argv[1] : "";
  if (command == "check") {
    return Run_Check(argc - 2, argv + 2);
  }
  if (command == "simulate") {
    return Run_Simulate(argc - 2, argv + 2);
  }
  if (command == "--help" || command == "-h") {
    std::fputs(USAGE, stdout);
    return 0;
  }
  if (command == "--version") {
    std::printf("thermal-table %s\n", THERMAL_VERSION);
    return 0;
  }
  return Usage_Error(command.empty() ? "no command" : "unknown command " + std::string(command));
}
