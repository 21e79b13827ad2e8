// ASCII-only letter case, independent of the process locale.
#include "platform/text_case.h"

#include <algorithm>

namespace prenos {
namespace {

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

bool SameText(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) { return AsciiUpper(x) == AsciiUpper(y); });
}

std::string UpperCase(std::string text) {
  std::ranges::transform(text, text.begin(), AsciiUpper);
  return text;
}

}  // namespace prenos
