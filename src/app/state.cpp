#include "app/state.h"

ThermalTableBytes ThermalTable = BUILT_IN_TABLE;
std::uint16_t table_count = 0;
std::uint8_t level = ROW_BOTTOM;
std::uint16_t heartbeat = 0;
std::uint8_t temperature = 0;
std::uint8_t silent_reads = 0;
std::uint64_t suspended_ms_seen = 0;
