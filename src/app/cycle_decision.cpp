#include "app/cycle_decision.h"

CycleDecision Decide_Cycle(const ThermalTableBytes &table, std::uint8_t row,
                           std::uint8_t temperature, EcRead read) {
  CycleDecision decision{false, row, read == EcRead::PortsLost};
  if (read == EcRead::Answered) {
    decision.enter = Step_Row(table, row, temperature);
    decision.select = decision.enter != row;
  }
  return decision;
}

std::uint8_t Row_After(const CycleDecision &decision, std::uint8_t row, bool select_taken) {
  return decision.select && select_taken ? decision.enter : row;
}
