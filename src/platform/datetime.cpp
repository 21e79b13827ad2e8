// Calendar arithmetic on TDateTime (proleptic Gregorian calendar).
#include "platform/datetime.h"

#include <sys/time.h>

#include <cmath>
#include <ctime>

#include "platform/exceptions.h"

namespace prenos {
namespace {

// Days since 1970-01-01 of a civil date (H. Hinnant's algorithm).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t y = static_cast<int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(y + (month <= 2));
}

// 1899-12-30 is 25569 days before 1970-01-01.
constexpr int64_t kUnixDelta = 25569;

}  // namespace

bool IsLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeapYear(y) ? 29 : days[m - 1];
}

bool TryEncodeDate(int y, int m, int d, TDateTime& out) {
  if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1 || d > DaysInMonth(y, m)) return false;
  out = static_cast<double>(DaysFromCivil(y, m, d) + kUnixDelta);
  return true;
}

TDateTime EncodeDate(int y, int m, int d) {
  TDateTime out;
  if (!TryEncodeDate(y, m, d, out)) throw EConvertError(kBadDateMessage);
  return out;
}

TDateTime EncodeTime(int h, int n, int s, int ms) {
  if (h < 0 || h > 23 || n < 0 || n > 59 || s < 0 || s > 59 || ms < 0 || ms > 999)
    throw EConvertError("Invalid argument to time encode");
  return (h * 3600000.0 + n * 60000.0 + s * 1000.0 + ms) / 86400000.0;
}

void DecodeDate(TDateTime v, int& year, int& month, int& day) {
  CivilFromDays(static_cast<int64_t>(std::trunc(v)) - kUnixDelta, year, month, day);
}

void DecodeTime(TDateTime v, int& h, int& n, int& s, int& ms) {
  double frac = std::fabs(v - std::trunc(v));
  int64_t total = static_cast<int64_t>(std::llround(frac * 86400000.0));
  if (total >= 86400000) total = 86399999;
  h = static_cast<int>(total / 3600000);
  n = static_cast<int>(total / 60000 % 60);
  s = static_cast<int>(total / 1000 % 60);
  ms = static_cast<int>(total % 1000);
}

TDateTime Now() {
  timeval tv{};
  gettimeofday(&tv, nullptr);
  std::tm tm{};
  time_t t = tv.tv_sec;
  localtime_r(&t, &tm);
  return EncodeDate(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday) +
         EncodeTime(tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>(tv.tv_usec / 1000));
}

TDateTime Date() { return std::trunc(Now()); }

}  // namespace prenos
