// Number and date conversions.
#include "platform/convert.h"

#include <langinfo.h>
#include <locale.h>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <mutex>
#include <optional>

#include "platform/exceptions.h"

namespace prenos {
namespace {

std::optional<FormatSettings>& Override() {
  static std::optional<FormatSettings> settings;
  return settings;
}

bool IsCLocale(const std::string& name) {
  return name.empty() || name == "C" || name == "POSIX" || name.rfind("C.", 0) == 0;
}

// The locale name the environment gives a category, as setlocale(cat, "") would pick it.
std::string EnvLocale(const char* category) {
  for (const char* var : {"LC_ALL", category, "LANG"})
    if (const char* v = std::getenv(var); v && *v) return v;
  return "C";
}

FormatSettings FromLocaleNames(const std::string& timeName, const std::string& numName) {
  FormatSettings fs;
  if (!IsCLocale(numName)) {
    locale_t loc = newlocale(LC_NUMERIC_MASK, numName.c_str(), static_cast<locale_t>(nullptr));
    if (!loc) throw EConvertError("Locale " + numName + " is not available");
    const char* radix = nl_langinfo_l(RADIXCHAR, loc);
    const char* thou = nl_langinfo_l(THOUSEP, loc);
    if (radix && radix[0] && !radix[1]) fs.DecimalSeparator = radix[0];
    fs.ThousandSeparator = thou && thou[0] && !thou[1] ? thou[0] : 0;
    freelocale(loc);
  }
  if (!IsCLocale(timeName)) {
    locale_t loc = newlocale(LC_TIME_MASK, timeName.c_str(), static_cast<locale_t>(nullptr));
    if (!loc) throw EConvertError("Locale " + timeName + " is not available");
    std::string fmt = nl_langinfo_l(D_FMT, loc);
    freelocale(loc);
    // The order in which %d, %m and %y/%Y appear, and the first separator between them.
    std::string order;
    char sep = 0;
    for (size_t i = 0; i + 1 < fmt.size(); ++i) {
      if (fmt[i] != '%') {
        if (!sep && !order.empty()) sep = fmt[i];
        continue;
      }
      char c = fmt[i + 1];
      if (c == 'e') c = 'd';
      if (c == 'd' || c == 'm' || c == 'y' || c == 'Y')
        order += static_cast<char>(c == 'Y' ? 'y' : c);
      ++i;
    }
    if (order == "mdy")
      fs.Order = FormatSettings::DateOrder::MDY;
    else if (order == "ymd")
      fs.Order = FormatSettings::DateOrder::YMD;
    else
      fs.Order = FormatSettings::DateOrder::DMY;
    if (sep && sep != ' ') fs.DateSeparator = sep;
  }
  return fs;
}

bool ParseInt64(const std::string& s, int64_t& out) {
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  bool neg = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) neg = s[i++] == '-';
  if (i >= s.size()) return false;
  uint64_t v = 0;
  for (; i < s.size(); ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    uint64_t d = static_cast<uint64_t>(s[i] - '0');
    if (v > (static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) + 1 - d) / 10) return false;
    v = v * 10 + d;
  }
  if (!neg && v > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) return false;
  out = neg ? static_cast<int64_t>(0 - v) : static_cast<int64_t>(v);
  return true;
}

}  // namespace

const FormatSettings& CurrentFormatSettings() {
  auto& o = Override();
  if (!o) {
    try {
      o = FromLocaleNames(EnvLocale("LC_TIME"), EnvLocale("LC_NUMERIC"));
    } catch (const EConvertError&) {
      o = FormatSettings{};
    }
  }
  return *o;
}

void SetFormatSettings(const FormatSettings& settings) { Override() = settings; }

FormatSettings FormatSettingsFromLocale(const std::string& name) {
  return FromLocaleNames(name, name);
}

std::string_view TrimLeftView(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
  return s;
}

std::string_view TrimRightView(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
  return s;
}

std::string TrimLeft(const std::string& s) { return std::string(TrimLeftView(s)); }

std::string TrimRight(const std::string& s) { return std::string(TrimRightView(s)); }

std::string Trim(const std::string& s) { return std::string(TrimRightView(TrimLeftView(s))); }

std::string IntErrorMessage(const std::string& s) {
  return "'" + s + "' is not a valid integer value";
}

bool TryStrToInt64(const std::string& s, int64_t& out) { return ParseInt64(s, out); }

