#include "common/text_source.h"

void Text_Start(TextSource &source, std::FILE *file) {
  source = TextSource{};
  source.file = file;
  for (int c; source.start_size < sizeof source.start && (c = std::fgetc(file)) != EOF;) {
    source.start[source.start_size++] = static_cast<std::uint8_t>(c);
  }
  source.bytes_read = source.start_size;
  source.decoder.encoding = Text_Encoding(source.start, source.start_size);
  source.start_at = Mark_Size(source.decoder.encoding);
}

int Text_Next(TextSource &source) {
  while (source.pending_at == source.pending_size) {
    if (source.ended) {
      return EOF;
    }
    source.pending_at = 0;
    const bool from_start = source.start_at < source.start_size;
    const int byte = from_start ? source.start[source.start_at++] : std::fgetc(source.file);
    if (byte == EOF) {
      source.ended = true;
      source.pending_size = Decode_End(source.decoder, source.pending);
      continue;
    }
    source.bytes_read += from_start ? 0 : 1;
    source.pending_size =
        Decode_Byte(source.decoder, static_cast<std::uint8_t>(byte), source.pending);
  }
  return source.pending[source.pending_at++];
}
