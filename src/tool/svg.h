#pragma once

#include "tool/plot_columns.h"

#include <cstdio>
#include <string>

// A plot of a run: the temperature over time inside the band over which the
// current row holds, and the value the EC runs on on an axis of its own
// whose ticks share the temperature's grid lines. A short run is drawn a
// point a cycle, with the value as a step; a long one as each pixel column's
// lowest to highest and mean, which keeps a day's spikes in sight. The title
// names the table, the span and the source, and the line under it the time
// scale. Plain SVG: no scripts, no external files. A write that fails leaves
// the stream's error flag set.
void Write_Svg(const PlotColumns &plot, const std::string &table_name, const std::string &source,
               std::FILE *out);
