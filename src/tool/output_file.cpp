#include "tool/output_file.h"

#include "common/files.h"
#include "tool/shown.h"
#include "tool/tool_files.h"

#include <cerrno>
#include <cstring>

namespace {

constexpr const char *STANDARD_STREAM = "-";

std::string Cannot_Write(const OutputFile &output, const std::string &why) {
  return "cannot write " + Shown(output.name) + ": " + why;
}

} // namespace

bool On_Standard_Output(const std::string &name) {
  return name == STANDARD_STREAM || Is_Standard_Output(name);
}

bool Output_Open(OutputFile &output, const std::string &name, std::string &error) {
  output = OutputFile{name, name, {}, nullptr};
  if (On_Standard_Output(name)) {
    output.file = stdout;
    return true;
  }
  const char *kind_why = nullptr;
  switch (File_Kind(name.c_str(), kind_why)) {
  case FileKind::Folder:
    error = Cannot_Write(output, "it is a folder");
    return false;
  case FileKind::Unreachable:
    error = Cannot_Write(output, kind_why);
    return false;
  case FileKind::Other:
    output.file = File_Open(name.c_str(), "wb");
    if (output.file == nullptr) {
      error = Cannot_Write(output, std::strerror(errno));
    }
    return output.file != nullptr;
  case FileKind::Plain:
  case FileKind::Missing:
    break;
  }
  output.target = File_Behind(name);
  std::string why;
  output.file = Create_Beside(output.target, output.temporary, why);
  if (output.file == nullptr) {
    error = Cannot_Write(output, why);
  }
  return output.file != nullptr;
}

bool Output_Close(OutputFile &output, std::string &error) {
  std::FILE *file = output.file;
  output.file = nullptr;
  const bool flushed = std::fflush(file) == 0;
  const int flush_error = errno;
  const bool written = flushed && std::ferror(file) == 0;
  const bool closed = file == stdout || std::fclose(file) == 0;
  if (!written || !closed) {
    // The flush's reason where it failed; else the last write's, which set
    // the stream's error flag.
    error = Cannot_Write(output, std::strerror(flushed ? errno : flush_error));
    Output_Abandon(output);
    return false;
  }
  return true;
}

bool Output_Place(OutputFile &output, std::string &error) {
  std::string why;
  if (!output.temporary.empty() && !Replace_File(output.temporary, output.target, why)) {
    error = Cannot_Write(output, why);
    Output_Abandon(output);
    return false;
  }
  output.temporary.clear();
  return true;
}

void Output_Abandon(OutputFile &output) {
  if (output.file != nullptr && output.file != stdout) {
    std::fclose(output.file);
  }
  output.file = nullptr;
  if (!output.temporary.empty()) {
    Remove_File(output.temporary);
    output.temporary.clear();
  }
}
