// thermal-table simulate: a table's cycles over a log or the thermal model,
// summed up, and written as CSV and as a plot as they come.

#include "tool/commands.h"

#include "tool/simulate.h"
#include "tool/svg.h"
#include "tool/table_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <sys/stat.h>

namespace {

constexpr int EXIT_LINES_UNUSED = 1;
constexpr std::string_view STANDARD_STREAM = "-";

struct SimulateOptions {
  std::string table;
  std::string log;
  std::string hours;
  std::string csv;
  std::string svg;
};

// Appended piece by piece: g++ 12 warns falsely (-Wrestrict) when optimising
// a character string put in front of a temporary string.
std::string Quoted(std::string_view text) {
  std::string quoted(1, '"');
  quoted += Shown(text);
  quoted += '"';
  return quoted;
}

std::string *Option_Value(std::string_view arg, SimulateOptions &options) {
  return arg == "--log"     ? &options.log
         : arg == "--model" ? &options.hours
         : arg == "--csv"   ? &options.csv
         : arg == "--svg"   ? &options.svg
                            : nullptr;
}

bool Parse_Simulate(int argc, char **argv, SimulateOptions &options, std::string &error) {
  for (int i = 0; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (std::string *value = Option_Value(arg, options)) {
      if (i + 1 == argc || !value->empty()) {
        error = std::string(arg) + (i + 1 == argc ? " needs a value" : " is given twice");
        return false;
      }
      *value = argv[++i];
    } else if (arg.size() > 1 && arg[0] == '-') {
      error = "unknown option " + Shown(arg);
      return false;
    } else if (options.table.empty()) {
      options.table = arg;
    } else {
      error = "simulate takes one FILE at most";
      return false;
    }
  }
  error = options.log.empty() && options.hours.empty() ? "simulate needs --log LOG or --model HOURS"
          : !options.log.empty() && !options.hours.empty() ? "simulate takes --log LOG or --model "
                                                             "HOURS, not both"
                                                           : "";
  return error.empty();
}

// A decimal number of hours, above 0 and at most a year, holding a cycle.
bool Parse_Hours(const std::string &text, double &hours, std::string &error) {
  const std::size_t point = text.find('.');
  const bool decimal =
      !text.empty() && text != "." && text.find_first_not_of("0123456789.") == std::string::npos &&
      text.find('.', point + (point == std::string::npos ? 0 : 1)) == std::string::npos;
  hours = decimal ? std::strtod(text.c_str(), nullptr) : 0;
  if (!decimal || hours <= 0 || hours > MODEL_HOURS_MAX) {
    error = "--model takes a decimal number of hours above 0 and at most 8784 (a year), not " +
            Quoted(text);
    return false;
  }
  if (Model_Cycles(hours) == 0) {
    error = "--model " + text + " holds no cycle: the first comes 0.2 s after the start";
    return false;
  }
  return true;
}

bool Same_File(const std::string &a, const std::string &b) {
  struct stat first {};
  struct stat second {};
  return a == b || (stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 &&
                    first.st_dev == second.st_dev && first.st_ino == second.st_ino);
}

// No output is an input, or the other output: writing it would destroy what
// the run reads, or one output the other.
bool Check_Outputs(const SimulateOptions &options, const std::string &table_path,
                   std::string &error) {
  if (options.csv == STANDARD_STREAM && options.svg == STANDARD_STREAM) {
    error = "--csv - and --svg - would both write to the standard output";
    return false;
  }
  const std::pair<const char *, const std::string *> outputs[] = {{"--csv", &options.csv},
                                                                  {"--svg", &options.svg}};
  for (const auto &[option, path] : outputs) {
    if (path->empty() || *path == STANDARD_STREAM) {
      continue;
    }
    const bool table = !table_path.empty() && Same_File(*path, table_path);
    const bool log =
        !options.log.empty() && options.log != STANDARD_STREAM && Same_File(*path, options.log);
    if (table || log) {
      error = std::string(option) + " " + Shown(*path) + " is the " + (table ? "table" : "log") +
              " it reads: an output never overwrites an input";
      return false;
    }
  }
  if (!options.csv.empty() && options.csv != STANDARD_STREAM && !options.svg.empty() &&
      Same_File(options.csv, options.svg)) {
    error = "--csv and --svg name the same file " + Shown(options.csv);
    return false;
  }
  return true;
}

// Without FILE: ThermalTable.txt when there is one, else the built-in table.
bool Load_For_Simulate(const std::string &named, LoadedTable &table, std::string &path,
                       std::string &title, std::string &error) {
  path = named.empty() ? THERMAL_TABLE_FILE : named;
  if (Load_TableFile(path, table, error)) {
    title = path;
    return true;
  }
  if (!named.empty()) {
    error = "cannot read " + Shown(named) + ": " + error;
    return false;
  }
  Load_BuiltInTable(table);
  path.clear();
  error.clear();
  title = "built-in table (no ThermalTable.txt here)";
  return true;
}

std::FILE *Open_Output(const std::string &path, std::string &error) {
  if (path == STANDARD_STREAM) {
    return stdout;
  }
  std::FILE *file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    error = "cannot write " + Shown(path) + ": " + std::strerror(errno);
  }
  return file;
}

