#include "tool/table_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

void Start_Load(LoadedTable &table) {
  table.bytes = BUILT_IN_TABLE;
  table.count = 0;
  table.fields.clear();
  table.too_many = false;
  table.too_many_at = NO_OFFSET;
  table.too_long = false;
}

// Reads an open file up to its first MiB, and one byte more to tell whether
// it goes on. False, with the reason, on a read error.
bool Read_Counting(std::FILE *file, std::string &text, bool &too_long, std::string &error) {
  char buffer[4096];
  const std::size_t most = TABLE_FILE_MAX_BYTES + 1;
  for (std::size_t got;
       text.size() < most &&
       (got = std::fread(buffer, 1, std::min(sizeof buffer, most - text.size()), file)) > 0;) {
    text.append(buffer, got);
  }
  if (std::ferror(file) != 0) {
    error = std::strerror(errno);
    return false;
  }
  too_long = text.size() > TABLE_FILE_MAX_BYTES;
  text.resize(std::min(text.size(), TABLE_FILE_MAX_BYTES));
  return true;
}

} // namespace

void Load_BuiltInTable(LoadedTable &table) {
  Start_Load(table);
  table.text.clear();
  table.trailing = TableField{};
}

bool Load_TableFile(const std::string &path, LoadedTable &table, std::string &error) {
  table.name = path;
  table.text.clear();
  const bool standard_input = path == STANDARD_INPUT;
  const char *why = nullptr;
  std::FILE *file = standard_input ? stdin : Open_TableFile(path.c_str(), why);
  if (file == nullptr) {
    error = why;
    return false;
  }
  Start_Load(table);
  const bool read = Read_Counting(file, table.text, table.too_long, error);
  if (!standard_input) {
    std::fclose(file);
  }
  if (!read) {
    return false;
  }
  TableReader reader;
  for (const char byte : table.text) {
    const TableByte got =
        Table_Feed(reader, table.bytes, table.count, static_cast<unsigned char>(byte));
    if (got == TableByte::Value) {
      table.fields.push_back(reader.last);
    } else if (got == TableByte::TooMany) {
      table.too_many = true;
      table.too_many_at = reader.offset - 1;
      break;
    }
  }
  table.trailing = table.too_many ? TableField{} : reader.field;
  return true;
}

TextPosition Position_Of(const std::string &text, std::size_t offset) {
  TextPosition position{1, 1};
  for (std::size_t i = 0; i < offset && i < text.size(); ++i) {
    const bool crlf = text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n';
    if ((text[i] == '\n' || text[i] == '\r') && !crlf) {
      ++position.line;
      position.column = 1;
    } else if (!crlf) {
      ++position.column;
    }
  }
  return position;
}

std::size_t Rows_Set(const LoadedTable &table) {
  return (table.fields.size() + ROW_SIZE - 1) / ROW_SIZE;
}
