// Undoing a booked run: its lines (and the header it created, when nothing else is left
// in the journal) deleted in one ledger transaction, after checking they are as booked.
#pragma once

#include <cstdint>
#include <string>

#include "odbc/hdbc.h"
#include "odbc/hstmt.h"
#include "transfer/run_journal.h"

namespace prenos {

struct TUndoResult {
  bool Done = false;
  std::string Reason;  // why nothing was deleted (Windows-1250), when not Done
};

// The confirmation question: the journal, the lines and their totals, and that the
// subjects the run added stay in the ledger.
std::string UndoQuestion(const TRunRecord& run);

// Undoes run id on connection, reading and deleting through statement (which must be on
// that connection). Refused, with nothing deleted, when the run is not booked or its
// lines (count, debit and credit sums of its positions) are not as it booked them. A
// ledger failure rolls back, is written to the error table and comes back as the reason.
// The journal row is marked undone only after the commit.
TUndoResult UndoRun(TRunJournal& journal, int64_t id, THdbc& connection, THstmt& statement);

}  // namespace prenos
