// libFuzzer target: arbitrary bytes as the text of a posting file, in memory. The lines
// decoded must be the text's own (Windows-1250 bytes kept exactly, UTF-8 and UTF-16 read
// back losslessly); the first line then cut and converted must give the pieces at their
// positions, a plain amount as its digits in hundredths (the comma rule), a real date as
// that day, and a failure only as the error of the first field that does not convert.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/codepage.h"
#include "platform/convert.h"
#include "platform/text_encoding.h"
#include "transfer/import_line.h"

namespace {

using prenos::TTextEncoding;

[[noreturn]] void Fault(const char* what, const std::string& text) {
  std::fprintf(stderr, "posting line fault: %s\n  text: [%s]\n", what, text.c_str());
  std::abort();
}

// Characters start..start+length-1 (1-based) of s, as the layout counts them.
std::string Piece(const std::string& s, size_t start, size_t length) {
  return start - 1 < s.size() ? s.substr(start - 1, length) : std::string();
}

bool Digits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

// Lines at LF, one CR before it (or before the end of the text) dropped; no line after
// a last line end.
std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t nl = text.find('\n', start);
    const bool last = nl == std::string_view::npos;
    std::string line(text.substr(start, last ? std::string_view::npos : nl - start));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = last ? text.size() : nl + 1;
  }
  return lines;
}

std::string Utf16(const std::vector<std::string>& lines, bool bigEndian) {
  std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  const auto unit = [&](char32_t u) {
    const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
    out += bigEndian ? hi : lo;
    out += bigEndian ? lo : hi;
  };
  for (const std::string& line : lines) {
    const std::string utf8 = prenos::Cp1250ToUtf8Exact(line) + "\r\n";
    char32_t cp;
    size_t length;
    for (size_t i = 0; i < utf8.size(); i += length) {
      if (!prenos::DecodeUtf8At(utf8, i, cp, length))
        Fault("a decoded line is not one of characters", line);
      unit(cp);  // Windows-1250 has no character outside the basic plane
    }
  }
  return out;
}

void CheckDecoding(std::string_view bytes, const prenos::TDecodedText& decoded) {
  const std::string all(bytes);
  switch (decoded.Encoding) {
    case TTextEncoding::Windows1250:
      if (decoded.Lines != SplitLines(bytes)) Fault("Windows-1250 bytes are not kept exactly", all);
      return;
    case TTextEncoding::Utf8:
    case TTextEncoding::Utf8Bom: {
      const std::vector<std::string> original =
          SplitLines(bytes.substr(decoded.Encoding == TTextEncoding::Utf8Bom ? 3 : 0));
      if (original.size() != decoded.Lines.size())
        Fault("UTF-8 text gives another number of lines", all);
      for (size_t i = 0; i < original.size(); ++i)
        if (prenos::Cp1250ToUtf8Exact(decoded.Lines[i]) != original[i])
          Fault("a UTF-8 line does not read back", all);
      return;
    }
    case TTextEncoding::Utf16LE:
    case TTextEncoding::Utf16BE: {
      const bool be = decoded.Encoding == TTextEncoding::Utf16BE;
      prenos::TDecodedText again;
      prenos::TTextFault fault;
      if (!prenos::TryDecodeTextLines(Utf16(decoded.Lines, be), again, fault) ||
          again.Encoding != decoded.Encoding || again.Lines != decoded.Lines)
        Fault("UTF-16 lines written again read differently", all);
      return;
    }
  }
}

// What an amount piece must give: digits with an optional sign, at most the first two
// characters after the first comma joined to them, in hundredths. False when the piece
// is not of that form (it must then be refused).
bool ExpectedAmount(const std::string& piece, int64_t& out, bool& tooLarge) {
  std::string s = prenos::Trim(piece);
  if (const size_t comma = s.find(','); comma != std::string::npos)
    s = s.substr(0, comma) + s.substr(comma + 1, 2);
  const bool sign = !s.empty() && (s[0] == '-' || s[0] == '+');
  const std::string digits = s.substr(sign ? 1 : 0);
  if (!Digits(digits)) return false;
  const size_t first = digits.find_first_not_of('0');
  const std::string significant = first == std::string::npos ? "0" : digits.substr(first);
  tooLarge =
      significant.size() > 17 || (significant.size() == 17 && significant > "92233720368547758");
  out = tooLarge ? 0 : std::stoll(significant) * 100 * (s[0] == '-' ? -1 : 1);
  return true;
}

