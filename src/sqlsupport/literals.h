// The SQL literals of the INSERT builder: quoted texts, numbers and date-times written the
// same way whatever the user's locale.
#pragma once

#include <string>

#include "platform/datetime.h"

namespace prenos {

// Every single quote doubled; nothing else escaped. The caller adds the enclosing quotes.
std::string QuoteSQL(const std::string& text);

// General format with 15 significant digits and "." as the decimal separator: fixed
// notation for decimal exponents -4 to 14 (0.0001, 123456789012345), scientific otherwise
// (1E-5, 1.25E-5, 1E15); "-" before negatives, zero as "0". A value that cannot be written
// (not a number, infinite) is recorded in the error log ("FloatToStrSQL") and gives "".
std::string FloatToStrSQL(double value);

// "yyyy/mm/dd hh:nn:ss" with these separators whatever the locale. A value outside the
// years 1 to 9999 is recorded in the error log ("DateTimeToStrSQL") and gives "".
std::string DateTimeToStrSQL(TDateTime value);

}  // namespace prenos
