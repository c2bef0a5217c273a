#include "tool/svg_scale.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>

double Nice_At_Least(double least) {
  const double magnitude = std::pow(10.0, std::floor(std::log10(least)));
  for (const double m : {1.0, 2.0, 2.5, 5.0}) {
    if (least <= m * magnitude) {
      return m * magnitude;
    }
  }
  return 10 * magnitude;
}

Axes Axes_For(double t_low, double t_high, double v_high) {
  constexpr int TICKS = 6;
  const double step = Nice_At_Least(std::max(t_high - t_low, 10.0) / TICKS);
  // A grid line below the lowest and above the highest: no point on the frame.
  const double low = std::ceil(t_low / step) * step - step;
  const double high = std::floor(t_high / step) * step + step;
  const int intervals = static_cast<int>(std::lround((high - low) / step));
  const double v_step = Nice_At_Least(std::max(v_high, 10.0) / intervals);
  return {{low, high, step}, {0, v_step * intervals, v_step}, intervals};
}

TimeScale Scale_For(double seconds) {
  if (seconds <= 600) {
    return {"seconds", 1};
  }
  if (seconds <= 3 * 3600) {
    return {"minutes", 60};
  }
  if (seconds <= 72 * 3600) {
    return {"hours", 3600};
  }
  return {"days", 86400};
}

std::string Duration_Text(double seconds) {
  const TimeScale scale = Scale_For(seconds);
  const char *unit = scale.seconds == 1      ? "s"
                     : scale.seconds == 60   ? "min"
                     : scale.seconds == 3600 ? "h"
                                             : "days";
  char text[32];
  std::snprintf(text, sizeof text, "%.3g %s", seconds / scale.seconds, unit);
  return text;
}

std::size_t Mean_Window(double column_s, double span_s) {
  constexpr double ROUND_S[] = {60,    120,   300,   600,   900,    1800,   3600,  7200,
                                10800, 21600, 43200, 86400, 172800, 345600, 604800};
  double window_s = ROUND_S[std::size(ROUND_S) - 1];
  for (const double round : ROUND_S) {
    if (round >= span_s / 100) {
      window_s = round;
      break;
    }
  }
  return std::max<std::size_t>(1, static_cast<std::size_t>(std::lround(window_s / column_s)));
}
