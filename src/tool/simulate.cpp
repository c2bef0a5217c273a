#include "tool/simulate.h"

#include "app/cycle_decision.h"
#include "model/thermal_model.h"

#include <cmath>

namespace {

// The controller's pacing with an EC that answers at once: start-up pauses
// 100 ms, the first cycle 100 ms more, every later one 1000 ms.
constexpr std::uint64_t FIRST_CYCLE_MS = 200;
constexpr std::uint64_t CYCLE_MS = 1000;

unsigned long UL(std::uint64_t n) { return static_cast<unsigned long>(n); }

std::uint64_t Cycle_Time(std::uint64_t index) { return FIRST_CYCLE_MS + index * CYCLE_MS; }

// Where the replay stands between two cycles, as the controller would.
struct ReplayState {
  std::uint8_t row = ROW_BOTTOM;
  std::uint8_t silent_reads = 0;
};

// One cycle as the controller's cycle runs it: the row's value again after
// a resume's set-up, then its decision on the read, the select it sends
// (counted when the EC took it), and the row's value again after a set-up.
// `sent` keeps the last value the EC was given.
SimulatedCycle Run_Cycle(const ThermalTableBytes &table, ReplayState &state, std::uint64_t index,
                         const LogCycle &in) {
  SimulatedCycle out{Cycle_Time(index), in.temperature, in.read == EcRead::Answered, state.row, -1};
  if (in.reload_sent && in.reload_taken) {
    out.sent = Row_Byte(table, state.row, COL_VALUE);
  }
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
             : (static_cast<std::uint64_t>(end_ms) - FIRST_CYCLE_MS) / CYCLE_MS + 1;
}

void Run_Model(const ThermalTableBytes &table, double hours, CycleTaker taker) {
  const std::uint64_t cycles = Model_Cycles(hours);
  ReplayState state;
  ThermalModel chip = Thermal_Start(0);
  for (std::uint64_t i = 0; i < cycles; ++i) {
    const std::uint64_t now = Cycle_Time(i);
    const SimulatedCycle cycle =
        Run_Cycle(table, state, i, LogCycle{Thermal_Temperature(chip, now)});
    if (cycle.sent >= 0) {
      Thermal_SetFanValue(chip, now, static_cast<std::uint8_t>(cycle.sent));
    }
    taker.take(taker.context, cycle);
  }
}

void Summary_Take(RunSummary &summary, const SimulatedCycle &cycle) {
  ++summary.cycles;
  ++summary.rows[cycle.row].cycles;
  if (cycle.sent >= 0) {
    ++summary.selects;
    ++summary.rows[cycle.row].entered;
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
  std::fprintf(out, "cycles: %lu (%lu not acted on)\nselects sent: %lu\n", UL(summary.cycles),
               UL(summary.cycles - summary.answered), UL(summary.selects));
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

void Write_Csv_Header(std::FILE *out) { std::fprintf(out, "cycle,temperature,row,sent\n"); }

void Write_Csv_Cycle(std::FILE *out, std::uint64_t number, const SimulatedCycle &cycle) {
  if (cycle.sent >= 0) {
    std::fprintf(out, "%lu,%u,%u,%d\n", UL(number), cycle.temperature, cycle.row, cycle.sent);
  } else {
    std::fprintf(out, "%lu,%u,%u,\n", UL(number), cycle.temperature, cycle.row);
  }
}
