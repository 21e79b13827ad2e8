// Journal keys and position numbers drawn from the ledger as one more than the largest
// value stored, and the small text routines they are built from.
#pragma once

#include <string>

#include "odbc/hstmt.h"

namespace prenos {

// The largest value of column in table among the rows satisfying condition (all rows when
// it is empty), as text; empty when there is none. Runs on qQueryFind without sending the
// pending batch. Any failure is recorded ("GetMaxValueInTable-column-table-condition")
// and ends in the silent abort.
std::string GetMaxValueInTable(THstmt& qQueryFind, const std::string& column,
                               const std::string& table, const std::string& condition);

// The next key with prefix: prefix + the five-digit sequence after the largest key of
// table that begins with prefix (its characters 5 to 9), or prefix + "00001" when there
// is none. A failure, a sequence that is not a number included, is recorded
// ("NovaStevGlavC-" + table) and ends in the silent abort.
std::string NovaStevGlavC(THstmt& qQueryFind, const std::string& table, const std::string& column,
                          const std::string& prefix);

// start plus the largest Poz stored in table under key (0 when there is none). A failed
// look-up is recorded and ends in the silent abort: a guessed number could give two lines
// of one journal the same position.
int NovaStevPozN(THstmt& qQueryFind, const std::string& table, const std::string& key, int start);

// The text trimmed at both ends as a whole number; 0 when empty or not a whole number.
int StrToIntZero(const std::string& text);

// count copies of c; empty for a count of 0 or less. A failure is recorded
// ("ReplicateStr") and gives the empty text.
std::string ReplicateStr(char c, int count);

// The decimal text of number preceded by zeros up to width characters; a longer number is
// returned whole. A failure is recorded ("StrZeroInt") and gives the empty text.
std::string StrZeroInt(int number, int width);

}  // namespace prenos
