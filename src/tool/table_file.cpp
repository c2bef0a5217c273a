#include "tool/table_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

void Start_Load(LoadedTable &table) {
  table.encoding = TextEncoding::Unmarked;
  table.bytes = Built_In_Table();
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

std::string Decoded_Text(const std::string &bytes, TextEncoding &encoding) {
  const auto *start = reinterpret_cast<const std::uint8_t *>(bytes.data());
  encoding = Text_Encoding(start, std::min<std::size_t>(bytes.size(), 3));
  TextDecoder decoder{encoding};
  std::string text;
  std::uint8_t utf8[DECODED_MAX];
  for (std::size_t i = Mark_Size(encoding); i < bytes.size(); ++i) {
    text.append(reinterpret_cast<const char *>(utf8), Decode_Byte(decoder, start[i], utf8));
  }
  text.append(reinterpret_cast<const char *>(utf8), Decode_End(decoder, utf8));
  return text;
}

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
  std::string bytes;
  const bool read = Read_Counting(file, bytes, table.too_long, error);
  if (!standard_input) {
    std::fclose(file);
  }
  if (!read) {
    return false;
  }
  table.text = Decoded_Text(bytes, table.encoding);
  if (table.text.find('\0') != std::string::npos) {
    error = TABLE_NOT_TEXT;
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
