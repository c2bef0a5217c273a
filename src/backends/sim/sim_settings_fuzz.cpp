// The simulated machine's settings, THERMAL_SIM_TEMPS to THERMAL_SIM_SLEEP_GRAIN,
// from any texts. The input's first byte says which variables are set; the
// rest holds their texts, one a line. For every input: a refusal names a
// variable that is set and quotes text that stands in it; what is accepted
// reads back the same from its own rendering. It lives beside the reader it drives; the fuzz
// preset builds it with the other fuzz targets.

#include "backends/sim/sim.h"
#include "fuzz_support.h"

#include <array>
#include <string_view>

namespace {

// Renders the temperature runs as THERMAL_SIM_TEMPS would give them.
std::string Rendered(const std::vector<SimTemperatureRun> &runs) {
  std::string text;
  for (const SimTemperatureRun &run : runs) {
    text += (text.empty() ? "" : ",") + std::to_string(run.temperature);
    if (run.count != 1) {
      text += "*" + std::to_string(run.count);
    }
  }
  return text;
}

bool Same(const SimSettings &a, const SimSettings &b) {
  if (a.temperatures.size() != b.temperatures.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.temperatures.size(); ++i) {
    if (a.temperatures[i].temperature != b.temperatures[i].temperature ||
        a.temperatures[i].count != b.temperatures[i].count) {
      return false;
    }
  }
  return a.temperatures_given == b.temperatures_given && a.fast == b.fast && a.notify == b.notify &&
         a.trace_path == b.trace_path && a.fault == b.fault && a.fault_arg == b.fault_arg &&
         a.fault_count == b.fault_count && a.sleep_grain_ms == b.sleep_grain_ms &&
         a.stop_after == b.stop_after;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  if (size == 0) {
    return 0;
  }
  const unsigned set = data[0];
  // An environment variable holds no NUL: the texts end at the first.
  std::string_view rest(reinterpret_cast<const char *>(data + 1), size - 1);
  rest = rest.substr(0, rest.find('\0'));
  std::array<std::string, std::size(SIM_SETTINGS)> texts;
  for (std::string &text : texts) {
    const std::size_t end = rest.find('\n');
    text = rest.substr(0, end);
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
  }
  const auto text = [&](unsigned i) { return (set >> i & 1) != 0 ? texts[i].c_str() : nullptr; };
  const SimSettingTexts given = {text(0), text(1), text(2), text(3),
                                 text(4), text(5), text(6), nullptr};

  SimSettings settings;
  std::string message;
  if (!Sim_ParseSettings(given, settings, message)) {
    unsigned named = 0;
    while (named < texts.size() &&
           message.rfind(std::string(SIM_SETTINGS[named]) + ": \"", 0) != 0) {
      ++named;
    }
    Require(named < texts.size() && text(named) != nullptr,
            "a refusal names a variable that is set");
    const std::size_t open = message.find('"') + 1;
    const std::string quoted = message.substr(open, message.find("\" is not ", open) - open);
    Require(std::string_view(text(named)).find(quoted) != std::string_view::npos,
            "a refusal quotes text that stands in the variable");
    return 0;
  }
  Require(settings.temperatures_given == (given.temps != nullptr), "a set list is a list");
  const std::string rendered = Rendered(settings.temperatures);
  SimSettings again;
  Require(
      Sim_ParseSettings({given.temps ? rendered.c_str() : nullptr, given.fast, given.trace,
                         given.fault, given.notify, given.sleep_grain, given.stop_after, nullptr},
                        again, message),
      "an accepted list's rendering is accepted");
  Require(Same(settings, again), "an accepted list reads back the same");
  return 0;
}
