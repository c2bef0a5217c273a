#pragma once

// An output file of thermal-table's, written whole or not at all: under a
// temporary name beside its target, moved into place once complete, so that
// a run that fails (a full disk, a bad input found late) leaves whatever
// stood there before. The standard output ("-", or a name that leads to the
// file it goes to), a device and a pipe are written as they are.

#include <cstdio>
#include <string>

struct OutputFile {
  std::string name;      // as given, for messages
  std::string target;    // where it goes, links followed
  std::string temporary; // empty where it is written in place
  std::FILE *file = nullptr;
};

// Whether the name is the standard output: "-", or the file it goes to.
[[nodiscard]] bool On_Standard_Output(const std::string &name);

// Opens the output. False, with the reason in `error` (naming the output),
// where it cannot be written: a folder stands there, or its folder refuses.
[[nodiscard]] bool Output_Open(OutputFile &output, const std::string &name, std::string &error);

// Completes the output in two steps, so that a run with two outputs can
// close both before it moves either into place: every byte written and the
// file closed, then moved into place. False, with the reason, where a step
// failed; nothing is then left under the temporary name.
[[nodiscard]] bool Output_Close(OutputFile &output, std::string &error);
[[nodiscard]] bool Output_Place(OutputFile &output, std::string &error);

// Gives the output up: closed, and the temporary file removed.
void Output_Abandon(OutputFile &output);
