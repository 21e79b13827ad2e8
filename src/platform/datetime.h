// The date-time value of the system: days since 30 December 1899 with the time of day as
// the fraction, and its encoding and decoding.
#pragma once

#include <cstdint>

namespace prenos {

using TDateTime = double;

// Day number of 30 December 1899 when 1 January of year 1 is day 1.
constexpr int kDateDelta = 693594;

// The message of a date that does not exist.
inline constexpr const char* kBadDateMessage = "Invalid argument to date encode";

// Raise EConvertError kBadDateMessage / "... time encode" when out of range.
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int msec);
bool TryEncodeDate(int year, int month, int day, TDateTime& out);

void DecodeDate(TDateTime value, int& year, int& month, int& day);
void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& msec);

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

// The current local date and time; the current local date without time.
TDateTime Now();
TDateTime Date();

}  // namespace prenos
