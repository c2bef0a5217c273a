#include "backends/sim/sim.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

// A setting that cannot be understood: false, with what was wanted.
bool Refuse(std::string &message, const char *variable, std::string_view text, const char *want) {
  message = std::string(variable) + ": \"" + std::string(text) + "\" is not " + want;
  return false;
}

// A whole decimal number, nothing before or after it.
bool Parse_Number(std::string_view text, std::uint64_t &number) {
  const char *end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, number);
  return error == std::errc{} && stop == end && !text.empty();
}

bool Parse_TemperatureRun(std::string_view entry, SimSettings &settings, std::string &message) {
  constexpr const char *WANT = "a temperature 0-255, or T*N for N entries T";
  const std::size_t star = entry.find('*');
  std::uint64_t temperature = 0;
  std::uint64_t count = 1;
  if (!Parse_Number(entry.substr(0, star), temperature) || temperature > 255 ||
      (star != std::string_view::npos && !Parse_Number(entry.substr(star + 1), count))) {
    return Refuse(message, "THERMAL_SIM_TEMPS", entry, WANT);
  }
  settings.temperatures.push_back({static_cast<std::uint8_t>(temperature), count});
  return true;
}

bool Parse_Temperatures(std::string_view list, SimSettings &settings, std::string &message) {
  settings.temperatures_given = true;
  while (!list.empty()) {
    const std::size_t comma = list.find(',');
    if (!Parse_TemperatureRun(list.substr(0, comma), settings, message)) {
      return false;
    }
    if (comma == std::string_view::npos) {
      return true;
    }
    list.remove_prefix(comma + 1);
    if (list.empty()) {
      return Refuse(message, "THERMAL_SIM_TEMPS", list, "a temperature after the last comma");
    }
  }
  return true;
}

// "ec-slow:N", "ec-gone:K", "ec-resume:K", "ec-stuck:K", "suspend:K",
// "ec-reset:K", "sio-intruder:K" and "ec-intruder:K" carry a number after the
// fault's name.
bool Parse_Fault(std::string_view text, SimSettings &settings, std::string &message) {
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
      return true;
    }
  }
  constexpr Named WITH_NUMBER[] = {
      {"ec-slow:", SimFault::EcSlow},           {"ec-gone:", SimFault::EcGone},
      {"ec-resume:", SimFault::EcResume},       {"ec-stuck:", SimFault::EcStuck},
      {"suspend:", SimFault::Suspend},          {"ec-reset:", SimFault::EcReset},
      {"sio-intruder:", SimFault::SioIntruder}, {"ec-intruder:", SimFault::EcIntruder}};
  for (const Named &named : WITH_NUMBER) {
    if (text.substr(0, named.name.size()) == named.name) {
      settings.fault = named.fault;
      return Parse_Number(text.substr(named.name.size()), settings.fault_arg) ||
             Refuse(message, "THERMAL_SIM_FAULT", text, "a fault with its number");
    }
  }
  return Refuse(message, "THERMAL_SIM_FAULT", text,
                "one of init, status, nobridge, ec-dead, ec-mute, ec-slow:N, ec-gone:K, "
                "ec-resume:K, ec-stuck:K, suspend:K, ec-reset:K, sio-intruder:K, "
                "ec-intruder:K");
}

SimSettings Sim_ReadSettings() {
  const SimSettingTexts texts = {std::getenv("THERMAL_SIM_TEMPS"), std::getenv("THERMAL_SIM_FAST"),
                                 std::getenv("THERMAL_SIM_TRACE"),
                                 std::getenv("THERMAL_SIM_FAULT")};
  SimSettings settings;
  std::string message;
  if (!Sim_ParseSettings(texts, settings, message)) {
    std::fprintf(stderr, "thermal-sim: %s\n", message.c_str());
    std::exit(2);
  }
  return settings;
}

} // namespace

bool Sim_ParseSettings(const SimSettingTexts &texts, SimSettings &settings, std::string &message) {
  if (texts.temps != nullptr && !Parse_Temperatures(texts.temps, settings, message)) {
    return false;
  }
  settings.fast = texts.fast != nullptr && std::string_view(texts.fast) == "1";
  if (texts.trace != nullptr) {
    settings.trace_path = texts.trace;
  }
  return texts.fault == nullptr || Parse_Fault(texts.fault, settings, message);
}

const SimSettings &Sim_Settings() {
  static const SimSettings settings = Sim_ReadSettings();
  return settings;
}
