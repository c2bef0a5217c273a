#pragma once

// The scales of a plot: the two axes that share their grid lines, the unit
// time is shown in, and the round lengths of time its means are over.

#include <cstddef>
#include <string>

struct Axis {
  double low;
  double high;
  double step;
};

// The temperature's axis, from a grid line below the lowest to one above the
// highest, and the value's, from 0 with as many intervals of a round step,
// so that both label the same grid lines.
struct Axes {
  Axis temperature;
  Axis value;
  int intervals;
};
[[nodiscard]] Axes Axes_For(double t_low, double t_high, double v_high);

// The smallest of 1, 2, 2.5 and 5 times a power of ten that is at least
// `least`.
[[nodiscard]] double Nice_At_Least(double least);

// The unit a span of time is best shown in.
struct TimeScale {
  const char *name; // "seconds", "minutes", "hours", "days"
  double seconds;
};
[[nodiscard]] TimeScale Scale_For(double seconds);

// A length of time in its most readable unit: "12 min", "24 h", "366 days".
[[nodiscard]] std::string Duration_Text(double seconds);

// How many pixel columns of `column_s` seconds a mean gathers: a round
// length of time near a hundredth of the run.
[[nodiscard]] std::size_t Mean_Window(double column_s, double span_s);
