// The chip heads for a settling temperature with a time constant of 15 s. The
// settling temperature is the ambient one plus the heat of the current load,
// divided by one plus the fan's airflow.
//
// The load follows a fixed profile that repeats every three minutes: idle for
// 30 s, heavy for 60 s, idle for 90 s. With the table's usual rows the chip
// then climbs through the rows to 5 or 6 under load and back to row 0 idle.
//
// The fan runs on the value the controller last sent with the select
// command. The model reads it as a divider: 0 stops the fan, any other value
// gives an airflow of 40 / value, at most 3 (value 100: 0.4, 20: 2, 2: 3).

#include "model/thermal_model.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double AMBIENT_C = 35.0;
constexpr double IDLE_HEAT_C = 4.0;
constexpr double HEAVY_HEAT_C = 150.0;
constexpr double TIME_CONSTANT_S = 15.0;
constexpr double FAN_DIVIDEND = 40.0;
constexpr double FAN_MAX_AIRFLOW = 3.0;

constexpr std::uint64_t PROFILE_PERIOD_MS = 180000;
constexpr std::uint64_t HEAVY_FROM_MS = 30000;
constexpr std::uint64_t HEAVY_UNTIL_MS = 90000;
constexpr std::uint64_t STEP_MS = 100; // the model advances in steps of the clock

double Load_Heat(const ThermalModel &model, std::uint64_t at_ms) {
  const std::uint64_t phase = (at_ms - model.start_ms) % PROFILE_PERIOD_MS;
  return phase >= HEAVY_FROM_MS && phase < HEAVY_UNTIL_MS ? HEAVY_HEAT_C : IDLE_HEAT_C;
}

void Advance_To(ThermalModel &model, std::uint64_t now_ms) {
  const double step_share =
      1.0 - std::exp(-static_cast<double>(STEP_MS) / 1000.0 / TIME_CONSTANT_S);
  for (; model.model_ms + STEP_MS <= now_ms; model.model_ms += STEP_MS) {
    const double settling_c = AMBIENT_C + Load_Heat(model, model.model_ms) / (1.0 + model.airflow);
    model.chip_c += (settling_c - model.chip_c) * step_share;
  }
}

} // namespace

ThermalModel Thermal_Start(std::uint64_t now_ms) {
  return ThermalModel{AMBIENT_C + IDLE_HEAT_C, now_ms, now_ms, 0.0};
}

std::uint8_t Thermal_Temperature(ThermalModel &model, std::uint64_t now_ms) {
  Advance_To(model, now_ms);
  return static_cast<std::uint8_t>(std::clamp(std::lround(model.chip_c), 0L, 255L));
}

void Thermal_SetFanValue(ThermalModel &model, std::uint64_t now_ms, std::uint8_t value) {
  Advance_To(model, now_ms);
  model.airflow = value == 0 ? 0.0 : std::min(FAN_MAX_AIRFLOW, FAN_DIVIDEND / value);
}
