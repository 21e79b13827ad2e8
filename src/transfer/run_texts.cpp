// Formatting amounts and dates by the conventions in force.
#include "transfer/run_texts.h"

#include <cstdio>
#include <cstdlib>

#include "platform/convert.h"

namespace prenos {

std::string AmountText(TCurrency amount) {
  const FormatSettings& fs = CurrentFormatSettings();
  const bool negative = amount.Value < 0;
  const int64_t abs = negative ? -amount.Value : amount.Value;
  const int64_t cents = (abs + 50) / 100;  // halves away from zero
  const std::string whole = std::to_string(cents / 100);
  std::string grouped;
  for (size_t i = 0; i < whole.size(); ++i) {
    if (i && fs.ThousandSeparator && (whole.size() - i) % 3 == 0) grouped += fs.ThousandSeparator;
    grouped += whole[i];
  }
  char frac[4];
  std::snprintf(frac, sizeof frac, "%02d", static_cast<int>(cents % 100));
  return (negative && cents ? "-" : "") + grouped + fs.DecimalSeparator + frac;
}

std::string DateText(TDateTime value) {
  const FormatSettings& fs = CurrentFormatSettings();
  int y, m, d;
  DecodeDate(value, y, m, d);
  char buf[32];
  const char s = fs.DateSeparator;
  switch (fs.Order) {
    case FormatSettings::DateOrder::MDY:
      std::snprintf(buf, sizeof buf, "%02d%c%02d%c%04d", m, s, d, s, y);
      break;
    case FormatSettings::DateOrder::YMD:
      std::snprintf(buf, sizeof buf, "%04d%c%02d%c%02d", y, s, m, s, d);
      break;
    default: std::snprintf(buf, sizeof buf, "%02d%c%02d%c%04d", d, s, m, s, y); break;
  }
  return buf;
}

std::string DateTimeText(TDateTime value) {
  int h, n, s, ms;
  DecodeTime(value, h, n, s, ms);
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02d:%02d", h, n);
  return DateText(value) + " " + buf;
}

}  // namespace prenos
