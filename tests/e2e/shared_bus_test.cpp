// Other software shares the program's buses: each of the program's sequences
// lies in one hold of its bus, no pause lies in a hold, and other software
// that waits for the holds leaves the program's output as it is.

#include "harness.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <regex>

namespace {

bool Starts(const std::string &line, const char *text) { return line.rfind(text, 0) == 0; }

// The bus that a line of the trace reaches; empty for lines that are no
// access of the program's.
std::string Bus_Of(const std::string &line) {
  if (Starts(line, "pci ")) {
    return "pci";
  }
  for (const char *port : {"4e", "4f"}) {
    if (Starts(line, ("in " + std::string(port)).c_str()) ||
        Starts(line, ("out " + std::string(port)).c_str())) {
      return "isa";
    }
  }
  return Starts(line, "in ") || Starts(line, "out ") ? "ec" : "";
}

// What one hold held, when it is not the sequence of its bus.
std::string Held_Wrongly(const std::string &bus, const std::vector<std::string> &held) {
  const std::vector<std::string> &startup = Startup_Trace();
  const auto isa = std::find(startup.begin(), startup.end(), "hold isa") + 1;
  const std::vector<std::string> set_up(isa, isa + 10);
  if (bus == "isa") {
    return held == set_up ? "" : "the set-up's ten writes";
  }
  if (bus == "pci") {
    // The search; the decode register read where the bridge was found, and
    // written unless it held another device's range.
    const bool searched = held.size() >= 2 && held[0] == "pci maxbus 5" &&
                          Starts(held[1], "pci find 8086 9cc3 0 -> ");
    const bool found = searched && held[1] != "pci find 8086 9cc3 0 -> ffffffff";
    const bool read = found && held.size() >= 3 && Starts(held[2], "pci read 000000f8 84 -> ");
    const bool written = read && held.size() == 4 && Starts(held[3], "pci write 000000f8 84 ");
    return (!found && searched && held.size() == 2) || (read && (held.size() == 3 || written))
               ? ""
               : "the search, its read and its write";
  }
  // One exchange, or the start of one that a wait ended: status reads (s), a
  // stale reply dropped (d) after the first, then the command (C), its data
  // byte (D) and a reply read (d), each after status reads.
  std::string shape;
  for (const std::string &line : held) {
    shape += Starts(line, "in 6c ")    ? 's'
             : Starts(line, "in 68 ")  ? 'd'
             : Starts(line, "out 6c ") ? 'C'
                                       : 'D';
  }
  return std::regex_match(shape, std::regex("sd?s*(Cs*(Ds*d?)?)?")) ? "" : "one exchange";
}

// Every way a trace breaks the rules of the holds. A run that its list of
// temperatures ended may stop inside a hold of the EC.
std::vector<std::string> Hold_Problems(const std::vector<std::string> &trace) {
  std::vector<std::string> problems;
  std::string bus; // the bus held, empty when none
  std::vector<std::string> held;
  for (const std::string &line : trace) {
    if (Starts(line, "hold ")) {
      if (!bus.empty()) {
        problems.push_back(line + " inside the hold of " + bus);
      }
      bus = line.substr(5);
      held.clear();
    } else if (Starts(line, "release ")) {
      const std::string wrong = Held_Wrongly(bus, held);
      if (line.substr(8) != bus || !wrong.empty()) {
        problems.push_back(line + ": the hold of " + bus + " did not hold " + wrong);
      }
      bus.clear();
    } else if (Starts(line, "other ") || Starts(line, "suspend ")) {
      if (!bus.empty()) {
        problems.push_back(line + " inside the hold of " + bus);
      }
    } else if (Starts(line, "sleep ")) {
      if (!bus.empty() && (bus != "ec" || line != "sleep 1")) {
        problems.push_back(line + " inside the hold of " + bus);
      }
    } else if (!Bus_Of(line).empty()) {
      if (Bus_Of(line) != bus) {
        problems.push_back(line + " outside a hold of its bus");
      }
      held.push_back(line);
    }
  }
  if (!bus.empty() && bus != "ec") {
    problems.push_back("the hold of " + bus + " was never released");
  }
  return problems;
}

// Every set-up and every kind of exchange, with and without the EC's answer.
TEST(SharedBus, EachSequenceLiesInOneHoldOfItsBusAndNoPauseInAny) {
  const char *faults[] = {"",           "ec-resume:2",       "suspend:2",    "ec-gone:1",
                          "ec-reset:2", "ec-stuck:1",        "ec-slow:2000", "ec-mute",
                          "ec-dead",    "ec-slow-take:1500", "nobridge",     "decode-taken"};
  for (const char *fault : faults) {
    const RunResult run = Run_Temperatures("38,47,60*5,30*3", std::nullopt, fault);
    ASSERT_GT(run.trace.size(), 3u) << fault;
    EXPECT_EQ(Hold_Problems(run.trace), std::vector<std::string>{}) << "fault: " << fault;
  }
}

// Another driver's Super-I/O sequence, and another program's EC exchange,
// from the first access on and from a later one: they wait for the
// program's releases, and the program prints what it prints without them.
TEST(SharedBus, OtherSoftwareWaitsForTheHoldsAndLeavesTheOutputAsItIs) {
  const char *temperatures = "38,47,60*5,30*3";
  const RunResult undisturbed = Run_Temperatures(temperatures);
  for (const char *fault :
       {"sio-intruder:1", "sio-intruder:10", "ec-intruder:1", "ec-intruder:4"}) {
    const RunResult shared = Run_Temperatures(temperatures, std::nullopt, fault);
    EXPECT_EQ(shared.out, undisturbed.out) << fault;
    EXPECT_EQ(shared.exit_status, 0) << fault;
    EXPECT_TRUE(std::any_of(shared.trace.begin(), shared.trace.end(),
                            [](const std::string &line) { return Starts(line, "other "); }))
        << fault << ": the other software never came";
    EXPECT_EQ(Hold_Problems(shared.trace), std::vector<std::string>{}) << fault;
  }
}

} // namespace
