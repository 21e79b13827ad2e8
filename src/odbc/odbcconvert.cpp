// Buffer <-> text, number and date-time conversions of the statement, and text helpers.
#include "odbc/odbcconvert.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "odbc/hbase.h"
#include "platform/convert.h"

namespace prenos {
namespace {

template <typename T>
T Load(const void* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

template <typename T>
void Store(void* p, T v) {
  std::memcpy(p, &v, sizeof v);
}

bool IsIntegerType(SQLSMALLINT t) {
  switch (t) {
    case SQL_C_TINYINT:
    case SQL_C_STINYINT:
    case SQL_C_UTINYINT:
    case SQL_C_SHORT:
    case SQL_C_SSHORT:
    case SQL_C_USHORT:
    case SQL_C_LONG:
    case SQL_C_SLONG:
    case SQL_C_ULONG:
    case SQL_C_SBIGINT:
    case SQL_C_UBIGINT: return true;
    default: return false;
  }
}

// The value of an integer or bit buffer as a signed 64-bit number.
int64_t LoadInteger(const void* p, SQLSMALLINT t) {
  switch (t) {
    case SQL_C_TINYINT:
    case SQL_C_STINYINT: return Load<int8_t>(p);
    case SQL_C_UTINYINT:
    case SQL_C_BIT: return Load<uint8_t>(p);
    case SQL_C_SHORT:
    case SQL_C_SSHORT: return Load<int16_t>(p);
    case SQL_C_USHORT: return Load<uint16_t>(p);
    case SQL_C_LONG:
    case SQL_C_SLONG: return Load<int32_t>(p);
    case SQL_C_ULONG: return Load<uint32_t>(p);
    case SQL_C_SBIGINT: return Load<int64_t>(p);
    case SQL_C_UBIGINT: return static_cast<int64_t>(Load<uint64_t>(p));
    default: return 0;
  }
}

std::string Pad(long v, int width) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%0*ld", width, v);
  return buf;
}

std::string DateText(const SQL_DATE_STRUCT& d) {
  return Pad(d.year, 2) + "-" + Pad(d.month, 2) + "-" + Pad(d.day, 2);
}

std::string TimeText(const SQL_TIME_STRUCT& t) {
  return Pad(t.hour, 2) + ":" + Pad(t.minute, 2) + ":" + Pad(t.second, 2);
}

// Digits at 0-based [pos, pos + count) of s as a number; false when any is not a digit.
bool Digits(const std::string& s, size_t pos, size_t count, int& out) {
  if (pos + count > s.size()) return false;
  out = 0;
  for (size_t i = pos; i < pos + count; ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    out = out * 10 + (s[i] - '0');
  }
  return true;
}

bool TextToDate(const std::string& s, SQL_DATE_STRUCT& d) {
  int y, m, day;
  if (s.size() < 10 || !Digits(s, 0, 4, y) || !Digits(s, 5, 2, m) || !Digits(s, 8, 2, day))
    return false;
  d.year = static_cast<SQLSMALLINT>(y);
  d.month = static_cast<SQLUSMALLINT>(m);
  d.day = static_cast<SQLUSMALLINT>(day);
  return true;
}

bool TextToTime(const std::string& s, size_t at, SQL_TIME_STRUCT& t) {
  int h, n, sec;
  if (!Digits(s, at, 2, h) || !Digits(s, at + 3, 2, n) || !Digits(s, at + 6, 2, sec)) return false;
  t.hour = static_cast<SQLUSMALLINT>(h);
  t.minute = static_cast<SQLUSMALLINT>(n);
  t.second = static_cast<SQLUSMALLINT>(sec);
  return true;
}

}  // namespace

SQLSMALLINT CTypeSize(SQLSMALLINT t) {
  switch (t) {
    case SQL_C_CHAR:
    case SQL_C_BINARY: return 256;
    case SQL_C_FLOAT:
    case SQL_C_LONG:
    case SQL_C_SLONG:
    case SQL_C_ULONG: return 4;
    case SQL_C_DOUBLE:
    case SQL_C_SBIGINT:
    case SQL_C_UBIGINT: return 8;
    case SQL_C_TYPE_DATE:
    case SQL_C_TYPE_TIME: return 6;
    case SQL_C_TYPE_TIMESTAMP: return 16;
    case SQL_C_TINYINT:
    case SQL_C_STINYINT:
    case SQL_C_UTINYINT:
    case SQL_C_BIT: return 1;
    case SQL_C_SHORT:
    case SQL_C_SSHORT:
    case SQL_C_USHORT: return 2;
    default: return 0;
  }
}

SQLSMALLINT CTypeToSQLType(SQLSMALLINT t) {
  switch (t) {
    case SQL_C_CHAR: return SQL_CHAR;
    case SQL_C_FLOAT: return SQL_REAL;
    case SQL_C_DOUBLE: return SQL_DOUBLE;
    case SQL_C_TYPE_DATE: return SQL_TYPE_DATE;
    case SQL_C_TYPE_TIME: return SQL_TYPE_TIME;
    case SQL_C_TYPE_TIMESTAMP: return SQL_TYPE_TIMESTAMP;
    case SQL_C_TINYINT:
    case SQL_C_STINYINT:
    case SQL_C_UTINYINT: return SQL_TINYINT;
    case SQL_C_SHORT:
    case SQL_C_SSHORT:
    case SQL_C_USHORT: return SQL_SMALLINT;
    case SQL_C_LONG:
    case SQL_C_SLONG:
    case SQL_C_ULONG: return SQL_INTEGER;
    case SQL_C_SBIGINT:
    case SQL_C_UBIGINT: return SQL_BIGINT;
    case SQL_C_BIT: return SQL_BIT;
    case SQL_C_BINARY: return SQL_BINARY;
    default: return 99;
  }
}

std::string FloatToSciText(double v) {
  if (std::isnan(v)) return " NAN";
  if (std::isinf(v)) return v < 0 ? "-INF" : " INF";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.14E", std::fabs(v));
  const char* e = std::strchr(buf, 'E');
  const int exponent = std::atoi(e + 1);
  std::string out(v < 0 ? "-" : " ");
  out.append(buf, e - buf);
  out += exponent < 0 ? "E-" : "E+";
  out += Pad(std::abs(exponent), 4);
  return out;
}

std::string BufferToText(const void* p, SQLSMALLINT t, TStringTrimming trimming) {
  std::string s;
  switch (t) {
    case SQL_C_CHAR: s = static_cast<const char*>(p); break;
    case SQL_C_FLOAT: s = FloatToSciText(Load<float>(p)); break;
    case SQL_C_DOUBLE: s = FloatToSciText(Load<double>(p)); break;
    case SQL_C_BIT: s = Load<uint8_t>(p) ? "1" : "0"; break;
    case SQL_C_TYPE_DATE: s = DateText(Load<SQL_DATE_STRUCT>(p)); break;
    case SQL_C_TYPE_TIME: s = TimeText(Load<SQL_TIME_STRUCT>(p)); break;
    case SQL_C_TYPE_TIMESTAMP: {
      const auto ts = Load<SQL_TIMESTAMP_STRUCT>(p);
      s = DateText(TimestampToDate(ts)) + " " + TimeText(TimestampToTime(ts)) + "." +
          Pad(ts.fraction, 9);
      break;
    }
    default:
      if (IsIntegerType(t)) s = std::to_string(LoadInteger(p, t));
      break;
  }
  return TrimByMode(s, trimming);
}

bool TextToDouble(const std::string& text, double& out) {
  std::string s = Trim(text);
  if (!s.empty() && s[0] == '+') s.erase(0, 1);
  if (s.empty()) return false;
  double v = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size()) return false;
  out = v;
  return true;
}

