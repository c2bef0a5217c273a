#include "tool/simulate.h"

#include "app/cycle_decision.h"
#include "model/thermal_model.h"

#include <cmath>

namespace {

// The controller's pacing with an EC that answers at once.
constexpr std::uint64_t FIRST_CYCLE_MS = EC_OPEN_SETTLE_MS + FIRST_CYCLE_PAUSE_MS;

unsigned long UL(std::uint64_t n) { return static_cast<unsigned long>(n); }

std::uint64_t Cycle_Time(std::uint64_t index) { return FIRST_CYCLE_MS + index * CYCLE_PAUSE_MS; }

// Where the replay stands between two cycles, as the controller would.
struct ReplayState {
  std::uint8_t row = ROW_BOTTOM;
  std::uint8_t silent_reads = 0;
};

void Add_Select(SimulatedCycle &cycle, std::uint8_t value, bool entry, bool taken) {
  cycle.selects[cycle.select_count++] = {value, entry, taken};
}

// One cycle as the controller's cycle runs it: the row's value again after
// the table was read again and after a resume's set-up, then its decision on
// the read, the entered row's value, and the row's value again after a
// set-up.
SimulatedCycle Run_Cycle(const ThermalTableBytes &table, ReplayState &state, std::uint64_t index,
                         const LogCycle &in) {
  SimulatedCycle out{Cycle_Time(index), in.temperature, in.read == EcRead::Answered, state.row};
  const auto row_value = [&table](std::uint8_t row) { return Row_Byte(table, row, COL_VALUE); };
  if (in.reload_sent) {
    Add_Select(out, row_value(state.row), false, in.reload_taken);
  }
  if (in.resume_recovery_done) {
    Add_Select(out, row_value(state.row), false, in.resume_resend_taken);
  }
  const CycleDecision decision =
      Decide_Cycle(table, {state.row, state.silent_reads, in.resumed, in.temperature, in.read});
  state.silent_reads = decision.silent_reads;
  if (decision.select) {
    Add_Select(out, row_value(decision.enter), true, in.select_taken);
  }
  state.row = Row_After(decision, state.row, in.select_taken);
  if (decision.recovery != Recovery::None && in.recovery_done) {
    Add_Select(out, row_value(state.row), false, in.recovery_resend_taken);
  }
  out.row = state.row;
  return out;
}

// A log replayed: each of its cycles run as the controller runs it, over the
// table in force.
struct Replay {
  ThermalTableBytes table;
  CycleTaker taker;
  ReplayState state{};
  std::uint64_t index = 0;
};

void Replay_Cycle(void *context, const LogCycle &cycle) {
  Replay &replay = *static_cast<Replay *>(context);
  const SimulatedCycle out = Run_Cycle(replay.table, replay.state, replay.index++, cycle);
  replay.taker.take(replay.taker.context, out);
}

void Replay_Table_Read(void *context, const ThermalTableBytes &table) {
  Replay &replay = *static_cast<Replay *>(context);
  replay.table = table;
  if (replay.taker.table_read != nullptr) {
    replay.taker.table_read(replay.taker.context, table);
  }
}

} // namespace

bool Replay_Log(const ThermalTableBytes &table, std::FILE *log, CycleTaker taker,
                LogReading &reading, std::string &error) {
  Replay replay{.table = table, .taker = taker};
  return Read_Log(log, {Replay_Cycle, &replay, Replay_Table_Read}, reading, error);
}

std::uint64_t Model_Cycles(double hours) {
  const double end_ms = std::floor(hours * 3600.0 * 1000.0);
  return end_ms < FIRST_CYCLE_MS
             ? 0
             : (static_cast<std::uint64_t>(end_ms) - FIRST_CYCLE_MS) / CYCLE_PAUSE_MS + 1;
}