bool Close_Output(std::FILE *file, const std::string &path, std::string &error) {
  const bool written = std::ferror(file) == 0;
  const bool closed = file == stdout ? std::fflush(file) == 0 : std::fclose(file) == 0;
  if (!written || !closed) {
    error = "cannot write " + Shown(path) + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

// Where each cycle of the run goes as it comes, with the table in force.
struct RunSinks {
  ThermalTableBytes table;
  std::uint64_t tables_read = 0; // the tables a log shows read again
  RunSummary summary{};
  std::FILE *csv = nullptr;
  bool plotting = false;
  PlotColumns plot{};
};

void Take_Cycle(void *context, const SimulatedCycle &cycle) {
  RunSinks &sinks = *static_cast<RunSinks *>(context);
  Summary_Take(sinks.summary, cycle);
  if (sinks.csv != nullptr) {
    Write_Csv_Cycle(sinks.csv, sinks.summary.cycles, cycle);
  }
  if (sinks.plotting) {
    Plot_Take(sinks.plot, sinks.table, cycle);
  }
}

void Take_Table(void *context, const ThermalTableBytes &table) {
  RunSinks &sinks = *static_cast<RunSinks *>(context);
  sinks.table = table;
  ++sinks.tables_read;
}

// The log's cycles into the sinks; what the log held besides them in
// `reading`.
bool Replay(const SimulateOptions &options, RunSinks &sinks, LogReading &reading,
            std::string &error) {
  const bool standard_input = options.log == STANDARD_STREAM;
  std::FILE *log = standard_input ? stdin : std::fopen(options.log.c_str(), "rb");
  if (log == nullptr) {
    error = "cannot read " + Shown(options.log) + ": " + std::strerror(errno);
    return false;
  }
  bool read = Replay_Log(sinks.table, log, {Take_Cycle, &sinks, Take_Table}, reading, error);
  if (!standard_input) {
    std::fclose(log);
  }
  if (read && reading.cycles == 0) {
    error = "no temperatures in it";
    read = false;
  }
  if (!read) {
    error = Shown(options.log) + ": " + error;
  }
  return read;
}

void Warn_Unused(const std::string &log, const LogReading &reading) {
  std::fprintf(stderr,
               "thermal-table: warning: %s: %lu line%s neither a cycle nor one the controller "
               "writes, and not replayed; the first, line %lu: \"%s\"\n",
               Shown(log).c_str(), static_cast<unsigned long>(reading.unused),
               reading.unused == 1 ? " is" : "s are",
               static_cast<unsigned long>(reading.first_unused), reading.first_unused_text.c_str());
}

bool Write_Plot(const std::string &path, const RunSinks &sinks, const std::string &title,
                std::string &error) {
  std::FILE *file = Open_Output(path, error);
  return file != nullptr && Write_Svg(sinks.plot, title, file) && Close_Output(file, path, error);
}

} // namespace

int Run_Simulate(int argc, char **argv) {
  SimulateOptions options;
  std::string error;
  if (!Parse_Simulate(argc, argv, options, error)) {
    return Usage_Error(error.c_str());
  }
  double hours = 0;
  LoadedTable table;
  std::string table_path;
  std::string title;
  if ((!options.hours.empty() && !Parse_Hours(options.hours, hours, error)) ||
      !Load_For_Simulate(options.table, table, table_path, title, error) ||
      !Check_Outputs(options, table_path, error)) {
    return Refuse(error.c_str());
  }
  RunSinks sinks{.table = table.bytes};
  sinks.plotting = !options.svg.empty();
  if (!options.csv.empty()) {
    sinks.csv = Open_Output(options.csv, error);
    if (sinks.csv == nullptr) {
      return Refuse(error.c_str());
    }
    Write_Csv_Header(sinks.csv);
  }
  LogReading reading;
  if (!options.log.empty() && !Replay(options, sinks, reading, error)) {
    if (sinks.csv != nullptr && sinks.csv != stdout) {
      std::fclose(sinks.csv);
      std::remove(options.csv.c_str());
    }
    return Refuse(error.c_str());
  }
  if (options.log.empty()) {
    Run_Model(table.bytes, hours, {Take_Cycle, &sinks});
  }
  if ((sinks.csv != nullptr && !Close_Output(sinks.csv, options.csv, error)) ||
      (sinks.plotting && !Write_Plot(options.svg, sinks, title, error))) {
    return Refuse(error.c_str());
  }
  std::string source =
      options.log.empty() ? "thermal model, " + options.hours + " h" : "log " + Shown(options.log);
  if (sinks.tables_read > 0) {
    source += "; the controller read its table again " + std::to_string(sinks.tables_read) +
              (sinks.tables_read == 1 ? " time" : " times") +
              ", and the table it read applies from there on: the rows below are the last";
  }
  // An output on the standard output has it to itself.
  const bool output_on_stdout = options.csv == STANDARD_STREAM || options.svg == STANDARD_STREAM;
  Print_Summary(sinks.table, sinks.summary, Shown(title), source,
                output_on_stdout ? stderr : stdout);
  if (reading.unused > 0) {
    Warn_Unused(options.log, reading);
    return EXIT_LINES_UNUSED;
  }
  return 0;
}
