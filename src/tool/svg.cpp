#include "tool/svg.h"

#include "table/thermal_table.h"
#include "tool/plot_columns.h"
#include "tool/svg_scale.h"
#include "tool/svg_text.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

constexpr int WIDTH = 960;
constexpr int HEIGHT = 500;
constexpr int LEFT = 70;
constexpr int RIGHT = 70;
constexpr int TOP = 84;
constexpr int BOTTOM = 56;
constexpr int PLOT_W = WIDTH - LEFT - RIGHT;
constexpr int PLOT_H = HEIGHT - TOP - BOTTOM;

constexpr const char *TEMPERATURE_COLOUR = "#c0392b";
constexpr const char *BAND_COLOUR = "#f5b041";
constexpr const char *VALUE_COLOUR = "#2e86c1";
constexpr const char *UNANSWERED_COLOUR = "#555";

double Y(double v, const Axis &axis) {
  return TOP + PLOT_H * (1.0 - (v - axis.low) / (axis.high - axis.low));
}

void Grid(std::FILE *out, const Axes &axes) {
  for (int i = 0; i <= axes.intervals; ++i) {
    const double t = axes.temperature.low + i * axes.temperature.step;
    const double y = Y(t, axes.temperature);
    std::fprintf(out,
                 "<line x1=\"%d\" y1=\"%.1f\" x2=\"%d\" y2=\"%.1f\" stroke=\"#e5e5e5\"/>\n"
                 "<text x=\"%d\" y=\"%.1f\" text-anchor=\"end\">%g</text>\n"
                 "<text x=\"%d\" y=\"%.1f\" fill=\"%s\">%g</text>\n",
                 LEFT, y, LEFT + PLOT_W, y, LEFT - 6, y + 4, t, LEFT + PLOT_W + 6, y + 4,
                 VALUE_COLOUR, axes.value.low + i * axes.value.step);
  }
}

void Time_Ticks(std::FILE *out, double span_s) {
  const TimeScale scale = Scale_For(span_s);
  const double span = span_s / scale.seconds;
  const double step = Nice_At_Least(span / 8);
  for (double t = 0; t <= span + 1e-9; t += step) {
    const double x = LEFT + PLOT_W * t / span;
    std::fprintf(out,
                 "<line x1=\"%.1f\" y1=\"%d\" x2=\"%.1f\" y2=\"%d\" stroke=\"#999\"/>\n"
                 "<text x=\"%.1f\" y=\"%d\" text-anchor=\"middle\">%g</text>\n",
                 x, TOP + PLOT_H, x, TOP + PLOT_H + 5, x, TOP + PLOT_H + 20, t);
  }
  std::fprintf(out, "<text x=\"%d\" y=\"%d\" text-anchor=\"middle\">time (%s)</text>\n",
               LEFT + PLOT_W / 2, HEIGHT - 12, scale.name);
}

std::string Point(double x, double y) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f,%.1f ", x, y);
  return text;
}

// What one quantity of a bucket is: whether it has one, its lowest, its
// highest, its mean.
struct Quantity {
  bool (*present)(const PlotColumn &);
  double (*low)(const PlotColumn &);
  double (*high)(const PlotColumn &);
  double (*mean)(const PlotColumn &);
  double (*count)(const PlotColumn &); // the cycles its mean is over
};

constexpr Quantity TEMPERATURE = {
    [](const PlotColumn &c) { return c.any_temperature; },
    [](const PlotColumn &c) { return c.t_low; }, [](const PlotColumn &c) { return c.t_high; },
    [](const PlotColumn &c) { return c.t_sum / static_cast<double>(c.t_count); },
    [](const PlotColumn &c) { return static_cast<double>(c.t_count); }};
constexpr Quantity VALUE = {
    [](const PlotColumn &c) { return c.filled; }, [](const PlotColumn &c) { return c.v_low; },
    [](const PlotColumn &c) { return c.v_high; },
    [](const PlotColumn &c) { return c.v_sum / static_cast<double>(c.count); },
    [](const PlotColumn &c) { return static_cast<double>(c.count); }};
constexpr Quantity HOLDS = {[](const PlotColumn &c) { return c.filled; },
                            [](const PlotColumn &c) { return c.holds_low; },
                            [](const PlotColumn &c) { return c.holds_high; }, nullptr, nullptr};

void Polygon(std::FILE *out, const std::string &points, const char *colour, double opacity) {
  std::fprintf(out,
               "<polygon points=\"%s\" fill=\"%s\" fill-opacity=\"%.2f\" stroke=\"none\" "
               "clip-path=\"url(#plot)\"/>\n",
               points.c_str(), colour, opacity);
}

void Polyline(std::FILE *out, const std::string &points, const char *colour) {
  if (!points.empty()) {
    std::fprintf(out,
                 "<polyline points=\"%s\" fill=\"none\" stroke=\"%s\" stroke-width=\"1.5\" "
                 "stroke-linejoin=\"round\"/>\n",
                 points.c_str(), colour);
  }
}

// A run of a cycle a bucket: each cycle from its time to the next's.
struct Steps {
  const std::vector<PlotColumn> &cycles;
  double span_ms;

