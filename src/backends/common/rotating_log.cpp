#include "backends/common/rotating_log.h"

#include "common/console.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

// A file's bytes; 0 for one that cannot be read (a folder a reader made
// there holds no lines).
long File_Bytes(const char *path) {
  std::FILE *file = std::fopen(path, "rb");
  if (file == nullptr) {
    return 0;
  }
  // A folder opens on some systems, and fails its first read.
  const bool readable = std::fgetc(file) != EOF || std::ferror(file) == 0;
  const long bytes = readable && std::fseek(file, 0, SEEK_END) == 0 ? std::ftell(file) : 0;
  std::fclose(file);
  return bytes < 0 ? 0 : bytes;
}

// Nothing more is written until the next try; the failure is said once, and
// again only after the log was written in between.
void Stop_Writing(RotatingLog &log, std::uint64_t now_ms, const char *what) {
  char line[512];
  Text_Format(line, sizeof line,
              "thermal-control: cannot %s %s: %s; its lines are lost until it can be written "
              "again, tried once a minute\n",
              what, log.path, std::strerror(errno));
  if (log.file != nullptr) {
    std::fclose(log.file);
    log.file = nullptr;
  }
  log.retry_at_ms = now_ms + LOG_RETRY_MS;
  if (!log.failure_said) {
    log.failure_said = true;
    log.say(line);
  }
}

void Open(RotatingLog &log, const char *mode, std::uint64_t now_ms) {
  log.previous_bytes = File_Bytes(log.previous);
  log.file = std::fopen(log.path, mode);
  if (log.file == nullptr) {
    Stop_Writing(log, now_ms, "open");
    return;
  }
  std::fseek(log.file, 0, SEEK_END);
  log.bytes = std::ftell(log.file);
  log.line_begun = false;
}

// The log's lines, copied whole to `previous`.
bool Copy_To_Previous(const RotatingLog &log) {
  std::FILE *from = std::fopen(log.path, "rb");
  std::FILE *to = from != nullptr ? std::fopen(log.previous, "wb") : nullptr;
  bool copied = to != nullptr;
  char buffer[4096];
  for (std::size_t got; copied && (got = std::fread(buffer, 1, sizeof buffer, from)) > 0;) {
    copied = std::fwrite(buffer, 1, got, to) == got;
  }
  copied = copied && std::ferror(from) == 0;
  const int error = errno;
  if (to != nullptr) {
    copied = std::fclose(to) == 0 && copied;
  }
  if (from != nullptr) {
    std::fclose(from);
  }
  errno = error;
  return copied;
}

// A file that is open cannot be renamed on Windows: the log lets go of it
// first. Renamed, or else copied and emptied in place; a log that can be
// neither starts anew in place, and says so.
void Start_Anew(RotatingLog &log, const char *stamp, std::uint64_t now_ms) {
  const bool line_begun = log.line_begun;
  std::fclose(log.file);
  log.file = nullptr;
  std::remove(log.previous);
  const bool renamed = log.rename_file(log.path, log.previous) == 0;
  const bool copied = !renamed && Copy_To_Previous(log);
  const int error = errno;
  Open(log, renamed ? "ab" : "wb", now_ms);
  if (log.file != nullptr && !renamed && !copied) {
    char line[512];
    const std::size_t length =
        Text_Format(line, sizeof line,
                    "%sthermal-control: cannot rename %s to %s, nor copy it there: %s; the log "
                    "starts anew in place\n",
                    stamp, log.path, log.previous, std::strerror(error));
    std::fputs(line, log.file);
    log.bytes += static_cast<long>(std::min(length, sizeof line - 1));
    return;
  }
  // A line cut by the start anew goes on in the new log, without a stamp.
  log.line_begun = log.file != nullptr && line_begun;
}

// Whether `bytes` more could take the log past half the cap, or the two files
// past the cap.
bool Past_Share(const RotatingLog &log, long bytes) {
  return log.bytes + bytes > log.cap / 2 || log.bytes + bytes + log.previous_bytes > log.cap;
}

// A stamp at the text's start, unless it goes on a line, and after each of
// its line ends that more text follows.
long Stamps(const RotatingLog &log, const char *text, std::size_t size) {
  long stamps = log.line_begun || size == 0 ? 0 : 1;
  for (std::size_t i = 0; i + 1 < size; ++i) {
    stamps += text[i] == '\n' ? 1 : 0;
  }
  return stamps;
}

void Put(RotatingLog &log, const char *text, std::size_t size, const char *stamp) {
  for (std::size_t i = 0; i < size;) {
    if (!log.line_begun) {
      std::fputs(stamp, log.file);
      log.line_begun = true;
    }
    const char *end = static_cast<const char *>(std::memchr(text + i, '\n', size - i));
    const std::size_t line =
        end != nullptr ? static_cast<std::size_t>(end - text) + 1 - i : size - i;
    std::fwrite(text + i, 1, line, log.file);
    i += line;
    log.line_begun = text[i - 1] != '\n';
  }
}

} // namespace

void Log_Open(RotatingLog &log, std::uint64_t now_ms) { Open(log, "ab", now_ms); }

void Log_Write(RotatingLog &log, const char *text, std::size_t size, const char *stamp,
               std::uint64_t now_ms) {
  if (log.file == nullptr && now_ms >= log.retry_at_ms) {
    Open(log, "ab", now_ms);
  }
  if (log.file == nullptr) {
    return;
  }
  const long needed =
      static_cast<long>(size) + Stamps(log, text, size) * static_cast<long>(std::strlen(stamp));
  // At a line's start, room for the whole line, so that a line is cut only
  // by a text longer than the room.
  if (Past_Share(log, log.line_begun ? needed : std::max(needed, log.room))) {
    Start_Anew(log, stamp, now_ms);
  }
  if (log.file == nullptr || Past_Share(log, needed)) {
    return; // a text that no log of half the cap could take
  }
  Put(log, text, size, stamp);
  if (std::fflush(log.file) != 0 || std::ferror(log.file) != 0) {
    Stop_Writing(log, now_ms, "write");
    return;
  }
  log.bytes += needed;
  log.failure_said = false;
}

void Log_Close(RotatingLog &log) {
  if (log.file != nullptr) {
    std::fclose(log.file);
    log.file = nullptr;
  }
}
