// Streaming line reader of text tables.
#include "localtables/text_reader.h"

#include <system_error>
#include <vector>

#include "platform/prefix.h"

namespace fs = std::filesystem;

namespace prenos {

TTable::TextReader::TextReader(const fs::path& file, const std::string& label)
    : file_(file), label_(label) {
  std::error_code ec;
  if (!fs::exists(file, ec))
    throw ELocalTable("Text table '" + label + "': file " + PathToText(file) + " does not exist",
                      true);
  if (fs::is_directory(file, ec))
    throw ELocalTable("Text table '" + label + "': " + PathToText(file) + " is a folder");
  in_.open(file, std::ios::binary);
  if (!in_) throw ELocalTable("Text table '" + label + "': cannot open " + PathToText(file));
}

bool TTable::TextReader::ReadLine(std::string& line) {
  if (!std::getline(in_, line)) {
    if (in_.bad())
      throw ELocalTable("Text table '" + label_ + "': cannot read " + PathToText(file_));
    return false;
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

void TTable::TextReader::Rewind() {
  in_.clear();
  in_.seekg(0);
  if (!in_) throw ELocalTable("Text table '" + label_ + "': cannot read " + PathToText(file_));
}

int64_t TTable::TextReader::CountLines() {
  std::ifstream in(file_, std::ios::binary);
  if (!in) throw ELocalTable("Text table '" + label_ + "': cannot open " + PathToText(file_));
  std::vector<char> block(1 << 16);
  int64_t lines = 0;
  char last = '\n';
  while (in) {
    in.read(block.data(), static_cast<std::streamsize>(block.size()));
    const std::streamsize got = in.gcount();
    for (std::streamsize i = 0; i < got; ++i) lines += block[static_cast<size_t>(i)] == '\n';
    if (got > 0) last = block[static_cast<size_t>(got - 1)];
  }
  if (in.bad()) throw ELocalTable("Text table '" + label_ + "': cannot read " + PathToText(file_));
  return lines + (last != '\n');
}

}  // namespace prenos
