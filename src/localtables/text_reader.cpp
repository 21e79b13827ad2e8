// Reading a text table's file and decoding its lines.
#include "localtables/text_reader.h"

#include <fstream>
#include <iterator>
#include <system_error>

#include "platform/prefix.h"

namespace fs = std::filesystem;

namespace prenos {

TTable::TextReader::TextReader(const fs::path& file, const std::string& label) {
  std::error_code ec;
  if (!fs::exists(file, ec))
    throw ELocalTable("Text table '" + label + "': file " + PathToText(file) + " does not exist",
                      true);
  if (fs::is_directory(file, ec))
    throw ELocalTable("Text table '" + label + "': " + PathToText(file) + " is a folder");
  std::ifstream in(file, std::ios::binary);
  if (!in) throw ELocalTable("Text table '" + label + "': cannot open " + PathToText(file));
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) throw ELocalTable("Text table '" + label + "': cannot read " + PathToText(file));
  text_ = DecodeTextLines(bytes);
}

bool TTable::TextReader::ReadLine(std::string& line) {
  if (next_ >= text_.Lines.size()) return false;
  line = text_.Lines[next_++];
  return true;
}

}  // namespace prenos
