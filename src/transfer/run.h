// The transfer run behind "Prenos": one input file booked into a new journal, or into
// the journal chosen on the second tab, with progress and a closing message.
#pragma once

#include "transfer/ledger.h"
#include "transfer/run_view.h"

namespace prenos {

// "Prenos knjižb zaključen !" and the box shown when statements could not be sent.
inline constexpr const char* kTransferDoneText = "Prenos knji\x9E" "b zaklju\xE8" "en !";
inline constexpr const char* kTransferFailedText =
    "Prenos knji\x9E" "b ni uspel: napake so zapisane v tabeli napak.";

// Reconnects with the stored login, asks for the file (a cancelled dialog ends the run
// quietly), takes the transfer date from the date field, imports the file and posts a
// debit and a credit line per record, then sends what is pending. The completion message
// is shown only when every statement reached the ledger; otherwise an error box says
// that the failures are in the error table. A failure no routine handles propagates
// (EAbort for those already recorded); the wait cursor is never left on.
void RunTransfer(TRunView& view, const TLedger& ledger);

}  // namespace prenos