bool AmountConverts(const std::string& piece, int64_t& got) {
  int64_t expected = 0;
  bool tooLarge = false;
  const bool plain = ExpectedAmount(piece, expected, tooLarge);
  std::string error;
  if (!prenos::TryPrenosNumber(piece, got, error)) {
    if (plain && !tooLarge) Fault("a plain amount is refused", piece);
    return false;
  }
  if (!plain || tooLarge) Fault("an amount that is not sign and digits is accepted", piece);
  if (got != expected) Fault("an amount converts to another value", piece);
  return true;
}

int DaysInMonth(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
  return month == 2 && leap ? 29 : kDays[month - 1];
}

bool DateConverts(const std::string& piece, prenos::TDateTime& got) {
  const std::string y = Piece(piece, 1, 4), m = Piece(piece, 5, 2), d = Piece(piece, 7, 2);
  const bool plain = y.size() == 4 && m.size() == 2 && d.size() == 2 && Digits(y + m + d);
  const int year = plain ? std::stoi(y) : 0, month = plain ? std::stoi(m) : 0,
            day = plain ? std::stoi(d) : 0;
  const bool real = plain && year >= 1 && month >= 1 && month <= 12 && day >= 1 &&
                    day <= DaysInMonth(year, month);
  std::string error;
  if (!prenos::TryPrenosDatum(piece, got, error)) {
    if (real) Fault("a real day is refused", piece);
    return false;
  }
  int gy = 0, gm = 0, gd = 0;
  prenos::DecodeDate(got, gy, gm, gd);
  if (plain && !real) Fault("a day that does not exist is accepted", piece);
  if (real && (gy != year || gm != month || gd != day))
    Fault("a date decodes to another day", piece);
  return true;
}

void CheckLine(const std::string& line) {
  // The fields that convert, in the order they are converted, with what the layout reads.
  struct Converted {
    const char* Field;
    int First, Last;
    bool Ok;
  };
  int32_t doc = 0;
  prenos::TDateTime datZap = 0, datVal = 0;
  int64_t znesek = 0;
  const Converted fields[] = {
      {"DsKup_Knj", 27, 32, prenos::TryStrToInt(prenos::Trim(Piece(line, 27, 6)), doc)},
      {"DatZap", 138, 145, DateConverts(Piece(line, 138, 10), datZap)},
      {"Znesek", 169, 185, AmountConverts(Piece(line, 169, 17), znesek)},
      {"DatVal", 215, 222, DateConverts(Piece(line, 215, 10), datVal)},
  };
  const Converted* failing = nullptr;
  for (const Converted& f : fields)
    if (!f.Ok && !failing) failing = &f;

  prenos::TPostingRecord r;
  prenos::TLineFault fault;
  if (!prenos::TryCutPostingLine(line, r, fault)) {
    if (!failing) Fault("a line whose fields all convert is refused", line);
    if (fault.Field != failing->Field || fault.First != failing->First ||
        fault.Last != failing->Last || fault.Detail.empty())
      Fault("a refused line names another field or place", line);
    return;
  }
  if (failing) Fault("a line with a field that does not convert is accepted", line);
  if (r.DsKupKnj != doc || r.DatZap != datZap || r.Znesek != znesek || r.DatVal != datVal)
    Fault("a converted field differs from its piece's conversion", line);
  if (r.KzRacuna != Piece(line, 75, 10) || r.KNaRacun != Piece(line, 85, 10) ||
      r.KStrM != Piece(line, 95, 10) || r.KKupDob != Piece(line, 105, 10) ||
      r.KDokm != Piece(line, 125, 7) || r.Vsebina != Piece(line, 146, 22))
    Fault("a text piece is not cut at its place", line);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  prenos::TDecodedText decoded;
  prenos::TTextFault fault;
  if (!prenos::TryDecodeTextLines(bytes, decoded, fault)) {
    // Only text that names its encoding by a mark may be refused.
    const bool marked = bytes.starts_with("\xEF\xBB\xBF") || bytes.starts_with("\xFF\xFE") ||
                        bytes.starts_with("\xFE\xFF");
    if (!marked || fault.Line < 1 || fault.Column < 1 || fault.Detail.empty())
      Fault("unmarked text is refused", std::string(bytes));
    return 0;
  }
  CheckDecoding(bytes, decoded);
  // One line is cut per input: the lines of a file are cut alike, one by one.
  if (!decoded.Lines.empty()) CheckLine(decoded.Lines.front());
  return 0;
}
