#pragma once

// The time in front of each line of the Windows service's log, in ISO 8601
// with the offset from UTC ("2026-12-10T08:30:01+01:00 "): written by the
// service's log, and passed over by thermal-table's replay of such a log.

#include <cstddef>
#include <string_view>

struct LocalTime {
  int year;
  int month;
  int day;
  int hour;
  int minute;
  int second;
  int offset_minutes; // east of UTC
};

// The stamp and its blank, with room for its zero byte.
constexpr std::size_t LOG_STAMP_SIZE = 27;
void Log_Stamp(const LocalTime &time, char (&stamp)[LOG_STAMP_SIZE]);

// How many bytes a stamp and its blank take at the line's start; 0 where the
// line begins with none.
[[nodiscard]] std::size_t Stamp_Length(std::string_view line);
