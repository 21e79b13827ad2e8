// Cutting and converting one posting line.
#include "transfer/import_line.h"

#include <charconv>
#include <limits>

#include "platform/convert.h"

namespace prenos {
namespace {

// Characters start..start+length-1 (1-based) of s; fewer, or none, past its end.
std::string Piece(const std::string& s, size_t start, size_t length) {
  return start - 1 < s.size() ? s.substr(start - 1, length) : std::string();
}

// Runs one conversion; its failure becomes the line's error naming the field and the
// positions the conversion reads.
template <typename Convert>
auto Converted(int64_t line, const char* field, int first, int last, Convert convert) {
  try {
    return convert();
  } catch (const EConvertError& e) {
    throw EImportLine(line, field, first, last, e.Message());
  }
}

}  // namespace

EImportLine::EImportLine(int64_t line, std::string field, int first, int last, std::string detail)
    // "\x96" is the en dash of Windows-1250.
    : EConvertError("Napaka v vrstici " + std::to_string(line) + ", polje " + field + " (mesta " +
                    std::to_string(first) + "\x96" + std::to_string(last) + "):\n" + detail),
      line_(line),
      field_(std::move(field)),
      first_(first),
      last_(last),
      detail_(std::move(detail)) {}

TPostingRecord CutPostingLine(const std::string& line, int64_t lineNumber) {
  TPostingRecord r;
  r.DsKupKnj = Converted(lineNumber, "DsKup_Knj", 27, 32,
                         [&] { return StrToInt(Trim(Piece(line, 27, 6))); });
  r.KzRacuna = Piece(line, 75, 10);
  r.KNaRacun = Piece(line, 85, 10);
  r.KStrM = Piece(line, 95, 10);
  r.KKupDob = Piece(line, 105, 10);
  r.KDokm = Piece(line, 125, 7);
  r.DatZap =
      Converted(lineNumber, "DatZap", 138, 145, [&] { return PrenosDatum(Piece(line, 138, 10)); });
  r.Vsebina = Piece(line, 146, 22);
  r.Znesek =
      Converted(lineNumber, "Znesek", 169, 185, [&] { return PrenosNumber(Piece(line, 169, 17)); });
  r.DatVal =
      Converted(lineNumber, "DatVal", 215, 222, [&] { return PrenosDatum(Piece(line, 215, 10)); });
  return r;
}

int64_t PrenosNumber(const std::string& piece) {
  std::string s = Trim(piece);
  if (const size_t comma = s.find(','); comma != std::string::npos)
    s = s.substr(0, comma) + s.substr(comma + 1, 2);
  // Whole hundredths by the file's contract: no decimal point, no grouping, no exponent.
  const size_t digits = s.empty() || (s[0] != '+' && s[0] != '-') ? 0 : 1;
  bool valid = digits < s.size();
  for (size_t i = digits; valid && i < s.size(); ++i) valid = s[i] >= '0' && s[i] <= '9';
  if (!valid) throw EConvertError("'" + s + "' is not a valid floating point value");

  int64_t hundredths = 0;
  const char* end = s.data() + s.size();
  const auto [stop, ec] = std::from_chars(s.data() + digits, end, hundredths);
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max() / 100;
  if (ec != std::errc() || stop != end || hundredths > kMax)
    throw EConvertError("'" + s + "' is outside the range of an amount");
  return (s[0] == '-' ? -hundredths : hundredths) * 100;
}

TDateTime PrenosDatum(const std::string& piece) {
  const int day = StrToInt(Piece(piece, 7, 2));
  const int month = StrToInt(Piece(piece, 5, 2));
  const int year = StrToInt(Piece(piece, 1, 4));
  return EncodeDate(year, month, day);
}

}  // namespace prenos
