#pragma once

// The controller's stepping over a sequence of temperatures, one per cycle,
// from row 0, over ThermalTable as loaded.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// One cycle as the controller saw it.
struct LogCycle {
  std::uint8_t temperature;
  bool answered = true;     // false: "EC did not answer; row held"
  bool select_taken = true; // false: "EC did not take the row's value; row held"
};

struct SimulatedCycle {
  std::uint32_t time_ms; // since the program started
  std::uint8_t temperature;
  bool answered;
  std::uint8_t row; // after the step
  int sent;         // the value sent this cycle, -1 when none
};

// Reads a log: the controller's own output, or a plain list of temperatures.
// False, with the reason (and line) in `error`.
[[nodiscard]] bool Read_Log(const std::string &text, std::vector<LogCycle> &cycles,
                            std::string &error);

// The cycles of a log, about a second apart.
void Replay_Log(const std::vector<LogCycle> &log, std::vector<SimulatedCycle> &cycles);

// The simulated machine's thermal model, fed back with the values sent, for
// this much simulated time.
void Run_Model(double hours, std::vector<SimulatedCycle> &cycles);

void Print_Summary(const std::vector<SimulatedCycle> &cycles, const std::string &table_name,
                   const std::string &source, std::FILE *out);

[[nodiscard]] bool Write_Csv(const std::vector<SimulatedCycle> &cycles, std::FILE *out);
