// Conversions of the framework's loosely typed value and its texts of numbers and dates.
#include "odbc/variant.h"

#include <cctype>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "platform/convert.h"
#include "platform/exceptions.h"

namespace prenos::db {
namespace {

[[noreturn]] void CannotConvert(const char* from, const char* to) {
  throw EConvertError(std::string("Could not convert variant of type (") + from + ") into type (" +
                      to + ")");
}

const char* KindName(TVariant::TKind k) {
  switch (k) {
    case TVariant::TKind::Null: return "Null";
    case TVariant::TKind::Boolean: return "Boolean";
    case TVariant::TKind::Integer: return "Int64";
    case TVariant::TKind::Float: return "Double";
    case TVariant::TKind::DateTime: return "Date";
    case TVariant::TKind::Text: return "String";
    case TVariant::TKind::Array: return "Array";
  }
  return "Unknown";
}

std::string Two(int v) {
  char b[8];
  std::snprintf(b, sizeof b, "%02d", v);
  return b;
}

// Reads "hh:mm[:ss]" at position pos of s; true when it is there and valid.
bool ReadTime(const std::string& s, size_t pos, TDateTime& out) {
  int h = 0, n = 0, sec = 0, used = 0;
  const std::string rest = s.substr(pos);
  if (std::sscanf(rest.c_str(), "%2d:%2d:%2d%n", &h, &n, &sec, &used) == 3) {
  } else if (std::sscanf(rest.c_str(), "%2d:%2d%n", &h, &n, &used) == 2) {
    sec = 0;
  } else {
    return false;
  }
  if (Trim(rest.substr(static_cast<size_t>(used))).size() != 0) return false;
  if (h < 0 || h > 23 || n < 0 || n > 59 || sec < 0 || sec > 59) return false;
  out = EncodeTime(h, n, sec, 0);
  return true;
}

}  // namespace

TVariant TVariant::FromDateTime(TDateTime v) {
  TVariant r;
  r.v_ = DateTimeValue{v};
  return r;
}

TVariant TVariant::Array(std::vector<TVariant> elements) {
  TVariant r;
  r.v_ = std::move(elements);
  return r;
}

const std::vector<TVariant>& TVariant::Elements() const {
  static const std::vector<TVariant> none;
  if (auto* a = std::get_if<std::vector<TVariant>>(&v_)) return *a;
  return none;
}

std::string TVariant::AsString() const {
  switch (Kind()) {
    case TKind::Null: return {};
    case TKind::Boolean: return std::get<bool>(v_) ? "True" : "False";
    case TKind::Integer: return std::to_string(std::get<int64_t>(v_));
    case TKind::Float: return FloatToText(std::get<double>(v_));
    case TKind::DateTime: return DateTimeToText(std::get<DateTimeValue>(v_).value);
    case TKind::Text: return std::get<std::string>(v_);
    case TKind::Array: break;
  }
  CannotConvert("Array", "String");
}

int64_t TVariant::AsInt64() const {
  switch (Kind()) {
    case TKind::Null: return 0;
    case TKind::Boolean: return std::get<bool>(v_) ? -1 : 0;
    case TKind::Integer: return std::get<int64_t>(v_);
    case TKind::Float: return RoundHalfEven(std::get<double>(v_));
    case TKind::DateTime: return RoundHalfEven(std::get<DateTimeValue>(v_).value);
    case TKind::Text: {
      int64_t v = 0;
      if (!TryStrToInt64(Trim(std::get<std::string>(v_)), v)) CannotConvert("String", "Int64");
      return v;
    }
    case TKind::Array: break;
  }
  CannotConvert("Array", "Int64");
}

int32_t TVariant::AsInteger() const {
  const int64_t v = AsInt64();
  if (v < INT32_MIN || v > INT32_MAX) CannotConvert(KindName(Kind()), "Integer");
  return static_cast<int32_t>(v);
}

double TVariant::AsFloat() const {
  switch (Kind()) {
    case TKind::Null: return 0;
    case TKind::Boolean: return std::get<bool>(v_) ? -1 : 0;
    case TKind::Integer: return static_cast<double>(std::get<int64_t>(v_));
    case TKind::Float: return std::get<double>(v_);
    case TKind::DateTime: return std::get<DateTimeValue>(v_).value;
    case TKind::Text: {
      double v = 0;
      if (!TryStrToFloat(std::get<std::string>(v_), v)) CannotConvert("String", "Double");
      return v;
    }
    case TKind::Array: break;
  }
  CannotConvert("Array", "Double");
}

bool TVariant::AsBoolean() const {
  if (Kind() == TKind::Text) {
    std::string t = Trim(std::get<std::string>(v_));
    for (char& c : t) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (t == "true") return true;
    if (t == "false") return false;
    double v = 0;
    if (!TryStrToFloat(t, v)) CannotConvert("String", "Boolean");
    return v != 0;
  }
  if (Kind() == TKind::Boolean) return std::get<bool>(v_);
  return AsFloat() != 0;
}

TDateTime TVariant::AsDateTime() const {
  if (Kind() == TKind::Text) {
    TDateTime v = 0;
    if (!TryTextToDateTime(std::get<std::string>(v_), v)) CannotConvert("String", "Date");
    return v;
  }
  return AsFloat();
}

std::string FloatToText(double v) {
  if (std::isnan(v) || std::isinf(v)) return std::isnan(v) ? "NAN" : (v > 0 ? "INF" : "-INF");
  char b[40];
  for (int digits = 1; digits <= 15; ++digits) {
    std::snprintf(b, sizeof b, "%.*g", digits, v);
    if (std::strtod(b, nullptr) == v) break;
  }
  std::string s = b;
  const char sep = CurrentFormatSettings().DecimalSeparator;
  for (char& c : s)
    if (c == '.') c = sep;
  return s;
}

std::string DateToText(TDateTime v) {
  int y = 0, m = 0, d = 0;
  DecodeDate(v, y, m, d);
  const FormatSettings& fs = CurrentFormatSettings();
  const std::string sep(1, fs.DateSeparator);
  char year[8];
  std::snprintf(year, sizeof year, "%04d", y);
  switch (fs.Order) {
    case FormatSettings::DateOrder::MDY: return Two(m) + sep + Two(d) + sep + year;
    case FormatSettings::DateOrder::YMD: return year + sep + Two(m) + sep + Two(d);
    case FormatSettings::DateOrder::DMY: break;
  }
  return Two(d) + sep + Two(m) + sep + year;
}

std::string TimeToText(TDateTime v) {
  int h = 0, n = 0, s = 0, ms = 0;
  DecodeTime(v, h, n, s, ms);
  return Two(h) + ":" + Two(n) + ":" + Two(s);
}

std::string DateTimeToText(TDateTime v) {
  int h = 0, n = 0, s = 0, ms = 0;
  DecodeTime(v, h, n, s, ms);
  if (h == 0 && n == 0 && s == 0 && ms == 0) return DateToText(v);
  return DateToText(v) + " " + TimeToText(v);
}

bool TryTextToTime(const std::string& text, TDateTime& out) { return ReadTime(Trim(text), 0, out); }

bool TryTextToDateTime(const std::string& text, TDateTime& out) {
  const std::string s = Trim(text);
  int y = 0, m = 0, d = 0, used = 0;
  // The ISO form the statement's texts use.
  if (std::sscanf(s.c_str(), "%4d-%2d-%2d%n", &y, &m, &d, &used) == 3 && used == 10) {
    TDateTime date = 0;
    if (!TryEncodeDate(y, m, d, date)) return false;
    if (s.size() == 10) return out = date, true;
    TDateTime time = 0;
    if (s[10] != ' ' && s[10] != 'T') return false;
    // A fraction of a second (".000000000") is dropped.
    std::string rest = s.substr(11);
    if (const size_t dot = rest.find('.'); dot != std::string::npos) rest.erase(dot);
    if (!ReadTime(rest, 0, time)) return false;
    out = date + time;
    return true;
  }
  // The locale's short date, optionally followed by a time.
  const size_t blank = s.find(' ');
  TDateTime date = 0;
  if (!TryStrToDate(s.substr(0, blank), date)) return false;
  if (blank == std::string::npos) return out = date, true;
  TDateTime time = 0;
  if (!ReadTime(s, blank + 1, time)) return false;
  out = date + time;
  return true;
}

}  // namespace prenos::db
