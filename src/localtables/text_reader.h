// A text file read as a table: one record per line, in Windows-1250 whatever the file's
// encoding (see DecodeTextLines).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "localtables/table.h"
#include "platform/text_encoding.h"

namespace prenos {

struct TTable::TextReader {
  // Reads and decodes the whole file, since its encoding can only be told from all of it.
  // Raises ELocalTable (Missing() when the file does not exist; label names the table),
  // or ETextEncoding for a file that does not convert.
  TextReader(const std::filesystem::path& file, const std::string& label);

  // The next line without its line end; false after the last line.
  bool ReadLine(std::string& line);
  void Rewind() { next_ = 0; }
  int64_t CountLines() const { return static_cast<int64_t>(text_.Lines.size()); }
  TTextEncoding Encoding() const { return text_.Encoding; }

 private:
  TDecodedText text_;
  size_t next_ = 0;
};

}  // namespace prenos
