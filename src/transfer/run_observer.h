// The hooks of a transfer run that the run journal and the command line listen to.
#pragma once

#include <string>

#include "transfer/run_summary.h"

namespace prenos {

class TRunObserver {
 public:
  virtual ~TRunObserver() = default;
  // After the file is chosen (and the date read), before the ledger or the staging table is
  // touched. False cancels the run: Outcome Cancelled, nothing booked, no box.
  virtual bool FileChosen(const std::string& fileName) {
    (void)fileName;
    return true;
  }
  // The file is imported and the run's transaction is open (Records known).
  virtual void Started(const TRunSummary&) {}
  // Every line is sent, right before the commit (or before the rollback of a preview):
  // key, positions, totals and new subjects are final here.
  virtual void Committing(const TRunSummary&) {}
  // The run ended (Booked, Failed, Cancelled or Preview), after the ledger work and before the
  // completion/failure box is shown.
  virtual void Finished(const TRunSummary&) {}
};

}  // namespace prenos
