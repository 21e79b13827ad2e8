// The transfer run behind "Prenos": one input file booked into a new journal, or into
// the journal chosen on the second tab, in one ledger transaction, with progress and a
// closing box that says what was booked.
#pragma once

#include "transfer/ledger.h"
#include "transfer/run_observer.h"
#include "transfer/run_summary.h"
#include "transfer/run_view.h"

namespace prenos {

struct TRunOptions {
  bool Preview = false;       // the whole run in its transaction, rolled back at the end
  bool CollectLines = false;  // fill TRunSummary::Posted
  TRunObserver* Observer = nullptr;
};

// Reconnects with the stored login, asks for the file (a cancelled dialog ends the run
// quietly), takes the transfer date from the date field, then imports the file and posts
// a debit and a credit line per record inside one transaction on Database, and commits
// once the last statements are sent: the completion box then says what was booked. Any
// failure of a ledger step rolls everything back and shows one error box (nothing booked,
// the step, the first line of the message, the details in the error table). A failure to
// connect, an invalid date or a failed import propagates as before; the wait cursor is
// never left on.
TRunSummary RunTransfer(TRunView& view, const TLedger& ledger, const TRunOptions& options = {});

}  // namespace prenos
