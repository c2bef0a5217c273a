#include "tool/svg.h"

#include "table/thermal_table.h"
#include "tool/plot_columns.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string_view>

namespace {

constexpr int WIDTH = 960;
constexpr int HEIGHT = 480;
constexpr int LEFT = 70;
constexpr int RIGHT = 70;
constexpr int TOP = 60;
constexpr int BOTTOM = 56;
constexpr int PLOT_W = WIDTH - LEFT - RIGHT;
constexpr int PLOT_H = HEIGHT - TOP - BOTTOM;

constexpr const char *TEMPERATURE_COLOUR = "#c0392b";
constexpr const char *BAND_COLOUR = "#f5b041";
constexpr const char *VALUE_COLOUR = "#2e86c1";

struct Range {
  double low;
  double high;
};

struct TimeUnit {
  const char *name;
  double seconds;
};

double Nice_Step(double span, int ticks) {
  const double raw = span / ticks;
  const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
  for (const double m : {1.0, 2.0, 5.0, 10.0}) {
    if (raw <= m * magnitude) {
      return m * magnitude;
    }
  }
  return 10 * magnitude;
}

Range Nice_Range(double low, double high, double step) {
  return {std::floor(low / step) * step, std::max(std::ceil(high / step) * step, low + step)};
}

TimeUnit Unit_For(double seconds) {
  if (seconds <= 600) {
    return {"s", 1};
  }
  if (seconds <= 3 * 3600) {
    return {"min", 60};
  }
  return {"h", 3600};
}

// How many bytes of well-formed UTF-8 start the text: a character XML may
// hold; 0 where its bytes are none.
std::size_t Character_Length(std::string_view text) {
  const auto lead = static_cast<unsigned char>(text[0]);
  if (lead < 0x80) {
    return lead >= 0x20 || lead == '\t' || lead == '\n' || lead == '\r' ? 1 : 0;
  }
  const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
  if (length == 0 || lead > 0xF4 || text.size() < length) {
    return 0;
  }
  std::uint32_t code = lead & (0x3Fu >> (length - 1));
  for (std::size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(text[i]);
    if ((next & 0xC0) != 0x80) {
      return 0;
    }
    code = code << 6 | (next & 0x3Fu);
  }
  const std::uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
  const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
  return code >= least[length] && code <= 0x10FFFF && !surrogate ? length : 0;
}

// The text as XML holds it: its markup characters escaped, and each byte
// that is no part of a character XML may hold shown as U+FFFD.
std::string Escaped(std::string_view text) {
  std::string out;
  while (!text.empty()) {
    const std::size_t length = Character_Length(text);
    const char c = text[0];
    if (length == 0) {
      out += "\xEF\xBF\xBD";
    } else if (c == '&' || c == '<' || c == '>' || c == '"') {
      out += c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : "&quot;";
    } else {
      out.append(text.substr(0, length));
    }
    text.remove_prefix(length == 0 ? 1 : length);
  }
  return out;
}

double Y(double value, Range range) {
  return TOP + PLOT_H * (1.0 - (value - range.low) / (range.high - range.low));
}

double X(std::size_t column) { return LEFT + static_cast<double>(column) + 0.5; }

void Axis_Ticks(std::FILE *out, Range range, double step, bool right, const char *colour) {
  for (double v = range.low; v <= range.high + step / 2; v += step) {
    const double y = Y(v, range);
    if (!right) {
      std::fprintf(out, "<line x1=\"%d\" y1=\"%.1f\" x2=\"%d\" y2=\"%.1f\" stroke=\"#e5e5e5\"/>\n",
                   LEFT, y, LEFT + PLOT_W, y);
    }
    std::fprintf(out, "<text x=\"%d\" y=\"%.1f\" text-anchor=\"%s\" fill=\"%s\">%g</text>\n",
                 right ? LEFT + PLOT_W + 6 : LEFT - 6, y + 4, right ? "start" : "end", colour, v);
  }
}

void Time_Ticks(std::FILE *out, double total_s) {
  const TimeUnit unit = Unit_For(total_s);
  const double span = total_s / unit.seconds;
  const double step = Nice_Step(span > 0 ? span : 1, 8);
  for (double t = 0; t <= span + 1e-9; t += step) {
    const double x = LEFT + PLOT_W * (span > 0 ? t / span : 0);
    std::fprintf(out,
                 "<line x1=\"%.1f\" y1=\"%d\" x2=\"%.1f\" y2=\"%d\" stroke=\"#999\"/>\n"
                 "<text x=\"%.1f\" y=\"%d\" text-anchor=\"middle\">%g</text>\n",
                 x, TOP + PLOT_H, x, TOP + PLOT_H + 5, x, TOP + PLOT_H + 20, t);
  }
  std::fprintf(out, "<text x=\"%d\" y=\"%d\" text-anchor=\"middle\">time (%s)</text>\n",
               LEFT + PLOT_W / 2, HEIGHT - 12, unit.name);
}

// What one quantity of a column is: its lowest, its highest, its mean.
struct Quantity {
  bool (*present)(const PlotColumn &);
  double (*low)(const PlotColumn &);
  double (*high)(const PlotColumn &);
  double (*mean)(const PlotColumn &);
};

constexpr Quantity TEMPERATURE = {
    [](const PlotColumn &c) { return c.any_temperature; },
    [](const PlotColumn &c) { return c.t_low; }, [](const PlotColumn &c) { return c.t_high; },
    [](const PlotColumn &c) { return c.t_sum / static_cast<double>(c.t_count); }};
constexpr Quantity VALUE = {
    [](const PlotColumn &c) { return c.filled; }, [](const PlotColumn &c) { return c.v_low; },
    [](const PlotColumn &c) { return c.v_high; },
    [](const PlotColumn &c) { return c.v_sum / static_cast<double>(c.count); }};
constexpr Quantity BAND = {[](const PlotColumn &c) { return c.filled; },
                           [](const PlotColumn &c) { return c.fall; },
                           [](const PlotColumn &c) { return c.rise; }, nullptr};

std::string Point(double x, double y) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f,%.1f ", x, y);
  return text;
}

