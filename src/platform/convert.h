// Text <-> number and date conversions with the user's locale conventions, and the
// exact failure messages the program shows for them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/datetime.h"

namespace prenos {

// The user's number and short-date conventions.
struct FormatSettings {
  enum class DateOrder { DMY, MDY, YMD };
  char DecimalSeparator = '.';
  char ThousandSeparator = 0;  // 0: none
  char DateSeparator = '.';
  DateOrder Order = DateOrder::DMY;
};

// The conventions in force: those of the process's environment (LC_ALL, LC_TIME /
// LC_NUMERIC, LANG) until SetFormatSettings replaces them. Under the C/POSIX locale the
// short date is day.month.year with "." (the window is Slovenian).
const FormatSettings& CurrentFormatSettings();
void SetFormatSettings(const FormatSettings& settings);

// The conventions of a named locale (for instance "sl_SI.UTF-8"); throws EConvertError
// when the locale is not installed.
FormatSettings FormatSettingsFromLocale(const std::string& name);

// Blanks and control characters (bytes up to ' ') cut from the ends.
std::string Trim(const std::string& s);
std::string TrimLeft(const std::string& s);
std::string TrimRight(const std::string& s);
// The same without a copy: views of the text that stays.
std::string_view TrimLeftView(std::string_view s);
std::string_view TrimRightView(std::string_view s);

// Leading blanks and a sign, then decimal digits only; anything else (empty text,
// trailing blanks, overflow) fails with "'%s' is not a valid integer value".
int32_t StrToInt(const std::string& s);
int64_t StrToInt64(const std::string& s);
bool TryStrToInt(const std::string& s, int32_t& out);
bool TryStrToInt64(const std::string& s, int64_t& out);
// The message StrToInt fails with for s.
std::string IntErrorMessage(const std::string& s);

// A decimal number in the current conventions (blanks around it allowed, optional sign,
// the decimal separator, an optional exponent); "'%s' is not a valid floating point value".
double StrToFloat(const std::string& s);
bool TryStrToFloat(const std::string& s, double& out);

// Round to the nearest integer, halves to the even neighbour.
int64_t RoundHalfEven(double v);

// The short-date conversion of the current conventions: day, month and year in the
// locale's order, separated by its date separator, blanks around the numbers allowed; a
// missing year is the current one; a two-digit year lies within 50 years of this year.
// Fails with "'%s' is not a valid date".
TDateTime StrToDate(const std::string& s);
bool TryStrToDate(const std::string& s, TDateTime& out);

}  // namespace prenos
