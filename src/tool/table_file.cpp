#include "tool/table_file.h"

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
}

} // namespace

bool Read_All(std::FILE *file, std::string &text, std::string &error) {
  char buffer[4096];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
    text.append(buffer, got);
  }
  if (std::ferror(file) != 0) {
    error = std::strerror(errno);
    return false;
  }
  return true;
}

void Load_BuiltInTable(LoadedTable &table) {
  Start_Load(table);
  table.text.clear();
  table.trailing = TableField{};
}

bool Load_TableFile(const std::string &path, LoadedTable &table, std::string &error) {
  table.name = path;
  table.text.clear();
  // Binary, as the controller reads it.
  std::FILE *file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    error = std::strerror(errno);
    return false;
  }
  const bool read = Read_All(file, table.text, error);
  std::fclose(file);
  if (!read) {
    return false;
  }
  Start_Load(table);
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
    if (text[i] == '\n') {
      ++position.line;
      position.column = 1;
    } else {
      ++position.column;
    }
  }
  return position;
}

std::size_t Rows_Set(const LoadedTable &table) {
  return (table.fields.size() + ROW_SIZE - 1) / ROW_SIZE;
}
