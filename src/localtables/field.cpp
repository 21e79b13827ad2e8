// Reading and setting the fields of the current record, with the conversions between
// texts, numbers and dates.
#include <cmath>
#include <cstdio>
#include <limits>

#include "localtables/store.h"
#include "localtables/table.h"
#include "platform/convert.h"

namespace prenos {
namespace {

// Dates the calendar can hold: 1 January 1 to 31 December 9999.
constexpr double kMinDate = -693593.0;
constexpr double kMaxDate = 2958466.0;

std::string FloatText(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15g", v);
  std::string s = buf;
  for (char& c : s)
    if (c == '.') c = CurrentFormatSettings().DecimalSeparator;
  return s;
}

// The short date of the user's conventions, with the time when there is one.
std::string DateText(TDateTime v, bool withTime) {
  const FormatSettings& fs = CurrentFormatSettings();
  int y, m, d;
  DecodeDate(v, y, m, d);
  char dd[8], mm[8], yy[8];
  std::snprintf(dd, sizeof dd, "%02d", d);
  std::snprintf(mm, sizeof mm, "%02d", m);
  std::snprintf(yy, sizeof yy, "%04d", y);
  const std::string sep(1, fs.DateSeparator);
  std::string out;
  switch (fs.Order) {
    case FormatSettings::DateOrder::DMY: out = std::string(dd) + sep + mm + sep + yy; break;
    case FormatSettings::DateOrder::MDY: out = std::string(mm) + sep + dd + sep + yy; break;
    case FormatSettings::DateOrder::YMD: out = std::string(yy) + sep + mm + sep + dd; break;
  }
  int h, n, s, ms;
  DecodeTime(v, h, n, s, ms);
  if (withTime && (h || n || s)) {
    char t[16];
    std::snprintf(t, sizeof t, " %02d:%02d:%02d", h, n, s);
    out += t;
  }
  return out;
}

// A date as the files keep it, or the user's short date with an optional hh:mm[:ss].
bool ParseDateText(const std::string& text, TDateTime& out) {
  const std::string t = Trim(text);
  if (ParseIsoDateTime(t, out)) return true;
  const size_t blank = t.find(' ');
  TDateTime date;
  if (!TryStrToDate(t.substr(0, blank), date)) return false;
  if (blank == std::string::npos) {
    out = date;
    return true;
  }
  int h = 0, n = 0, s = 0;
  char extra = 0;
  const std::string time = Trim(t.substr(blank));
  const int got = std::sscanf(time.c_str(), "%2d:%2d:%2d%c", &h, &n, &s, &extra);
  if (got < 2 || got > 3 || h < 0 || h > 23 || n < 0 || n > 59 || s < 0 || s > 59) return false;
  out = date + (h * 3600.0 + n * 60.0 + s) / 86400.0;
  return true;
}

bool IsDate(TFieldType t) { return t == TFieldType::Date || t == TFieldType::DateTime; }

}  // namespace

void TField::Fail(const std::string& what) const {
  throw ELocalTable("Table '" + table_.DisplayName() + "', field '" + def_.Name + "': " + what);
}

void TField::CheckWritable() const {
  if (!table_.Active() || !table_.Appending()) Fail("the table is not appending a record");
}

bool TField::IsNull() const { return kind_ == Kind::Null; }

void TField::CheckReadable() const {
  if (kind_ == Kind::Bad) Fail("holds '" + text_ + "', which does not fit the field's type");
}

std::string TField::AsString() const {
  CheckReadable();
  switch (kind_) {
    case Kind::Null:
    case Kind::Bad: return {};
    case Kind::Int: return std::to_string(int_);
    case Kind::Real:
      return IsDate(def_.DataType) ? DateText(real_, def_.DataType == TFieldType::DateTime)
                                   : FloatText(real_);
    case Kind::Text:
      // Store tables drop trailing blanks of string fields, so a field of blanks reads
      // as empty; memos and the lines of a text table come back exactly.
      if (def_.DataType == TFieldType::String && table_.TableType() == TTableType::Default) {
        size_t end = text_.size();
        while (end > 0 && text_[end - 1] == ' ') --end;
        return text_.substr(0, end);
      }
      return text_;
  }
  return {};
}

template <class T>
T TField::ParsedText(bool (*parse)(const std::string&, T&), const char* what) const {
  const std::string t = AsString();
  T v;
  if (t.empty()) return 0;
  if (!parse(t, v)) Fail("'" + t + "' is not a valid " + what);
  return v;
}

double TField::AsFloat() const {
  CheckReadable();
  switch (kind_) {
    case Kind::Null:
    case Kind::Bad: return 0;
    case Kind::Int: return static_cast<double>(int_);
    case Kind::Real: return real_;
    case Kind::Text: return ParsedText<double>(TryStrToFloat, "floating point value");
  }
  return 0;
}

int32_t TField::AsInteger() const {
  CheckReadable();
  switch (kind_) {
    case Kind::Null:
    case Kind::Bad: return 0;
    case Kind::Int:
      // Only values written by other tools can lie outside the 32-bit range.
      if (int_ < std::numeric_limits<int32_t>::min() || int_ > std::numeric_limits<int32_t>::max())
        Fail(std::to_string(int_) + " is out of the integer range");
      return static_cast<int32_t>(int_);
    case Kind::Real:
      if (IsDate(def_.DataType)) Fail("a date cannot be read as an integer");
      if (!(std::fabs(real_) < 2147483648.0))
        Fail("'" + FloatText(real_) + "' is out of the integer range");
      return static_cast<int32_t>(RoundHalfEven(real_));
    case Kind::Text: return ParsedText<int32_t>(TryStrToInt, "integer value");
  }
  return 0;
}

TDateTime TField::AsDateTime() const {
  CheckReadable();
  switch (kind_) {
    case Kind::Null:
    case Kind::Bad: return 0;
    case Kind::Int: Fail("an integer cannot be read as a date");
    case Kind::Real: return real_;
    case Kind::Text: return ParsedText<TDateTime>(ParseDateText, "date");
  }
  return 0;
}

void TField::SetAsString(const std::string& value) {
  CheckWritable();
  if (value.empty()) {
    Clear();
    return;
  }
  switch (def_.DataType) {
    case TFieldType::String:
    case TFieldType::Memo:
      text_ = def_.DataType == TFieldType::String && def_.Size > 0 &&
                      value.size() > static_cast<size_t>(def_.Size)
                  ? value.substr(0, static_cast<size_t>(def_.Size))
                  : value;
      kind_ = Kind::Text;
      break;
    case TFieldType::Integer:
    case TFieldType::SmallInt: {
      int64_t v;
      if (!TryStrToInt64(value, v)) Fail("'" + value + "' is not a valid integer value");
      SetAsInteger(v);
      return;
    }
    case TFieldType::Float: {
      double v;
      if (!TryStrToFloat(value, v)) Fail("'" + value + "' is not a valid floating point value");
      SetAsFloat(v);
      return;
    }
    case TFieldType::Date:
    case TFieldType::DateTime: {
      TDateTime v;
      if (!ParseDateText(value, v)) Fail("'" + value + "' is not a valid date");
      SetAsDateTime(v);
      return;
    }
  }
  table_.modified_ = true;
}

void TField::SetAsInteger(int64_t value) {
  CheckWritable();
  switch (def_.DataType) {
    case TFieldType::Integer:
    case TFieldType::SmallInt: {
      const bool small = def_.DataType == TFieldType::SmallInt;
      const int64_t lo =
          small ? std::numeric_limits<int16_t>::min() : std::numeric_limits<int32_t>::min();
      const int64_t hi =
          small ? std::numeric_limits<int16_t>::max() : std::numeric_limits<int32_t>::max();
      if (value < lo || value > hi)
        Fail(std::to_string(value) + " is not in the range " + std::to_string(lo) + " to " +
             std::to_string(hi));
      kind_ = Kind::Int;
      int_ = value;
      break;
    }
    case TFieldType::Float:
      kind_ = Kind::Real;
      real_ = static_cast<double>(value);
      break;
    case TFieldType::String:
    case TFieldType::Memo: SetAsString(std::to_string(value)); return;
    case TFieldType::Date:
    case TFieldType::DateTime: Fail("a date cannot be set from an integer");
  }
  table_.modified_ = true;
}

void TField::SetAsFloat(double value) {
  CheckWritable();
  if (!std::isfinite(value)) Fail("not a valid floating point value");
  switch (def_.DataType) {
    case TFieldType::Integer:
    case TFieldType::SmallInt:
      if (!(std::fabs(value) < 9.2e18))
        Fail("'" + FloatText(value) + "' is out of the integer range");
      SetAsInteger(RoundHalfEven(value));
      return;
    case TFieldType::Float:
      kind_ = Kind::Real;
      real_ = value;
      break;
    case TFieldType::String:
    case TFieldType::Memo: SetAsString(FloatText(value)); return;
    case TFieldType::Date:
    case TFieldType::DateTime: SetAsDateTime(value); return;
  }
  table_.modified_ = true;
}

void TField::SetAsDateTime(TDateTime value) {
  CheckWritable();
  if (!(value >= kMinDate && value < kMaxDate)) Fail("the date is outside years 1 to 9999");
  switch (def_.DataType) {
    case TFieldType::Date:
      kind_ = Kind::Real;
      real_ = std::trunc(value);
      break;
    case TFieldType::DateTime:
    case TFieldType::Float:
      kind_ = Kind::Real;
      real_ = value;
      break;
    case TFieldType::String:
    case TFieldType::Memo: SetAsString(DateText(value, true)); return;
    case TFieldType::Integer:
    case TFieldType::SmallInt: Fail("an integer field cannot be set from a date");
  }
  table_.modified_ = true;
}

void TField::Clear() {
  CheckWritable();
  kind_ = Kind::Null;
  text_.clear();
  table_.modified_ = true;
}

}  // namespace prenos
