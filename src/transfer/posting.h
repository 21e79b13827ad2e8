// The posting rules: one staged record becomes one posting line of a journal, and the
// journal's header is created by the first line a run writes without a journal key.
#pragma once

#include <string>

#include "localtables/table.h"
#include "platform/datetime.h"
#include "transfer/ledger.h"
#include "transfer/run_summary.h"

namespace prenos {

// The date of the transfer, without time: set by every run from the date field, read
// by the posting rules for new journal keys and headers.
extern TDateTime TransferDate;

// What the posting rules read besides the staged record: the ledger and the texts of
// the business-event and clerk selectors.
struct TPostingSource {
  TLedger Ledger;
  TTable& Staged;                  // standing on the record to post
  std::string PoslDog;             // business event, used only when a header is created
  std::string Referent;            // clerk, written into every line and into a new header
  TRunSummary* Summary = nullptr;  // when set, told of the header, each line and new subjects
  bool CollectLines = false;       // the lines themselves go into Summary->Posted
};

// The first count characters of date formatted as count year letters followed by
// "/mm/dd": YearS(2, 15 March 2002) is "02".
std::string YearS(int count, TDateTime date);

// Appends the posting line of the current staged record on account with counterAccount
// on side ("D" debit, anything else credit) to the pending batch, at position poz, which
// then advances. Nothing happens when account is empty or the amount is 0. Without a
// journal key the journal is created first: a new key (year, business event, sequence),
// its header and the first free position under it. The batch is sent beforehand when it
// has grown past its threshold; the line's subjects may be registered on the way. A
// failure of any ledger step raises ERunFailure (recorded in the error table).
void FillPoz(const TPostingSource& source, std::string& kljuc, int& poz, const std::string& side,
             const std::string& account, const std::string& counterAccount);

}  // namespace prenos
