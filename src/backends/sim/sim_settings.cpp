#include "backends/sim/sim.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

[[noreturn]] void Settings_Refuse(const char *variable, std::string_view text, const char *want) {
  std::fprintf(stderr, "thermal-sim: %s: \"%.*s\" is not %s\n", variable,
               static_cast<int>(text.size()), text.data(), want);
  std::exit(2);
}

// A whole decimal number, nothing before or after it.
bool Parse_Number(std::string_view text, std::uint64_t &number) {
  const char *end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, number);
  return error == std::errc{} && stop == end && !text.empty();
}

SimTemperatureRun Parse_TemperatureRun(std::string_view entry) {
  constexpr const char *WANT = "a temperature 0-255, or T*N for N entries T";
  const std::size_t star = entry.find('*');
  std::uint64_t temperature = 0;
  std::uint64_t count = 1;
  if (!Parse_Number(entry.substr(0, star), temperature) || temperature > 255) {
    Settings_Refuse("THERMAL_SIM_TEMPS", entry, WANT);
  }
  if (star != std::string_view::npos && !Parse_Number(entry.substr(star + 1), count)) {
    Settings_Refuse("THERMAL_SIM_TEMPS", entry, WANT);
  }
  return {static_cast<std::uint8_t>(temperature), count};
}

void Parse_Temperatures(std::string_view list, SimSettings &settings) {
  settings.temperatures_given = true;
  while (!list.empty()) {
    const std::size_t comma = list.find(',');
    settings.temperatures.push_back(Parse_TemperatureRun(list.substr(0, comma)));
    if (comma == std::string_view::npos) {
      return;
    }
    list.remove_prefix(comma + 1);
    if (list.empty()) {
      Settings_Refuse("THERMAL_SIM_TEMPS", list, "a temperature after the last comma");
    }
  }
}

// "ec-slow:N", "ec-gone:K", "ec-resume:K" and "ec-stuck:K" carry a number
// after the fault's name.
bool Parse_FaultWithNumber(std::string_view text, std::string_view name, SimSettings &settings) {
  if (text.substr(0, name.size()) != name) {
    return false;
  }
  if (!Parse_Number(text.substr(name.size()), settings.fault_arg)) {
    Settings_Refuse("THERMAL_SIM_FAULT", text, "a fault with its number");
  }
  return true;
}

void Parse_Fault(std::string_view text, SimSettings &settings) {
  struct Named {
    std::string_view name;
    SimFault fault;
  };
  constexpr Named PLAIN[] = {{"init", SimFault::Init},         {"status", SimFault::Status},
                             {"nobridge", SimFault::NoBridge}, {"ec-dead", SimFault::EcDead},
                             {"ec-mute", SimFault::EcMute},    {"", SimFault::None}};
  for (const Named &named : PLAIN) {
    if (text == named.name) {
      settings.fault = named.fault;
      return;
    }
  }
  constexpr Named WITH_NUMBER[] = {{"ec-slow:", SimFault::EcSlow},
                                   {"ec-gone:", SimFault::EcGone},
                                   {"ec-resume:", SimFault::EcResume},
                                   {"ec-stuck:", SimFault::EcStuck}};
  for (const Named &named : WITH_NUMBER) {
    if (Parse_FaultWithNumber(text, named.name, settings)) {
      settings.fault = named.fault;
      return;
    }
  }
  Settings_Refuse("THERMAL_SIM_FAULT", text,
                  "one of init, status, nobridge, ec-dead, ec-mute, ec-slow:N, ec-gone:K, "
                  "ec-resume:K, ec-stuck:K");
}

SimSettings Sim_ReadSettings() {
  SimSettings settings;
  if (const char *temps = std::getenv("THERMAL_SIM_TEMPS")) {
    Parse_Temperatures(temps, settings);
  }
  if (const char *fast = std::getenv("THERMAL_SIM_FAST")) {
    settings.fast = std::string_view(fast) == "1";
  }
  if (const char *trace = std::getenv("THERMAL_SIM_TRACE")) {
    settings.trace_path = trace;
  }
  if (const char *fault = std::getenv("THERMAL_SIM_FAULT")) {
    Parse_Fault(fault, settings);
  }
  return settings;
}

} // namespace

const SimSettings &Sim_Settings() {
  static const SimSettings settings = Sim_ReadSettings();
  return settings;
}
