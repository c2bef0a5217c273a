#include "tool/simulate.h"

#include "app/log_lines.h"
#include "tool/log_format.h"

#include <array>
#include <cstdlib>
#include <string_view>

namespace {

// The controller's pacing with an EC that answers at once: start-up pauses
// 100 ms, the first cycle 100 ms more, every later one 1000 ms.
constexpr std::uint32_t FIRST_CYCLE_MS = 200;
constexpr std::uint32_t CYCLE_MS = 1000;

// The controller's lines, as the controller prints them.
constexpr std::string_view TEMPERATURE_MARK = Text_Before_Number(LOG_TEMPERATURE);

unsigned long UL(std::size_t n) { return static_cast<unsigned long>(n); }

bool Is_Digits(std::string_view text) {
  if (text.empty() || text.size() > 3) {
    return false;
  }
  for (const char c : text) {
    if (c < '0' || c > '9') {
      return false;
    }
  }
  return true;
}

// A temperature as the controller prints it, 0 to 255.
bool Parse_Temperature(std::string_view text, std::uint8_t &temperature) {
  if (!Is_Digits(text)) {
    return false;
  }
  const int value = std::atoi(std::string(text).c_str());
  temperature = static_cast<std::uint8_t>(value);
  return value <= 255;
}

// The controller's output, line by line. Each line holding a temperature is a
// cycle; the lines after it say what the controller did with it, up to a
// resume, whose set-up comes before the next cycle's heartbeat.
struct ControllerLogReader {
  enum class SetUpOf : std::uint8_t { None, LastCycle, NextCycle };
  std::vector<LogCycle> &cycles;
  LogCycle next{};
  SetUpOf set_up_of = SetUpOf::None; // whose set-up an "open port ok" ends

  void Read_Temperature(std::string_view line, std::size_t mark) {
    std::string_view number = line.substr(mark + TEMPERATURE_MARK.size());
    number = number.substr(0, number.find_first_not_of("0123456789"));
    if (Parse_Temperature(number, next.temperature)) {
      cycles.push_back(next);
    }
    next = LogCycle{};
    set_up_of = SetUpOf::None;
  }

  void Read_Set_Up() {
    if (set_up_of == SetUpOf::NextCycle) {
      next.resume_set_up_done = true;
    } else if (set_up_of == SetUpOf::LastCycle) {
      cycles.back().set_up_done = true;
    }
    set_up_of = SetUpOf::None;
  }

  void Read_Line(std::string_view line) {
    const std::size_t mark = line.find(TEMPERATURE_MARK);
    if (mark != std::string_view::npos) {
      Read_Temperature(line, mark);
    } else if (Shows(line, LOG_RESUMED)) {
      next.resumed = true;
      set_up_of = SetUpOf::NextCycle;
    } else if (Shows(line, LOG_OPEN_PORT_OK)) {
      Read_Set_Up();
    } else if (cycles.empty()) {
      return;
    } else if (Shows(line, LOG_NO_ANSWER)) {
      cycles.back().read = EcRead::NoAnswer;
    } else if (Shows(line, LOG_PORTS_LOST)) {
      cycles.back().read = EcRead::PortsLost;
      set_up_of = SetUpOf::LastCycle;
    } else if (Shows(line, LOG_EC_SILENT)) {
      set_up_of = SetUpOf::LastCycle;
    } else if (Shows(line, LOG_NOT_TAKEN)) {
      cycles.back().select_taken = false;
    }
  }
};

bool Read_PlainLog(const std::vector<std::string_view> &lines, std::vector<LogCycle> &cycles,
                   std::string &error) {
  constexpr std::string_view SEPARATORS = ", \t\r";
  for (std::size_t n = 0; n < lines.size(); ++n) {
    std::string_view line = lines[n];
    while (!line.empty()) {
      const std::size_t start = line.find_first_not_of(SEPARATORS);
      if (start == std::string_view::npos) {
        break;
      }
      line.remove_prefix(start);
      const std::string_view token = line.substr(0, line.find_first_of(SEPARATORS));
      LogCycle cycle{};
      if (!Parse_Temperature(token, cycle.temperature)) {
        error = "line " + std::to_string(n + 1) + ": \"" + std::string(token) +
                "\" is not a temperature 0 to 255";
        return false;
      }
      cycles.push_back(cycle);
      line.remove_prefix(token.size());
    }
  }
  return true;
}

std::uint32_t Cycle_Time(std::size_t index) {
  return FIRST_CYCLE_MS + static_cast<std::uint32_t>(index) * CYCLE_MS;
}

// Where the replay stands between two cycles, as the controller would.
struct ReplayState {
  std::uint8_t row = ROW_BOTTOM;
  std::uint8_t silent_reads = 0;
};

// One cycle as the controller's cycle runs it: the row's value again after
// a resume's set-up, then its decision on the read, the select it sends
// (counted when the EC took it), and the row's value again after a set-up.
// `sent` keeps the last value the EC was given.
SimulatedCycle Run_Cycle(const ThermalTableBytes &table, ReplayState &state, std::size_t index,
                         const LogCycle &in) {
  SimulatedCycle out{Cycle_Time(index), in.temperature, in.read == EcRead::Answered, state.row, -1};
  if (in.resume_set_up_done) {
    out.sent = Row_Byte(table, state.row, COL_VALUE);
  }
  const CycleDecision decision =
      Decide_Cycle(table, {state.row, state.silent_reads, in.resumed, in.temperature, in.read});
  state.silent_reads = decision.silent_reads;
  if (decision.select && in.select_taken) {
    out.sent = Row_Byte(table, decision.enter, COL_VALUE);
  }
  state.row = Row_After(decision, state.row, in.select_taken);
  if (decision.set_up != SetUp::None && in.set_up_done) {
    out.sent = Row_Byte(table, state.row, COL_VALUE);
  }
  out.row = state.row;
  return out;
}

} // namespace

