// Amounts, dates and times of the run journal as the texts for people show them, in the
// user's number and short-date conventions.
#pragma once

#include <string>

#include "platform/datetime.h"
#include "sqlsupport/varrec.h"

namespace prenos {

// Two decimals, the user's decimal and thousand separators: "12.345,60" in Slovenian.
std::string AmountText(TCurrency amount);
// The user's short date ("15.03.2002"), and with the time of day ("15.03.2002 14:05").
std::string DateText(TDateTime value);
std::string DateTimeText(TDateTime value);

}  // namespace prenos
