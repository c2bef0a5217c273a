#pragma once

#include <cstddef>

// Whether SIGTERM or SIGINT has asked the program to end: it then ends at
// its next pause, after the cycle under way.
[[nodiscard]] bool Posix_EndAsked();

// The metrics file's folder on a POSIX system: the one
// THERMAL_CONTROL_METRICS_DIR names, where it is set (set but empty: none);
// else `exporter_folder`, where one is given and exists. False when there is
// none, or it does not fit.
[[nodiscard]] bool Posix_MetricsFolder(const char *exporter_folder, char *folder, std::size_t size);