  double X(std::size_t i) const {
    const double ms = i < cycles.size() ? static_cast<double>(cycles[i].first_ms) : span_ms;
    return LEFT + PLOT_W * ms / span_ms;
  }

  // The quantity as a step: level over each cycle, upright between two.
  std::string Edge(double (*level)(const PlotColumn &), const Axis &axis, bool backward) const {
    std::string points;
    for (std::size_t k = 0; k < cycles.size(); ++k) {
      const std::size_t i = backward ? cycles.size() - 1 - k : k;
      const double y = Y(level(cycles[i]), axis);
      points += Point(X(backward ? i + 1 : i), y) + Point(X(backward ? i : i + 1), y);
    }
    return points;
  }
};

// A short run: the row's band and the value as steps, the temperature a
// point a cycle (a line through them, broken where a read went unanswered),
// and each unanswered cycle marked under the plot.
void Per_Cycle(std::FILE *out, const Steps &steps, const Axes &axes) {
  Polygon(out,
          steps.Edge(HOLDS.high, axes.temperature, false) +
              steps.Edge(HOLDS.low, axes.temperature, true),
          BAND_COLOUR, 0.35);
  Polyline(out, steps.Edge(VALUE.high, axes.value, false), VALUE_COLOUR);
  std::string line;
  for (std::size_t i = 0; i < steps.cycles.size(); ++i) {
    const PlotColumn &cycle = steps.cycles[i];
    if (!cycle.any_temperature) {
      Polyline(out, line, TEMPERATURE_COLOUR);
      line.clear();
      std::fprintf(out, "<rect x=\"%.1f\" y=\"%d\" width=\"2\" height=\"6\" fill=\"%s\"/>\n",
                   steps.X(i), TOP + PLOT_H - 6, UNANSWERED_COLOUR);
      continue;
    }
    const double y = Y(cycle.t_low, axes.temperature);
    line += Point(steps.X(i), y);
    std::fprintf(out, "<circle cx=\"%.1f\" cy=\"%.1f\" r=\"1.6\" fill=\"%s\"/>\n", steps.X(i), y,
                 TEMPERATURE_COLOUR);
  }
  Polyline(out, line, TEMPERATURE_COLOUR);
}

double Column_X(std::size_t column) { return LEFT + static_cast<double>(column) + 0.5; }

// The area between each pixel column's lowest and highest.
void Envelope(std::FILE *out, const std::vector<PlotColumn> &columns, const Quantity &q,
              const Axis &axis, const char *colour, double opacity) {
  std::string points;
  for (std::size_t x = 0; x < columns.size(); ++x) {
    if (q.present(columns[x])) {
      points += Point(Column_X(x), Y(q.high(columns[x]), axis));
    }
  }
  for (std::size_t x = columns.size(); x-- > 0;) {
    if (q.present(columns[x])) {
      points += Point(Column_X(x), Y(q.low(columns[x]), axis));
    }
  }
  Polygon(out, points, colour, opacity);
}

// The mean over each `window` columns, drawn at the window's middle: a
// pixel column's own mean swings with where in the load's rounds it falls,
// which hides the trend.
void Mean_Line(std::FILE *out, const std::vector<PlotColumn> &columns, const Quantity &q,
               std::size_t window, const Axis &axis, const char *colour) {
  std::string points;
  for (std::size_t first = 0; first < columns.size(); first += window) {
    const std::size_t end = std::min(first + window, columns.size());
    double sum = 0;
    double count = 0;
    for (std::size_t x = first; x < end; ++x) {
      if (q.present(columns[x])) {
        const double n = q.count(columns[x]);
        sum += q.mean(columns[x]) * n;
        count += n;
      }
    }
    if (count > 0) {
      points +=
          Point(Column_X(first) + static_cast<double>(end - first - 1) / 2, Y(sum / count, axis));
    }
  }
  Polyline(out, points, colour);
}

// A long run: each pixel column's lowest to highest temperature as shading,
// and the means over windows of columns as lines.
void Per_Column(std::FILE *out, const std::vector<PlotColumn> &columns, std::size_t window,
                const Axes &axes) {
  Envelope(out, columns, TEMPERATURE, axes.temperature, TEMPERATURE_COLOUR, 0.3);
  Mean_Line(out, columns, VALUE, window, axes.value, VALUE_COLOUR);
  Mean_Line(out, columns, TEMPERATURE, window, axes.temperature, TEMPERATURE_COLOUR);
}

struct LegendEntry {
  const char *colour;
  const char *label;
  bool box;
};

