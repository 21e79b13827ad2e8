// A text file read as a table: one record per line, streamed, the bytes kept as they are.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "localtables/table.h"

namespace prenos {

struct TTable::TextReader {
  // Raises ELocalTable (Missing() when the file does not exist); label names the table.
  TextReader(const std::filesystem::path& file, const std::string& label);

  // The next line without its line end (LF, or CR LF); false after the last line. A last
  // line without a line end is still a line; an empty file has none.
  bool ReadLine(std::string& line);
  void Rewind();
  // Lines in the file, counted in blocks without disturbing the reading position.
  int64_t CountLines();

 private:
  std::filesystem::path file_;
  std::string label_;
  std::ifstream in_;
};

}  // namespace prenos