bool Read_Log(const std::string &text, std::vector<LogCycle> &cycles, std::string &error) {
  const std::vector<std::string_view> lines = Lines_Of(text);
  if (text.find(TEMPERATURE_MARK) != std::string::npos) {
    ControllerLogReader reader{cycles};
    for (const std::string_view line : lines) {
      reader.Read_Line(line);
    }
  } else if (!Read_PlainLog(lines, cycles, error)) {
    return false;
  }
  if (cycles.empty()) {
    error = "no temperatures in it";
    return false;
  }
  return true;
}

void Replay_Log(const ThermalTableBytes &table, const std::vector<LogCycle> &log,
                std::vector<SimulatedCycle> &cycles) {
  ReplayState state;
  cycles.reserve(log.size());
  for (std::size_t i = 0; i < log.size(); ++i) {
    cycles.push_back(Run_Cycle(table, state, i, log[i]));
  }
}

void Run_Model(const ThermalTableBytes &table, double hours, std::vector<SimulatedCycle> &cycles) {
  const double end_ms = hours * 3600.0 * 1000.0;
  ReplayState state;
  ThermalModel chip = Thermal_Start(0);
  for (std::size_t i = 0; Cycle_Time(i) <= end_ms; ++i) {
    const std::uint32_t now = Cycle_Time(i);
    const SimulatedCycle cycle =
        Run_Cycle(table, state, i, LogCycle{Thermal_Temperature(chip, now)});
    if (cycle.sent >= 0) {
      Thermal_SetFanValue(chip, now, static_cast<std::uint8_t>(cycle.sent));
    }
    cycles.push_back(cycle);
  }
}

void Print_Summary(const ThermalTableBytes &table, const std::vector<SimulatedCycle> &cycles,
                   const std::string &table_name, const std::string &source, std::FILE *out) {
  struct RowFigures {
    std::size_t cycles = 0;
    std::size_t entered = 0;
  };
  std::array<RowFigures, ROW_TOP + 1> rows{};
  std::size_t selects = 0;
  std::size_t answered = 0;
  unsigned lowest = 255;
  unsigned highest = 0;
  double sum = 0;
  for (const SimulatedCycle &cycle : cycles) {
    ++rows[cycle.row].cycles;
    if (cycle.sent >= 0) {
      ++selects;
      ++rows[cycle.row].entered;
    }
    if (cycle.answered) {
      ++answered;
      lowest = cycle.temperature < lowest ? cycle.temperature : lowest;
      highest = cycle.temperature > highest ? cycle.temperature : highest;
      sum += cycle.temperature;
    }
  }
  std::fprintf(out, "table: %s\nsource: %s\n", table_name.c_str(), source.c_str());
  std::fprintf(out, "cycles: %lu (%lu not acted on)\nselects sent: %lu\n", UL(cycles.size()),
               UL(cycles.size() - answered), UL(selects));
  if (answered > 0) {
    std::fprintf(out, "temperature: lowest %u, highest %u, mean %.1f\n", lowest, highest,
                 sum / static_cast<double>(answered));
  }
  std::fprintf(out, "row  rise  fall  value  extra    cycles   share  entered\n");
  for (std::size_t row = 0; row < rows.size(); ++row) {
    if (rows[row].cycles == 0) {
      continue;
    }
    const auto r = static_cast<std::uint8_t>(row);
    std::fprintf(out, "%3lu  %4u  %4u  %5u  %5u  %8lu  %5.1f%%  %7lu\n", UL(row),
                 Row_Byte(table, r, COL_RISE), Row_Byte(table, r, COL_FALL),
                 Row_Byte(table, r, COL_VALUE), Row_Byte(table, r, COL_EXTRA), UL(rows[row].cycles),
                 100.0 * static_cast<double>(rows[row].cycles) / static_cast<double>(cycles.size()),
                 UL(rows[row].entered));
  }
}

bool Write_Csv(const std::vector<SimulatedCycle> &cycles, std::FILE *out) {
  std::fprintf(out, "cycle,temperature,row,sent\n");
  for (std::size_t i = 0; i < cycles.size(); ++i) {
    const SimulatedCycle &c = cycles[i];
    if (c.sent >= 0) {
      std::fprintf(out, "%lu,%u,%u,%d\n", UL(i + 1), c.temperature, c.row, c.sent);
    } else {
      std::fprintf(out, "%lu,%u,%u,\n", UL(i + 1), c.temperature, c.row);
    }
  }
  return std::ferror(out) == 0;
}
