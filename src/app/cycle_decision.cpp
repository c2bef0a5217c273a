#include "app/cycle_decision.h"

namespace {

Recovery Recovery_After(EcRead read, std::uint8_t silent_reads) {
  if (read == EcRead::PortsLost) {
    return Recovery::PortsLost;
  }
  return silent_reads == EC_SILENT_READS_LIMIT ? Recovery::EcSilent : Recovery::None;
}

} // namespace

CycleDecision Decide_Cycle(const ThermalTableBytes &table, const CycleRead &cycle) {
  CycleDecision decision{false, cycle.row, Recovery::None, 0};
  if (cycle.read == EcRead::Answered) {
    decision.enter = Step_Row(table, cycle.row, cycle.temperature);
    decision.select = decision.enter != cycle.row;
    return decision;
  }
  const std::uint8_t before = cycle.resumed ? 0 : cycle.silent_reads;
  if (cycle.read == EcRead::Busy) {
    decision.silent_reads = before;
    return decision;
  }
  const auto silent = static_cast<std::uint8_t>(cycle.read == EcRead::NoAnswer ? before + 1 : 0);
  decision.recovery = Recovery_After(cycle.read, silent);
  decision.silent_reads = decision.recovery == Recovery::None ? silent : 0;
  return decision;
}

std::uint8_t Row_After(const CycleDecision &decision, std::uint8_t row, bool select_taken) {
  return decision.select && select_taken ? decision.enter : row;
}

bool Slept_Between(std::uint64_t last_look_ms, std::uint64_t now_ms) {
  return now_ms - last_look_ms >= RESUME_MIN_SUSPENDED_MS;
}
