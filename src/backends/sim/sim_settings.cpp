#include "backends/sim/sim.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string_view>

#ifndef environ // the C library of Windows has it as a macro
extern char **environ;
#endif

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
    return Refuse(message, SIM_TEMPS, entry, WANT);
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
      return Refuse(message, SIM_TEMPS, list, "a temperature after the last comma");
    }
  }
  return true;
}

// "ec-busy:K:N": from the K-th hold of the EC on, N holds in a row.
bool Parse_Busy(std::string_view numbers, SimSettings &settings) {
  const std::size_t colon = numbers.find(':');
  return colon != std::string_view::npos &&
         Parse_Number(numbers.substr(0, colon), settings.fault_arg) &&
         Parse_Number(numbers.substr(colon + 1), settings.fault_count) && settings.fault_arg > 0 &&
         settings.fault_count > 0;
}

// "ec-slow:N", "ec-slow-take:N", "ec-gone:K", "ec-resume:K", "ec-stuck:K",
// "suspend:K", "ec-reset:K", "sio-intruder:K", "ec-intruder:K" and
// "resume-notice:K" carry a number after the fault's name, "ec-busy:K:N" two.
bool Parse_Fault(std::string_view text, SimSettings &settings, std::string &message) {
  struct Named {
    std::string_view name;
    SimFault fault;
  };
  constexpr Named PLAIN[] = {{"init", SimFault::Init},
                             {"status", SimFault::Status},
                             {"nobridge", SimFault::NoBridge},
                             {"ec-dead", SimFault::EcDead},
                             {"ec-mute", SimFault::EcMute},
                             {"decode-taken", SimFault::DecodeTaken},
                             {"", SimFault::None}};
  for (const Named &named : PLAIN) {
    if (text == named.name) {
      settings.fault = named.fault;
      return true;
    }
  }
  constexpr std::string_view BUSY = "ec-busy:";
  if (text.substr(0, BUSY.size()) == BUSY) {
    settings.fault = SimFault::EcBusy;
    return Parse_Busy(text.substr(BUSY.size()), settings) ||
           Refuse(message, SIM_FAULT, text, "ec-busy:K:N, K and N 1 or more");
  }
  constexpr Named WITH_NUMBER[] = {{"ec-slow:", SimFault::EcSlow},
                                   {"ec-gone:", SimFault::EcGone},
                                   {"ec-resume:", SimFault::EcResume},
                                   {"ec-stuck:", SimFault::EcStuck},
                                   {"suspend:", SimFault::Suspend},
                                   {"ec-reset:", SimFault::EcReset},
                                   {"sio-intruder:", SimFault::SioIntruder},
                                   {"ec-intruder:", SimFault::EcIntruder},
                                   {"resume-notice:", SimFault::ResumeNotice},
                                   {"ec-slow-take:", SimFault::EcSlowTake}};
  for (const Named &named : WITH_NUMBER) {
    if (text.substr(0, named.name.size()) == named.name) {
      settings.fault = named.fault;
      return (Parse_Number(text.substr(named.name.size()), settings.fault_arg) &&
              settings.fault_arg > 0) ||
             Refuse(message, SIM_FAULT, text, "a fault with its number, 1 or more");
    }
  }
  return Refuse(message, SIM_FAULT, text,
                "one of init, status, nobridge, decode-taken, ec-dead, ec-mute, ec-slow:N, "
                "ec-slow-take:N, ec-gone:K, ec-resume:K, ec-stuck:K, suspend:K, ec-reset:K, "
                "sio-intruder:K, ec-intruder:K, ec-busy:K:N, resume-notice:K");
}

// A switch is set to 1, or not set.
bool Parse_Switch(const char *variable, const char *text, bool &on, std::string &message) {
  on = text != nullptr;
  return text == nullptr || std::string_view(text) == "1" || Refuse(message, variable, text, "1");
}

// The first variable of the environment that looks like a setting and is
// none; nullptr when there is no such variable.
const char *Unknown_Setting(std::string &name) {
  constexpr std::string_view PREFIX = "THERMAL_SIM_";
  for (char **entry = environ; *entry != nullptr; ++entry) {
    const std::string_view variable(*entry);
    name = variable.substr(0, variable.find('='));
    if (name.rfind(PREFIX, 0) == 0 && std::find(std::begin(SIM_SETTINGS), std::end(SIM_SETTINGS),
                                                name) == std::end(SIM_SETTINGS)) {
      return name.c_str();
    }
  }
  return nullptr;
}

SimSettings Sim_ReadSettings() {
  std::string unknown;
  const SimSettingTexts texts = {std::getenv(SIM_TEMPS),      std::getenv(SIM_FAST),
                                 std::getenv(SIM_TRACE),      std::getenv(SIM_FAULT),
                                 std::getenv(SIM_NOTIFY),     std::getenv(SIM_SLEEP_GRAIN),
                                 std::getenv(SIM_STOP_AFTER), Unknown_Setting(unknown)};
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
  if (texts.unknown != nullptr) {
    message = std::string(texts.unknown) + " is no setting of the simulated machine, whose "
                                           "settings are ";
    for (const char *name : SIM_SETTINGS) {
      const bool last = name == SIM_SETTINGS[std::size(SIM_SETTINGS) - 1];
      message += std::string(name == SIM_SETTINGS[0] ? "" : last ? " and " : ", ") + name;
    }
    return false;
  }
  if ((texts.temps != nullptr && !Parse_Temperatures(texts.temps, settings, message)) ||
      !Parse_Switch(SIM_FAST, texts.fast, settings.fast, message) ||
      !Parse_Switch(SIM_NOTIFY, texts.notify, settings.notify, message)) {
    return false;
  }
  if (texts.trace != nullptr) {
    settings.trace_path = texts.trace;
  }
  if (texts.sleep_grain != nullptr &&
      (!Parse_Number(texts.sleep_grain, settings.sleep_grain_ms) || settings.sleep_grain_ms == 0)) {
    return Refuse(message, SIM_SLEEP_GRAIN, texts.sleep_grain, "a number of ms, 1 or more");
  }
  if (texts.stop_after != nullptr &&
      (!Parse_Number(texts.stop_after, settings.stop_after) || settings.stop_after == 0)) {
    return Refuse(message, SIM_STOP_AFTER, texts.stop_after, "a number of replies, 1 or more");
  }
  return texts.fault == nullptr || Parse_Fault(texts.fault, settings, message);
}

namespace {

// Read at the first call, in a call of its own: the machine asks for its
// settings at every access, and the common path stays a load and a test.
[[gnu::noinline]] const SimSettings &Read_Once() {
  static const SimSettings settings = Sim_ReadSettings();
  return settings;
}

const SimSettings *settings_read = nullptr;

} // namespace

const SimSettings &Sim_Settings() {
  if (settings_read == nullptr) {
    settings_read = &Read_Once();
  }
  return *settings_read;
}
