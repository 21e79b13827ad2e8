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

bool TryInt(const std::string& piece, int32_t& out, std::string& error) {
  if (TryStrToInt(piece, out)) return true;
  error = IntErrorMessage(piece);
  return false;
}

// The conversions report failure by value, not by raising: a file of bad lines costs
// no more than a file of good ones.
bool Fail(TLineFault& fault, const char* field, int first, int last, std::string detail) {
  fault = {field, first, last, std::move(detail)};
  return false;
}

// A conversion's raising form: its failure as EConvertError with the conversion's message.
template <typename T>
T Raising(bool (*attempt)(const std::string&, T&, std::string&), const std::string& piece) {
  T value{};
  std::string error;
  if (!attempt(piece, value, error)) throw EConvertError(error);
  return value;
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

bool TryCutPostingLine(const std::string& line, TPostingRecord& r, TLineFault& fault) {
  std::string error;
  if (!TryInt(Trim(Piece(line, 27, 6)), r.DsKupKnj, error))
    return Fail(fault, "DsKup_Knj", 27, 32, std::move(error));
  r.KzRacuna = Piece(line, 75, 10);
  r.KNaRacun = Piece(line, 85, 10);
  r.KStrM = Piece(line, 95, 10);
  r.KKupDob = Piece(line, 105, 10);
  r.KDokm = Piece(line, 125, 7);
  if (!TryPrenosDatum(Piece(line, 138, 10), r.DatZap, error))
    return Fail(fault, "DatZap", 138, 145, std::move(error));
  r.Vsebina = Piece(line, 146, 22);
  if (!TryPrenosNumber(Piece(line, 169, 17), r.Znesek, error))
    return Fail(fault, "Znesek", 169, 185, std::move(error));
  if (!TryPrenosDatum(Piece(line, 215, 10), r.DatVal, error))
    return Fail(fault, "DatVal", 215, 222, std::move(error));
  return true;
}

TPostingRecord CutPostingLine(const std::string& line, int64_t lineNumber) {
  TPostingRecord r;
  TLineFault fault;
  if (!TryCutPostingLine(line, r, fault))
    throw EImportLine(lineNumber, fault.Field, fault.First, fault.Last, fault.Detail);
  return r;
}

bool TryPrenosNumber(const std::string& piece, int64_t& out, std::string& error) {
  std::string s = Trim(piece);
  if (const size_t comma = s.find(','); comma != std::string::npos)
    s = s.substr(0, comma) + s.substr(comma + 1, 2);
  // Whole hundredths by the file's contract: no decimal point, no grouping, no exponent.
  const size_t digits = s.empty() || (s[0] != '+' && s[0] != '-') ? 0 : 1;
  bool valid = digits < s.size();
  for (size_t i = digits; valid && i < s.size(); ++i) valid = s[i] >= '0' && s[i] <= '9';
  if (!valid) {
    error = "'" + s + "' is not a valid floating point value";
    return false;
  }
  int64_t hundredths = 0;
  const char* end = s.data() + s.size();
  const auto [stop, ec] = std::from_chars(s.data() + digits, end, hundredths);
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max() / 100;
  if (ec != std::errc() || stop != end || hundredths > kMax) {
    error = "'" + s + "' is outside the range of an amount";
    return false;
  }
  out = (s[0] == '-' ? -hundredths : hundredths) * 100;
  return true;
}

int64_t PrenosNumber(const std::string& piece) { return Raising<int64_t>(TryPrenosNumber, piece); }

bool TryPrenosDatum(const std::string& piece, TDateTime& out, std::string& error) {
  int32_t day = 0, month = 0, year = 0;
  if (!TryInt(Piece(piece, 7, 2), day, error) || !TryInt(Piece(piece, 5, 2), month, error) ||
      !TryInt(Piece(piece, 1, 4), year, error))
    return false;
  if (TryEncodeDate(year, month, day, out)) return true;
  error = kBadDateMessage;
  return false;
}

TDateTime PrenosDatum(const std::string& piece) {
  return Raising<TDateTime>(TryPrenosDatum, piece);
}

}  // namespace prenos