bool TextToInteger(const std::string& text, int32_t& out) { return TryStrToInt(Trim(text), out); }

double BufferToDouble(const void* p, SQLSMALLINT t) {
  switch (t) {
    case SQL_C_CHAR: {
      double v = 0;
      return TextToDouble(static_cast<const char*>(p), v) ? v : 0;
    }
    case SQL_C_FLOAT: return Load<float>(p);
    case SQL_C_DOUBLE: return Load<double>(p);
    case SQL_C_BIT: return Load<uint8_t>(p);
    default: return IsIntegerType(t) ? static_cast<double>(LoadInteger(p, t)) : 0;
  }
}

int32_t BufferToInteger(const void* p, SQLSMALLINT t) {
  int64_t v = 0;
  switch (t) {
    case SQL_C_CHAR: {
      int32_t i = 0;
      return TextToInteger(static_cast<const char*>(p), i) ? i : 0;
    }
    case SQL_C_FLOAT:
    case SQL_C_DOUBLE: {
      const double d = t == SQL_C_FLOAT ? Load<float>(p) : Load<double>(p);
      // Values beyond 64 bits (and NaN) have no integer; they give 0.
      if (!(std::fabs(d) < 9.2e18)) return 0;
      v = RoundHalfEven(d);
      break;
    }
    case SQL_C_BIT: v = Load<uint8_t>(p); break;
    default: v = IsIntegerType(t) ? LoadInteger(p, t) : 0; break;
  }
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(v)));
}

int64_t BufferToInt64(const void* p, SQLSMALLINT t) {
  if (t == SQL_C_SBIGINT || t == SQL_C_UBIGINT) return LoadInteger(p, t);
  return BufferToInteger(p, t);
}