bool TryStrToInt(const std::string& s, int32_t& out) {
  int64_t v;
  if (!ParseInt64(s, v) || v < std::numeric_limits<int32_t>::min() ||
      v > std::numeric_limits<int32_t>::max())
    return false;
  out = static_cast<int32_t>(v);
  return true;
}

int32_t StrToInt(const std::string& s) {
  int32_t v;
  if (!TryStrToInt(s, v)) throw EConvertError(IntErrorMessage(s));
  return v;
}

int64_t StrToInt64(const std::string& s) {
  int64_t v;
  if (!TryStrToInt64(s, v)) throw EConvertError(IntErrorMessage(s));
  return v;
}

bool TryStrToFloat(const std::string& s, double& out) {
  const char dec = CurrentFormatSettings().DecimalSeparator;
  std::string t = Trim(s);
  if (t.empty()) return false;
  // Normalise to the C form: the user's separator becomes '.', any other '.' is invalid.
  std::string c;
  c.reserve(t.size());
  size_t i = 0;
  if (t[i] == '+')
    ++i;
  else if (t[i] == '-')
    c += t[i++];
  bool digits = false, sep = false, exp = false;
  for (; i < t.size(); ++i) {
    char ch = t[i];
    if (ch >= '0' && ch <= '9') {
      c += ch;
      if (!exp) digits = true;
      continue;
    }
    if (ch == dec && !sep && !exp) {
      c += '.';
      sep = true;
      continue;
    }
    if ((ch == 'e' || ch == 'E') && digits && !exp) {
      c += 'e';
      exp = true;
      if (i + 1 < t.size() && (t[i + 1] == '+' || t[i + 1] == '-')) c += t[++i];
      if (i + 1 >= t.size()) return false;
      continue;
    }
    return false;
  }
  if (!digits) return false;
  double v = 0;
  auto [p, ec] = std::from_chars(c.data(), c.data() + c.size(), v);
  if (ec != std::errc() || p != c.data() + c.size() || !std::isfinite(v)) return false;
  out = v;
  return true;
}

double StrToFloat(const std::string& s) {
  double v;
  if (!TryStrToFloat(s, v)) throw EConvertError("'" + s + "' is not a valid floating point value");
  return v;
}

int64_t RoundHalfEven(double v) { return static_cast<int64_t>(std::nearbyint(v)); }

bool TryStrToDate(const std::string& s, TDateTime& out) {
  const FormatSettings& fs = CurrentFormatSettings();
  int nums[3];
  int digitsOf[3] = {0, 0, 0};
  int count = 0;
  size_t i = 0;
  auto blanks = [&] {
    while (i < s.size() && s[i] == ' ') ++i;
  };
  while (count < 3) {
    blanks();
    size_t start = i;
    int v = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9' && i - start < 5) v = v * 10 + (s[i++] - '0');
    if (i == start) return false;
    if (i < s.size() && s[i] >= '0' && s[i] <= '9') return false;
    digitsOf[count] = static_cast<int>(i - start);
    nums[count++] = v;
    blanks();
    if (i < s.size() && s[i] == fs.DateSeparator && count < 3) {
      ++i;
      continue;
    }
    break;
  }
  blanks();
  if (i != s.size() || count < 2) return false;
  int y, m, d;
  int cy, cm, cd;
  DecodeDate(Date(), cy, cm, cd);
  using O = FormatSettings::DateOrder;
  int ydigits = 4;
  if (count == 2) {
    y = cy;
    if (fs.Order == O::MDY) {
      m = nums[0];
      d = nums[1];
    } else {
      d = nums[0];
      m = nums[1];
    }
    if (fs.Order == O::YMD) {
      m = nums[0];
      d = nums[1];
    }
  } else if (fs.Order == O::MDY) {
    m = nums[0];
    d = nums[1];
    y = nums[2];
    ydigits = digitsOf[2];
  } else if (fs.Order == O::YMD) {
    y = nums[0];
    m = nums[1];
    d = nums[2];
    ydigits = digitsOf[0];
  } else {
    d = nums[0];
    m = nums[1];
    y = nums[2];
    ydigits = digitsOf[2];
  }
  if (count == 3 && ydigits <= 2) {
    const int century = cy - 50;
    y += century / 100 * 100;
    if (y < century) y += 100;
  }
  return TryEncodeDate(y, m, d, out);
}

TDateTime StrToDate(const std::string& s) {
  TDateTime v;
  if (!TryStrToDate(s, v)) throw EConvertError("'" + s + "' is not a valid date");
  return v;
}

}  // namespace prenos
