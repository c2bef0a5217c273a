#pragma once

#include "tool/plot_columns.h"

#include <cstdio>
#include <string>
#include <vector>

// A plot of a run: the temperature over time inside the current row's band
// from its fall to its rise, and the value the EC runs on as a step line on
// an axis of its own. Each pixel column keeps its lowest and highest, so a
// day of cycles keeps its spikes. Plain SVG: no scripts, no external files.
[[nodiscard]] bool Write_Svg(const PlotColumns &plot, const std::string &title, std::FILE *out);