namespace {

// "yyyy-mm-dd hh:mm:ss" followed by a separator and up to nine fraction digits.
bool TextToTimestamp(const std::string& s, SQL_TIMESTAMP_STRUCT& ts) {
  SQL_DATE_STRUCT d{};
  SQL_TIME_STRUCT tm{};
  if (s.size() < 21 || !TextToDate(s, d) || !TextToTime(s, 11, tm)) return false;
  // The fraction digits after the separator, as nanoseconds.
  SQLUINTEGER fraction = 0;
  size_t digits = 0;
  for (size_t i = 20; i < s.size() && digits < 9; ++i, ++digits) {
    if (s[i] < '0' || s[i] > '9') return false;
    fraction = fraction * 10 + (s[i] - '0');
  }
  for (; digits < 9; ++digits) fraction *= 10;
  ts = SQL_TIMESTAMP_STRUCT{d.year, d.month, d.day, tm.hour, tm.minute, tm.second, fraction};
  return true;
}

// A whole number (blanks around it allowed) into an integer or bit buffer; false when the
// text is no number or the number does not fit the type.
bool IntegerTextToBuffer(const std::string& s, void* p, SQLSMALLINT t) {
  int64_t v = 0;
  if (!TryStrToInt64(Trim(s), v)) return false;
  switch (t) {
    case SQL_C_BIT: Store<uint8_t>(p, v != 0); break;
    case SQL_C_TINYINT:
    case SQL_C_STINYINT:
      if (v < INT8_MIN || v > INT8_MAX) return false;
      Store(p, static_cast<int8_t>(v));
      break;
    case SQL_C_UTINYINT:
      if (v < 0 || v > UINT8_MAX) return false;
      Store(p, static_cast<uint8_t>(v));
      break;
    case SQL_C_SHORT:
    case SQL_C_SSHORT:
      if (v < INT16_MIN || v > INT16_MAX) return false;
      Store(p, static_cast<int16_t>(v));
      break;
    case SQL_C_USHORT:
      if (v < 0 || v > UINT16_MAX) return false;
      Store(p, static_cast<uint16_t>(v));
      break;
    case SQL_C_LONG:
    case SQL_C_SLONG:
      if (v < INT32_MIN || v > INT32_MAX) return false;
      Store(p, static_cast<int32_t>(v));
      break;
    case SQL_C_ULONG:
      if (v < 0 || v > static_cast<int64_t>(UINT32_MAX)) return false;
      Store(p, static_cast<uint32_t>(v));
      break;
    case SQL_C_SBIGINT: Store(p, v); break;
    case SQL_C_UBIGINT:
      if (v < 0) return false;
      Store(p, static_cast<uint64_t>(v));
      break;
  }
  return true;
}

}  // namespace

bool TextToBuffer(const std::string& text, void* p, SQLSMALLINT t, TStringTrimming trimming,
                  SQLLEN capacity, SQLLEN& length) {
  const std::string s = TrimByMode(text, trimming);
  switch (t) {
    case SQL_C_CHAR: {
      if (capacity < 1) return false;
      const size_t n = std::min(s.size(), static_cast<size_t>(capacity - 1));
      std::memcpy(p, s.data(), n);
      static_cast<char*>(p)[n] = 0;
      length = static_cast<SQLLEN>(n);
      return true;
    }
    case SQL_C_BINARY: {
      const size_t n = std::min(s.size(), static_cast<size_t>(std::max<SQLLEN>(capacity, 0)));
      std::memcpy(p, s.data(), n);
      length = static_cast<SQLLEN>(n);
      return true;
    }
    case SQL_C_FLOAT:
    case SQL_C_DOUBLE: {
      double v = 0;
      if (!TextToDouble(s, v)) return false;
      if (t == SQL_C_FLOAT)
        Store(p, static_cast<float>(v));
      else
        Store(p, v);
      length = CTypeSize(t);
      return true;
    }
    case SQL_C_TYPE_DATE: {
      SQL_DATE_STRUCT d{};
      if (!TextToDate(s, d)) return false;
      Store(p, d);
      length = CTypeSize(t);
      return true;
    }
    case SQL_C_TYPE_TIME: {
      SQL_TIME_STRUCT tm{};
      if (s.size() < 8 || !TextToTime(s, 0, tm)) return false;
      Store(p, tm);
      length = CTypeSize(t);
      return true;
    }
    case SQL_C_TYPE_TIMESTAMP: {
      SQL_TIMESTAMP_STRUCT ts{};
      if (!TextToTimestamp(s, ts)) return false;
      Store(p, ts);
      length = CTypeSize(t);
      return true;
    }
    default:
      if (!IsIntegerType(t) && t != SQL_C_BIT) return false;
      if (!IntegerTextToBuffer(s, p, t)) return false;
      length = CTypeSize(t);
      return true;
  }
}