void Run_Model(const ThermalTableBytes &table, double hours, CycleTaker taker) {
  const std::uint64_t cycles = Model_Cycles(hours);
  ReplayState state;
  ThermalModel chip = Thermal_Start(0);
  for (std::uint64_t i = 0; i < cycles; ++i) {
    const std::uint64_t now = Cycle_Time(i);
    const SimulatedCycle cycle =
        Run_Cycle(table, state, i, LogCycle{Thermal_Temperature(chip, now)});
    for (std::size_t s = 0; s < cycle.select_count; ++s) {
      Thermal_SetFanValue(chip, now, cycle.selects[s].value);
    }
    taker.take(taker.context, cycle);
  }
}

void Summary_Take(RunSummary &summary, const SimulatedCycle &cycle) {
  ++summary.cycles;
  ++summary.rows[cycle.row].cycles;
  for (std::size_t s = 0; s < cycle.select_count; ++s) {
    const SelectSent &select = cycle.selects[s];
    ++summary.selects;
    summary.entries += select.entry ? 1 : 0;
    summary.not_taken += select.taken ? 0 : 1;
    // An entry the EC did not take leaves the row where it was.
    summary.rows[cycle.row].entered += select.entry && select.taken ? 1 : 0;
  }
  if (cycle.answered) {
    ++summary.answered;
    summary.lowest = cycle.temperature < summary.lowest ? cycle.temperature : summary.lowest;
    summary.highest = cycle.temperature > summary.highest ? cycle.temperature : summary.highest;
    summary.sum += cycle.temperature;
  }
}

void Print_Summary(const ThermalTableBytes &table, const RunSummary &summary,
                   const std::string &table_name, const std::string &source, std::FILE *out) {
  std::fprintf(out, "table: %s\nsource: %s\n", table_name.c_str(), source.c_str());
  std::fprintf(out,
               "cycles: %lu (%lu not acted on)\n"
               "selects sent: %lu (row entries %lu, re-sends %lu; not taken %lu)\n",
               UL(summary.cycles), UL(summary.cycles - summary.answered), UL(summary.selects),
               UL(summary.entries), UL(summary.selects - summary.entries), UL(summary.not_taken));
  if (summary.answered > 0) {
    std::fprintf(out, "temperature: lowest %u, highest %u, mean %.1f\n", summary.lowest,
                 summary.highest, summary.sum / static_cast<double>(summary.answered));
  }
  std::fprintf(out, "row  rise  fall  value  extra    cycles   share  entered\n");
  for (std::size_t row = 0; row < summary.rows.size(); ++row) {
    const RunSummary::Row &figures = summary.rows[row];
    if (figures.cycles == 0) {
      continue;
    }
    const auto r = static_cast<std::uint8_t>(row);
    std::fprintf(out, "%3lu  %4u  %4u  %5u  %5u  %8lu  %5.1f%%  %7lu\n", UL(row),
                 Row_Byte(table, r, COL_RISE), Row_Byte(table, r, COL_FALL),
                 Row_Byte(table, r, COL_VALUE), Row_Byte(table, r, COL_EXTRA), UL(figures.cycles),
                 100.0 * static_cast<double>(figures.cycles) / static_cast<double>(summary.cycles),
                 UL(figures.entered));
  }
}

void Write_Csv_Header(std::FILE *out) {
  std::fprintf(out, "cycle,temperature,answered,row,sent,not_taken\n");
}

void Write_Csv_Cycle(std::FILE *out, std::uint64_t number, const SimulatedCycle &cycle) {
  std::fprintf(out, "%lu,", UL(number));
  if (cycle.answered) {
    std::fprintf(out, "%u", cycle.temperature);
  }
  std::fprintf(out, ",%d,%u,", cycle.answered ? 1 : 0, cycle.row);
  for (std::size_t s = 0; s < cycle.select_count; ++s) {
    std::fprintf(out, s == 0 ? "%u" : ";%u", cycle.selects[s].value);
  }
  std::fputc(',', out);
  const char *separator = "";
  for (std::size_t s = 0; s < cycle.select_count; ++s) {
    if (!cycle.selects[s].taken) {
      std::fprintf(out, "%s%u", separator, cycle.selects[s].value);
      separator = ";";
    }
  }
  std::fputc('\n', out);
}
