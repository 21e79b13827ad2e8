// Editing rules of the date mask.
#include "app/date_mask.h"

namespace prenos {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

TDateMask::TDateMask(char separator) : separator_(separator), digits_(kLength, ' ') {
  digits_[2] = digits_[5] = separator_;
}

std::string TDateMask::Text() const { return digits_; }

std::string TDateMask::EditText() const {
  std::string s = digits_;
  for (int i = 0; i < kLength; ++i)
    if (!IsLiteral(i) && s[i] == ' ') s[i] = kBlankChar;
  return s;
}

void TDateMask::SetText(const std::string& text) {
  for (int i = 0; i < kLength; ++i) {
    if (IsLiteral(i)) continue;
    const char c = i < static_cast<int>(text.size()) ? text[i] : ' ';
    digits_[i] = IsDigit(c) ? c : ' ';
  }
}

int TDateMask::Type(int pos, char c) {
  if (pos < 0) pos = 0;
  if (IsDigit(c)) {
    const int p = NextEditable(pos);
    if (p >= kLength) return -1;
    digits_[p] = c;
    return NextEditable(p + 1);
  }
  if (c == separator_) {
    // Right after a separator (where typing two digits leaves the caret) it is the one typed.
    if (pos > 0 && pos <= kLength && IsLiteral(pos - 1)) return pos;
    for (int p = pos; p < kLength; ++p)
      if (IsLiteral(p)) return p + 1;
    return -1;
  }
  return -1;
}

void TDateMask::Clear(int from, int to) {
  for (int i = from < 0 ? 0 : from; i < to && i < kLength; ++i)
    if (!IsLiteral(i)) digits_[i] = ' ';
}

int TDateMask::NextEditable(int pos) {
  while (pos < kLength && IsLiteral(pos)) ++pos;
  return pos < kLength ? pos : kLength;
}

int TDateMask::PreviousEditable(int pos) {
  for (int p = pos - 1; p >= 0; --p)
    if (!IsLiteral(p)) return p;
  return -1;
}

int TDateMask::FirstMissing() const {
  for (int i = 0; i < kLength; ++i)
    if (IsRequired(i) && digits_[i] == ' ') return i;
  return -1;
}

}  // namespace prenos
