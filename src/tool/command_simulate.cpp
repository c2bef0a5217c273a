// thermal-table simulate: a table's cycles over a log or the thermal model,
// summed up, and written as CSV and as a plot as they come.

#include "tool/commands.h"

#include "common/files.h"
#include "tool/output_file.h"
#include "tool/shown.h"
#include "tool/simulate.h"
#include "tool/svg.h"
#include "tool/table_file.h"
#include "tool/tool_files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

namespace {

constexpr int EXIT_LINES_UNUSED = 1;

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

// No output is an input, or the other output: writing it would destroy what
// the run reads, or one output the other. Only one of them can have the
// standard output, and only one input the standard input.
bool Check_Files(const SimulateOptions &options, const std::string &table_path,
                 std::string &error) {
  if (options.table == STANDARD_INPUT && options.log == STANDARD_INPUT) {
    error = "the table and the log cannot both be the standard input";
    return false;
  }
  const bool csv = !options.csv.empty();
  const bool svg = !options.svg.empty();
  if (csv && svg && On_Standard_Output(options.csv) && On_Standard_Output(options.svg)) {
    error = "--csv and --svg would both write to the standard output";
    return false;
  }
  const std::pair<const char *, const std::string *> outputs[] = {{"--csv", &options.csv},
                                                                  {"--svg", &options.svg}};
  for (const auto &[option, path] : outputs) {
    if (path->empty() || On_Standard_Output(*path)) {
      continue;
    }
    const bool table =
        !table_path.empty() && table_path != STANDARD_INPUT && Same_File(*path, table_path);
    const bool log =
        !options.log.empty() && options.log != STANDARD_INPUT && Same_File(*path, options.log);
    if (table || log) {
      error = std::string(option) + " " + Shown(*path) + " is the " + (table ? "table" : "log") +
              " it reads: an output never overwrites an input";
      return false;
    }
  }
  if (csv && svg && !On_Standard_Output(options.csv) && Same_File(options.csv, options.svg)) {
    error = "--csv " + Shown(options.csv) + " and --svg " + Shown(options.svg) +
            " are the same file: each output needs its own";
    return false;
  }
  return true;
}

// Without FILE: ThermalTable.txt where there is one, else the built-in table.
// A table file that is there but that the controller would not use is
// refused, as a named one is.
bool Load_For_Simulate(const std::string &named, LoadedTable &table, std::string &path,
                       std::string &error) {
  path = named.empty() ? THERMAL_TABLE_FILE : named;
  const char *why = nullptr;
  if (named.empty() && File_Kind(THERMAL_TABLE_FILE, why) == FileKind::Missing) {
    Load_BuiltInTable(table);
    table.name = "built-in table (no ThermalTable.txt here)";
    path.clear();
    return true;
  }
  if (!Load_TableFile(path, table, error)) {
    error = "cannot use " + Shown(path) + ": " + error;
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
  const bool standard_input = options.log == STANDARD_INPUT;
  std::FILE *log = standard_input ? stdin : File_Open(options.log.c_str(), "rb");
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

// The run's cycles into the sinks: the log's, or the thermal model's.
bool Run_Cycles(const SimulateOptions &options, const LoadedTable &table, double hours,
                RunSinks &sinks, LogReading &reading, std::string &error) {
  if (!options.log.empty()) {
    return Replay(options, sinks, reading, error);
  }
  Run_Model(table.bytes, hours, {Take_Cycle, &sinks});
  return true;
}

std::string Source_Of(const SimulateOptions &options, const RunSinks &sinks) {
  std::string source =
      options.log.empty() ? "thermal model, " + options.hours + " h" : "log " + Shown(options.log);
  if (sinks.tables_read > 0) {
    source += "; the controller read its table again " + std::to_string(sinks.tables_read) +
              (sinks.tables_read == 1 ? " time" : " times") +
              ", and the table it read applies from there on: the rows below are the last";
  }
  return source;
}

} // namespace

int Run_Simulate(int argc, char **argv) {
  SimulateOptions options;
  std::string error;
  if (argc == 1 && Is_Help(argv[0])) {
    Print_Usage(stdout);
    return 0;
  }
  if (!Parse_Simulate(argc, argv, options, error)) {
    return Usage_Error(error.c_str());
  }
  double hours = 0;
  LoadedTable table;
  std::string table_path;
  if ((!options.hours.empty() && !Parse_Hours(options.hours, hours, error)) ||
      !Load_For_Simulate(options.table, table, table_path, error) ||
      !Check_Files(options, table_path, error)) {
    return Refuse(error.c_str());
  }
  RunSinks sinks{.table = table.bytes};
  sinks.plotting = !options.svg.empty();
  OutputFile csv;
  if (!options.csv.empty()) {
    if (!Output_Open(csv, options.csv, error)) {
      return Refuse(error.c_str());
    }
    sinks.csv = csv.file;
    Write_Csv_Header(sinks.csv);
  }
  LogReading reading;
  if (!Run_Cycles(options, table, hours, sinks, reading, error)) {
    Output_Abandon(csv);
    return Refuse(error.c_str());
  }
  OutputFile svg;
  if (sinks.plotting) {
    if (!Output_Open(svg, options.svg, error)) {
      Output_Abandon(csv);
      return Refuse(error.c_str());
    }
    Write_Svg(sinks.plot, table.name,
              options.log.empty() ? "the thermal model" : "log " + options.log, svg.file);
  }
  // Both outputs complete before either takes its place.
  const bool complete = (sinks.csv == nullptr || Output_Close(csv, error)) &&
                        (!sinks.plotting || Output_Close(svg, error)) &&
                        (sinks.csv == nullptr || Output_Place(csv, error)) &&
                        (!sinks.plotting || Output_Place(svg, error));
  if (!complete) {
    Output_Abandon(csv);
    Output_Abandon(svg);
    return Refuse(error.c_str());
  }
  // An output on the standard output has it to itself.
  const bool output_on_stdout = (!options.csv.empty() && On_Standard_Output(options.csv)) ||
                                (!options.svg.empty() && On_Standard_Output(options.svg));
  Print_Summary(sinks.table, sinks.summary, Shown(table.name), Source_Of(options, sinks),
                output_on_stdout ? stderr : stdout);
  if (reading.unused > 0) {
    Warn_Unused(options.log, reading);
    return EXIT_LINES_UNUSED;
  }
  return 0;
}
