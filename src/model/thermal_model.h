#pragma once

#include <cstdint>

// The chip's temperature as a first-order model, fed back with the value the
// controller last sent. The simulated machine reports it when no temperatures
// are given, and thermal-table runs a table against it. A model is a value:
// each run starts its own with Thermal_Start, and two runs from the same
// start give the same temperatures.
struct ThermalModel {
  double chip_c;          // the chip's temperature now
  std::uint64_t start_ms; // where the load profile's first period begins
  std::uint64_t model_ms; // how far the model has advanced
  double airflow;         // the fan's, from the value last sent
};

// A chip idle at its settling temperature, the fan stopped, the load
// profile starting now.
[[nodiscard]] ThermalModel Thermal_Start(std::uint64_t now_ms);

// The chip's temperature at now_ms (never earlier than the last call), as the
// EC reports it: whole degrees, 0 to 255.
[[nodiscard]] std::uint8_t Thermal_Temperature(ThermalModel &model, std::uint64_t now_ms);

// The fan runs on `value` from now_ms on.
void Thermal_SetFanValue(ThermalModel &model, std::uint64_t now_ms, std::uint8_t value);
