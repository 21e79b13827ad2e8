// SQL literals written from their digits, never through the C library's locale.
#include "sqlsupport/literals.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "localtables/errorlog.h"
#include "platform/component.h"
#include "platform/exceptions.h"

namespace prenos {
namespace {

std::string FormatGeneral15(double value) {
  if (!std::isfinite(value)) throw EConvertError("Invalid floating point value for SQL");
  if (value == 0) return "0";  // also -0
  // d.dddddddddddddde+XX: 15 significant digits, correctly rounded.
  char buf[40];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
  if (ec != std::errc()) throw EConvertError("Invalid floating point value for SQL");
  const std::string_view s(buf, static_cast<size_t>(end - buf));
  const size_t e = s.find('e');
  const bool negative = s[0] == '-';
  std::string digits;
  for (char c : s.substr(0, e))
    if (c >= '0' && c <= '9') digits += c;
  int exponent = 0;
  std::from_chars(s.data() + e + (s[e + 1] == '+' ? 2 : 1), s.data() + s.size(), exponent);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

  std::string out = negative ? "-" : "";
  if (exponent >= -4 && exponent <= 14) {
    if (exponent < 0) {
      out += "0.";
      out.append(static_cast<size_t>(-exponent - 1), '0');
      out += digits;
    } else {
      const size_t whole = static_cast<size_t>(exponent) + 1;
      if (digits.size() <= whole) {
        out += digits;
        out.append(whole - digits.size(), '0');
      } else {
        out += digits.substr(0, whole);
        out += '.';
        out += digits.substr(whole);
      }
    }
  } else {
    out += digits[0];
    if (digits.size() > 1) out += "." + digits.substr(1);
    out += 'E';
    out += std::to_string(exponent);
  }
  return out;
}

std::string FormatDateTime(TDateTime value) {
  if (!std::isfinite(value) || value <= -693594.0 || value >= 2958466.0)
    throw EConvertError("Invalid date-time value for SQL");
  int y, m, d, h, n, s, ms;
  DecodeDate(value, y, m, d);
  DecodeTime(value, h, n, s, ms);
  char buf[80];
  std::snprintf(buf, sizeof buf, "%04d/%02d/%02d %02d:%02d:%02d", y, m, d, h, n, s);
  return buf;
}

}  // namespace

std::string QuoteSQL(const std::string& text) {
  std::string out;
  out.reserve(text.size() + 2);
  for (char c : text) {
    if (c == '\'') out += '\'';
    out += c;
  }
  return out;
}

std::string FloatToStrSQL(double value) {
  try {
    return FormatGeneral15(value);
  } catch (const std::exception& e) {
    LogError(&e, &Application(), "FloatToStrSQL");
    return {};
  }
}

std::string DateTimeToStrSQL(TDateTime value) {
  try {
    return FormatDateTime(value);
  } catch (const std::exception& e) {
    LogError(&e, &Application(), "DateTimeToStrSQL");
    return {};
  }
}

}  // namespace prenos
