#pragma once

// The simulated machine as the in-process tests of the controller use it: it
// reads its settings once a process, so every such test sets it up alike, in
// a scratch folder of its own that it works in.

#include <filesystem>
#include <string>

// Full speed, more temperatures than a run reads (90 each), and a trace in
// the folder, which becomes the current one.
std::filesystem::path Enter_Scratch_Dir(const char *name);
void Leave_Scratch_Dir(const std::filesystem::path &dir);

void Write_Table(const std::string &text);
