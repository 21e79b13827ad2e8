// The ledger connection and the statements a transfer run uses, as the data module holds
// them; the run and its routines take this instead of reaching for the module itself.
#pragma once

#include "odbc/hdbc.h"
#include "odbc/hstmt.h"

namespace prenos {

struct TLedger {
  THdbc& Database;
  THstmt& UpdateHstmt;  // the pending batch
  THstmt& qQueryFind;   // SELECT MAX look-ups of keys and positions
  THstmt& qQuery0;      // subject look-ups
};

}  // namespace prenos