void Legend(std::FILE *out, const LegendEntry (&entries)[3], bool unanswered) {
  int x = LEFT;
  for (const LegendEntry &e : entries) {
    if (e.box) {
      std::fprintf(out,
                   "<rect x=\"%d\" y=\"%d\" width=\"18\" height=\"10\" fill=\"%s\" "
                   "fill-opacity=\"0.35\"/>\n",
                   x, TOP - 22, e.colour);
    } else {
      std::fprintf(out,
                   "<line x1=\"%d\" y1=\"%d\" x2=\"%d\" y2=\"%d\" stroke=\"%s\" "
                   "stroke-width=\"2\"/>\n",
                   x, TOP - 17, x + 18, TOP - 17, e.colour);
    }
    std::fprintf(out, "<text x=\"%d\" y=\"%d\">%s</text>\n", x + 24, TOP - 13, e.label);
    // About the width of the label in the plot's 12-pixel sans-serif.
    x += 24 + static_cast<int>(std::strlen(e.label)) * 13 / 2 + 28;
  }
  if (unanswered) {
    std::fprintf(out,
                 "<rect x=\"%d\" y=\"%d\" width=\"2\" height=\"6\" fill=\"%s\"/>\n"
                 "<text x=\"%d\" y=\"%d\">no answer</text>\n",
                 x, TOP - 22, UNANSWERED_COLOUR, x + 6, TOP - 13);
  }
}

void Header(std::FILE *out, const std::string &title, const std::string &scale) {
  const std::string shown = Escaped(title);
  std::fprintf(out,
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\" "
               "viewBox=\"0 0 %d %d\" font-family=\"sans-serif\" font-size=\"12\">\n"
               "<title>%s</title>\n<rect width=\"100%%\" height=\"100%%\" fill=\"white\"/>\n"
               "<text x=\"%d\" y=\"22\" text-anchor=\"middle\" font-size=\"16\">%s</text>\n"
               "<text x=\"%d\" y=\"42\" text-anchor=\"middle\" fill=\"#555\">%s</text>\n"
               "<clipPath id=\"plot\"><rect x=\"%d\" y=\"%d\" width=\"%d\" height=\"%d\"/>"
               "</clipPath>\n",
               WIDTH, HEIGHT, WIDTH, HEIGHT, shown.c_str(), WIDTH / 2, shown.c_str(), WIDTH / 2,
               scale.c_str(), LEFT, TOP, PLOT_W, PLOT_H);
}

void Frame(std::FILE *out) {
  std::fprintf(out,
               "<rect x=\"%d\" y=\"%d\" width=\"%d\" height=\"%d\" fill=\"none\" "
               "stroke=\"black\"/>\n"
               "<text transform=\"translate(18 %d) rotate(-90)\" text-anchor=\"middle\">"
               "temperature (°C)</text>\n"
               "<text transform=\"translate(%d %d) rotate(90)\" text-anchor=\"middle\" "
               "fill=\"%s\">value the EC runs on</text>\n",
               LEFT, TOP, PLOT_W, PLOT_H, TOP + PLOT_H / 2, WIDTH - 14, TOP + PLOT_H / 2,
               VALUE_COLOUR);
}

} // namespace

void Write_Svg(const PlotColumns &plot, const std::string &table_name, const std::string &source,
               std::FILE *out) {
  const bool per_cycle = Plot_Per_Cycle(plot);
  const std::vector<PlotColumn> columns = per_cycle ? plot.buckets : Plot_Columns(plot, PLOT_W);
  double t_low = 255, t_high = 0, v_high = 0;
  bool unanswered = false;
  for (const PlotColumn &c : columns) {
    if (c.any_temperature) {
      t_low = std::min(t_low, c.t_low);
      t_high = std::max(t_high, c.t_high);
    }
    unanswered = unanswered || (c.filled && !c.any_temperature);
    v_high = std::max(v_high, c.v_high);
  }
  const Axes axes = Axes_For(std::min(t_low, t_high), t_high, v_high);
  const double span_ms = Plot_Span_Ms(plot);
  const double column_s = span_ms / 1000 / PLOT_W;

  const std::string scale = Scale_For(span_ms / 1000).name;
  const std::string title = table_name + " over " + Duration_Text(span_ms / 1000) + " of " + source;
  if (per_cycle) {
    Header(out, title, "time in " + scale + "; one point a cycle, about a second apart");
    Grid(out, axes);
    Per_Cycle(out, Steps{columns, span_ms}, axes);
    Legend(out,
           {{TEMPERATURE_COLOUR, "temperature", false},
            {BAND_COLOUR, "row held: its fall to the next rise", true},
            {VALUE_COLOUR, "value the EC runs on (right)", false}},
           unanswered);
  } else {
    const std::size_t window = Mean_Window(column_s, span_ms / 1000);
    const std::string mean_over = Duration_Text(column_s * static_cast<double>(window));
    Header(out, title,
           "time in " + scale + "; each pixel column holds " + Duration_Text(column_s) +
               " of cycles; each mean is over " + mean_over);
    Grid(out, axes);
    Per_Column(out, columns, window, axes);
    const std::string temperature_mean = "temperature: mean of each " + mean_over;
    const std::string value_mean = "value: mean of each " + mean_over + " (right)";
    Legend(out,
           {{TEMPERATURE_COLOUR, temperature_mean.c_str(), false},
            {TEMPERATURE_COLOUR, "temperature: each column's lowest to highest", true},
            {VALUE_COLOUR, value_mean.c_str(), false}},
           unanswered);
  }
  Frame(out);
  Time_Ticks(out, span_ms / 1000);
  std::fprintf(out, "</svg>\n");
}
