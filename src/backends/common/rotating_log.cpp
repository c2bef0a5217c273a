#include "backends/common/rotating_log.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace {

bool Point_Streams(const RotatingLog &log, const char *path, const char *mode) {
  bool pointed = true;
  for (std::FILE *stream : log.streams) {
    pointed = std::freopen(path, mode, stream) != nullptr && pointed;
  }
  return pointed;
}

// A plain file's bytes; 0 for anything else (a folder a reader made there
// holds no lines).
long File_Bytes(const char *path) {
  struct stat file {};
  return stat(path, &file) == 0 && S_ISREG(file.st_mode) ? static_cast<long>(file.st_size) : 0;
}

// The log's bytes now, both streams' lines in it.
long Log_Bytes(const RotatingLog &log) {
  for (std::FILE *stream : log.streams) {
    std::fflush(stream);
  }
  std::FILE *stream = log.streams[0];
  std::fseek(stream, 0, SEEK_END);
  return std::ftell(stream);
}

bool Write_Failed(const RotatingLog &log) {
  bool failed = false;
  for (std::FILE *stream : log.streams) {
    failed = std::ferror(stream) != 0 || failed;
  }
  return failed;
}

// Nothing more is written until the next try; the failure is said once, and
// again only after the log was written in between.
void Stop_Writing(RotatingLog &log, std::uint64_t now_ms, const char *what) {
  char line[512];
  std::snprintf(line, sizeof line,
                "thermal-control: cannot %s %s: %s; its lines are lost until it can be written "
                "again, tried once a minute\n",
                what, log.path, std::strerror(errno));
  static_cast<void>(Point_Streams(log, log.null_device, "w"));
  log.writing = false;
  log.retry_at_ms = now_ms + LOG_RETRY_MS;
  if (!log.failure_said) {
    log.failure_said = true;
    log.say(line);
  }
}

// Both streams append, so that neither writes over the other's lines; a log
// started anew in place is emptied first.
void Open(RotatingLog &log, bool empty_first, std::uint64_t now_ms) {
  log.previous_bytes = File_Bytes(log.previous);
  std::FILE *emptied = empty_first ? std::fopen(log.path, "w") : nullptr;
  if (emptied != nullptr) {
    std::fclose(emptied);
  }
  if ((!empty_first || emptied != nullptr) && Point_Streams(log, log.path, "a")) {
    log.writing = true;
    log.opened_bytes = Log_Bytes(log);
    return;
  }
  Stop_Writing(log, now_ms, "open");
}

// A file that is open cannot be renamed on Windows: the streams let go of it
// first. A log that cannot be renamed (a reader holds it, or the previous
// one, without sharing its deletion) is started anew in place, and says so.
void Start_Anew(RotatingLog &log, std::uint64_t now_ms) {
  static_cast<void>(Point_Streams(log, log.null_device, "w"));
  std::remove(log.previous);
  const bool renamed = std::rename(log.path, log.previous) == 0;
  const int error = errno;
  Open(log, !renamed, now_ms);
  if (log.writing && !renamed) {
    std::fprintf(log.streams[1],
                 "thermal-control: cannot rename %s to %s: %s; the log starts anew in place\n",
                 log.path, log.previous, std::strerror(error));
    std::fflush(log.streams[1]);
  }
}

} // namespace

void Log_Open(RotatingLog &log, std::uint64_t now_ms) { Open(log, false, now_ms); }

void Log_Keep(RotatingLog &log, std::uint64_t now_ms) {
  if (!log.writing) {
    if (now_ms >= log.retry_at_ms) {
      Open(log, false, now_ms);
      Log_Keep(log, now_ms);
    }
    return;
  }
  const long bytes = Log_Bytes(log);
  if (Write_Failed(log)) {
    Stop_Writing(log, now_ms, "write");
    return;
  }
  if (bytes > log.opened_bytes) {
    log.failure_said = false;
  }
  if (bytes + log.room > log.cap / 2 || bytes + log.room + log.previous_bytes > log.cap) {
    Start_Anew(log, now_ms);
  }
}