SQL_TIMESTAMP_STRUCT ZeroTimestamp() { return SQL_TIMESTAMP_STRUCT{1899, 12, 30, 0, 0, 0, 0}; }

TDateTime TimestampToDateTime(const SQL_TIMESTAMP_STRUCT& ts) {
  const TDateTime date = EncodeDate(ts.year, ts.month, ts.day);
  const TDateTime time =
      EncodeTime(ts.hour, ts.minute, ts.second, static_cast<int>(ts.fraction / 1000000));
  return date >= 0 ? date + time : date - time;
}

SQL_TIMESTAMP_STRUCT DateTimeToTimestamp(TDateTime value) {
  int y, m, d, h, n, s, ms;
  DecodeDate(value, y, m, d);
  DecodeTime(value, h, n, s, ms);
  return SQL_TIMESTAMP_STRUCT{static_cast<SQLSMALLINT>(y),
                              static_cast<SQLUSMALLINT>(m),
                              static_cast<SQLUSMALLINT>(d),
                              static_cast<SQLUSMALLINT>(h),
                              static_cast<SQLUSMALLINT>(n),
                              static_cast<SQLUSMALLINT>(s),
                              static_cast<SQLUINTEGER>(ms) * 1000000u};
}

SQL_TIMESTAMP_STRUCT DateToTimestamp(const SQL_DATE_STRUCT& d) {
  SQL_TIMESTAMP_STRUCT ts = ZeroTimestamp();
  ts.year = d.year;
  ts.month = d.month;
  ts.day = d.day;
  return ts;
}

SQL_TIMESTAMP_STRUCT TimeToTimestamp(const SQL_TIME_STRUCT& t) {
  SQL_TIMESTAMP_STRUCT ts = ZeroTimestamp();
  ts.hour = t.hour;
  ts.minute = t.minute;
  ts.second = t.second;
  return ts;
}

SQL_DATE_STRUCT TimestampToDate(const SQL_TIMESTAMP_STRUCT& ts) {
  return SQL_DATE_STRUCT{ts.year, ts.month, ts.day};
}

SQL_TIME_STRUCT TimestampToTime(const SQL_TIMESTAMP_STRUCT& ts) {
  return SQL_TIME_STRUCT{ts.hour, ts.minute, ts.second};
}

std::string TrimByMode(const std::string& text, TStringTrimming mode) {
  return std::string(TrimView(text, mode));
}

std::string_view TrimView(std::string_view text, TStringTrimming mode) {
  if (mode == TStringTrimming::stTrimLeading || mode == TStringTrimming::stTrimBoth)
    text = TrimLeftView(text);
  if (mode == TStringTrimming::stTrimTrailing || mode == TStringTrimming::stTrimBoth)
    text = TrimRightView(text);
  return text;
}

std::string QuoteIdentifier(const std::string& name) {
  const std::string upper = UpperCase(name);
  if (upper.find(" AS ") != std::string::npos || upper.find("{FN ") != std::string::npos ||
      name.find('"') != std::string::npos)
    return name;
  if (name.find_first_of(" $") != std::string::npos) return "\"" + name + "\"";
  return name;
}

int IndexOfText(const std::string& text, const std::vector<std::string>& list) {
  for (size_t i = 0; i < list.size(); ++i)
    if (SameText(list[i], text)) return static_cast<int>(i);
  return -1;
}

std::string ParseParamTokens(const std::string& sql, std::vector<std::string>& names) {
  names.clear();
  std::string out;
  out.reserve(sql.size());
  bool literal = false;
  const auto nameChar = [](char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' ||
           c == '@';
  };
  // The text between quotes and colons is copied in runs: batches of several kilobytes
  // pass through here on every execution.
  for (size_t i = 0; i < sql.size();) {
    size_t special = i;
    if (literal) {
      special = sql.find('\'', i);
    } else {
      while (special < sql.size() && sql[special] != '\'' && sql[special] != ':') ++special;
      if (special == sql.size()) special = std::string::npos;
    }
    if (special == std::string::npos) {
      out.append(sql, i, std::string::npos);
      break;
    }
    out.append(sql, i, special - i);
    i = special;
    if (sql[i] == '\'') {
      if (i + 1 < sql.size() && sql[i + 1] == '\'') {
        out += "''";
        i += 2;
      } else {
        literal = !literal;
        out += '\'';
        ++i;
      }
    } else {
      size_t end = i + 1;
      while (end < sql.size() && nameChar(sql[end])) ++end;
      if (end == i + 1) throw EQuarnel("Invalid parameter token in SQL statement.");
      names.push_back(sql.substr(i + 1, end - i - 1));
      out += '?';
      i = end;
    }
  }
  return out;
}

}  // namespace prenos
