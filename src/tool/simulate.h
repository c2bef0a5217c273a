#pragma once

// The controller's cycles over a sequence of temperatures, one per cycle,
// from row 0, with the controller's own decision of what each cycle does.

#include "app/cycle_decision.h"
#include "model/thermal_model.h"
#include "table/thermal_table.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// One cycle as the controller saw it.
struct LogCycle {
  std::uint8_t temperature;
  EcRead read = EcRead::Answered;  // "EC did not answer", "EC ports lost"
  bool select_taken = true;        // false: "EC did not take the row's value; row held"
  bool set_up_done = false;        // set up after the read: "open port ok" followed
  bool resumed = false;            // "system resumed" before the heartbeat
  bool resume_set_up_done = false; // and "open port ok" after it
};

struct SimulatedCycle {
  std::uint32_t time_ms; // since the program started
  std::uint8_t temperature;
  bool answered;
  std::uint8_t row; // after the step
  int sent;         // the value the EC was last given this cycle, -1 when none

  bool operator==(const SimulatedCycle &) const = default;
};

// Reads a log: the controller's own output, or a plain list of temperatures.
// False, with the reason (and line) in `error`.
[[nodiscard]] bool Read_Log(const std::string &text, std::vector<LogCycle> &cycles,
                            std::string &error);

// The cycles of a log, about a second apart, over the table.
void Replay_Log(const ThermalTableBytes &table, const std::vector<LogCycle> &log,
                std::vector<SimulatedCycle> &cycles);

// A fresh thermal model, fed back with the values sent, for this much
// simulated time, over the table.
void Run_Model(const ThermalTableBytes &table, double hours, std::vector<SimulatedCycle> &cycles);

void Print_Summary(const ThermalTableBytes &table, const std::vector<SimulatedCycle> &cycles,
                   const std::string &table_name, const std::string &source, std::FILE *out);

[[nodiscard]] bool Write_Csv(const std::vector<SimulatedCycle> &cycles, std::FILE *out);
