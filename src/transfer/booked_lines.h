// What the ledger holds of a run's lines: the count and the debit and credit sums of one
// journal's positions first..last, read inside whatever transaction the connection has.
#pragma once

#include <string>

#include "odbc/hstmt.h"
#include "sqlsupport/varrec.h"

namespace prenos {

struct TBookedLines {
  int Count = 0;
  TCurrency Debit, Credit;
  bool operator==(const TBookedLines& o) const {
    return Count == o.Count && Debit.Value == o.Debit.Value && Credit.Value == o.Credit.Value;
  }
};

// Raises the statement's error (EODBC) when the ledger cannot be read.
TBookedLines LinesInLedger(THstmt& query, const std::string& journal, int firstPoz, int lastPoz);
// The number of lines the journal holds at all.
int JournalLineCount(THstmt& query, const std::string& journal);

// An amount as a driver gives a numeric column's text ("1234.5600", "1234.56", "1e3");
// empty (a SUM of no rows) is 0.
TCurrency AmountFromText(const std::string& text);

}  // namespace prenos
