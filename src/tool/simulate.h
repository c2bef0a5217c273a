#pragma once

// The controller's cycles over a run of temperatures, one per cycle, from
// row 0, with the controller's own decision of what each cycle does: a log
// replayed, or the thermal model fed back with the values sent. Each cycle
// goes on as it comes, so that a run of any length takes little memory.

#include "table/thermal_table.h"
#include "tool/log_reader.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>

// A value the controller sent the EC with the select command: the entered
// row's, or the current row's again after the table was read again or the EC
// was set up again.
struct SelectSent {
  std::uint8_t value;
  bool entry;
  bool taken;

  bool operator==(const SelectSent &) const = default;
};

// A cycle sends at most a reload's value, a wake's set-up's, and either the
// entered row's or a set-up's after its read.
constexpr std::size_t CYCLE_SELECTS_MAX = 3;

// One cycle as the controller would run it.
struct SimulatedCycle {
  std::uint64_t time_ms; // since the program started
  std::uint8_t temperature;
  bool answered;
  std::uint8_t row; // after the step
  std::array<SelectSent, CYCLE_SELECTS_MAX> selects{};
  std::uint8_t select_count = 0; // in the order sent

  bool operator==(const SimulatedCycle &) const = default;
};

// Receives each cycle of a run as it comes, and each table that a log shows
// the controller read again: it applies from the next cycle on.
struct CycleTaker {
  void (*take)(void *context, const SimulatedCycle &cycle);
  void *context;
  void (*table_read)(void *context, const ThermalTableBytes &table) = nullptr;
};

// The cycles of a log, about a second apart, over the table, and over each
// table the log shows read again from there on. False, with the reason, when
// the log cannot be read (Read_Log).
[[nodiscard]] bool Replay_Log(const ThermalTableBytes &table, std::FILE *log, CycleTaker taker,
                              LogReading &reading, std::string &error);

// The longest run of the thermal model: a year, leap day included.
constexpr double MODEL_HOURS_MAX = 24 * 366;

// How many cycles the thermal model runs in this much simulated time.
[[nodiscard]] std::uint64_t Model_Cycles(double hours);

// A fresh thermal model, fed back with the values sent, for this much
// simulated time, over the table.
void Run_Model(const ThermalTableBytes &table, double hours, CycleTaker taker);

// What a run amounts to, gathered cycle by cycle.
struct RunSummary {
  struct Row {
    std::uint64_t cycles = 0;
    std::uint64_t entered = 0;
  };
  std::array<Row, ROW_TOP + 1> rows{};
  std::uint64_t cycles = 0;
  std::uint64_t selects = 0;
  std::uint64_t entries = 0;
  std::uint64_t not_taken = 0;
  std::uint64_t answered = 0;
  unsigned lowest = 255;
  unsigned highest = 0;
  double sum = 0;
};
void Summary_Take(RunSummary &summary, const SimulatedCycle &cycle);

// The cycles, the selects sent (row entries, re-sends, and those the EC did
// not take), the lowest, highest and mean temperature, and each row's time
// and entries.
void Print_Summary(const ThermalTableBytes &table, const RunSummary &summary,
                   const std::string &table_name, const std::string &source, std::FILE *out);

// The CSV of a run: its header, then one line per cycle (numbered from 1):
// the temperature (empty, and `answered` 0, where the controller did not act
// on the read), the row after it, each value sent in order and each one the EC
// did not take, separated by ';'.
void Write_Csv_Header(std::FILE *out);
void Write_Csv_Cycle(std::FILE *out, std::uint64_t number, const SimulatedCycle &cycle);