// The area between each column's lowest and highest: where a pixel column
// holds many cycles, its spikes stay in sight.
void Envelope(std::FILE *out, const std::vector<PlotColumn> &columns, const Quantity &q,
              Range range, const char *colour, double opacity) {
  std::string points;
  for (std::size_t x = 0; x < columns.size(); ++x) {
    if (q.present(columns[x])) {
      points += Point(X(x), Y(q.high(columns[x]), range));
    }
  }
  for (std::size_t x = columns.size(); x-- > 0;) {
    if (q.present(columns[x])) {
      points += Point(X(x), Y(q.low(columns[x]), range));
    }
  }
  std::fprintf(out,
               "<polygon points=\"%s\" fill=\"%s\" fill-opacity=\"%.2f\" stroke=\"%s\" "
               "stroke-opacity=\"%.2f\" stroke-width=\"1\"/>\n",
               points.c_str(), colour, opacity, colour, opacity);
}

// The mean of each column, as a line.
void Mean_Line(std::FILE *out, const std::vector<PlotColumn> &columns, const Quantity &q,
               Range range, const char *colour) {
  std::string points;
  for (std::size_t x = 0; x < columns.size(); ++x) {
    if (q.present(columns[x])) {
      points += Point(X(x), Y(q.mean(columns[x]), range));
    }
  }
  std::fprintf(out,
               "<polyline points=\"%s\" fill=\"none\" stroke=\"%s\" stroke-width=\"1.5\" "
               "stroke-linejoin=\"round\"/>\n",
               points.c_str(), colour);
}

void Legend(std::FILE *out) {
  struct Entry {
    const char *colour;
    const char *label;
    bool box;
  };
  constexpr Entry ENTRIES[] = {{TEMPERATURE_COLOUR, "temperature", false},
                               {BAND_COLOUR, "current row: fall to rise", true},
                               {VALUE_COLOUR, "value sent, in force (right axis)", false}};
  int x = LEFT;
  for (const Entry &e : ENTRIES) {
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
    x += 250;
  }
}

} // namespace

bool Write_Svg(const PlotColumns &plot, const std::string &title, std::FILE *out) {
  const std::vector<PlotColumn> columns = Plot_Columns(plot, PLOT_W);
  double t_low = 255, t_high = 0, v_high = 0;
  for (const PlotColumn &c : columns) {
    if (!c.filled) {
      continue;
    }
    t_low = std::min({t_low, c.fall, c.any_temperature ? c.t_low : 255.0});
    t_high = std::max({t_high, c.rise, c.any_temperature ? c.t_high : 0.0});
    v_high = std::max(v_high, c.v_high);
  }
  const double t_step = Nice_Step(std::max(t_high - t_low, 10.0), 6);
  const Range temperature = Nice_Range(t_low, t_high, t_step);
  const double v_step = Nice_Step(std::max(v_high, 10.0), 5);
  const Range value = Nice_Range(0, std::max(v_high, 10.0), v_step);
  const double total_s = static_cast<double>(plot.last_time_ms) / 1000.0;

  std::fprintf(out,
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\" "
               "viewBox=\"0 0 %d %d\" font-family=\"sans-serif\" font-size=\"12\">\n"
               "<title>%s</title>\n<rect width=\"100%%\" height=\"100%%\" fill=\"white\"/>\n"
               "<text x=\"%d\" y=\"22\" text-anchor=\"middle\" font-size=\"16\">%s</text>\n",
               WIDTH, HEIGHT, WIDTH, HEIGHT, Escaped(title).c_str(), WIDTH / 2,
               Escaped(title).c_str());
  Axis_Ticks(out, temperature, t_step, false, "black");
  Axis_Ticks(out, value, v_step, true, VALUE_COLOUR);
  Envelope(out, columns, BAND, temperature, BAND_COLOUR, 0.35);
  Envelope(out, columns, VALUE, value, VALUE_COLOUR, 0.2);
  Envelope(out, columns, TEMPERATURE, temperature, TEMPERATURE_COLOUR, 0.3);
  Mean_Line(out, columns, VALUE, value, VALUE_COLOUR);
  Mean_Line(out, columns, TEMPERATURE, temperature, TEMPERATURE_COLOUR);
  std::fprintf(out,
               "<rect x=\"%d\" y=\"%d\" width=\"%d\" height=\"%d\" fill=\"none\" "
               "stroke=\"black\"/>\n",
               LEFT, TOP, PLOT_W, PLOT_H);
  Time_Ticks(out, total_s);
  std::fprintf(out,
               "<text transform=\"translate(18 %d) rotate(-90)\" text-anchor=\"middle\">"
               "temperature (°C)</text>\n"
               "<text transform=\"translate(%d %d) rotate(90)\" text-anchor=\"middle\" "
               "fill=\"%s\">value sent to the EC</text>\n",
               TOP + PLOT_H / 2, WIDTH - 14, TOP + PLOT_H / 2, VALUE_COLOUR);
  Legend(out);
  std::fprintf(out, "</svg>\n");
  return std::ferror(out) == 0;
}
