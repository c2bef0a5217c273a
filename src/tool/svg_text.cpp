#include "tool/svg_text.h"

#include <cstdint>

namespace {

// How many bytes of well-formed UTF-8 start the text: a character XML may
// hold; 0 where its bytes are none.
std::size_t Character_Length(std::string_view text) {
  const auto lead = static_cast<unsigned char>(text[0]);
  if (lead < 0x80) {
    return lead >= 0x20 || lead == '\t' || lead == '\n' || lead == '\r' ? 1 : 0;
  }
  const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
  if (length == 0 || lead > 0xF4 || text.size() < length) {
    return 0;
  }
  std::uint32_t code = lead & (0x3Fu >> (length - 1));
  for (std::size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(text[i]);
    if ((next & 0xC0) != 0x80) {
      return 0;
    }
    code = code << 6 | (next & 0x3Fu);
  }
  const std::uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
  const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
  return code >= least[length] && code <= 0x10FFFF && !surrogate ? length : 0;
}

} // namespace

std::string Escaped(std::string_view text) {
  std::string out;
  while (!text.empty()) {
    const std::size_t length = Character_Length(text);
    const char c = text[0];
    if (length == 0) {
      out += "\xEF\xBF\xBD";
    } else if (c == '&' || c == '<' || c == '>' || c == '"') {
      out += c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : "&quot;";
    } else {
      out.append(text.substr(0, length));
    }
    text.remove_prefix(length == 0 ? 1 : length);
  }
  return out;
}
