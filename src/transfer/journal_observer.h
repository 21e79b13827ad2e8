// The run journal hooked into a run: the guard when the file is chosen, the row's
// figures before the commit, its outcome at the end. The window and the command line
// give it to RunTransfer through TRunOptions::Observer.
#pragma once

#include "transfer/run_observer.h"
#include "transfer/run_recorder.h"

namespace prenos {

class TJournalObserver : public TRunObserver {
 public:
  // query: a statement on the run's connection (qQueryFind), for settling rows left
  // running; preview: the runs are previews (rolled back by design).
  TJournalObserver(TRunJournal& journal, const TRunView& view, THstmt& query,
                   TRunRecorder::TAskRebook askRebook, bool preview = false);

  bool FileChosen(const std::string& fileName) override;
  void Started(const TRunSummary& summary) override;
  void Committing(const TRunSummary& summary) override;
  // A journal that cannot be written now does not turn a booked run into a failure: the
  // row stays running and is settled against the ledger later.
  void Finished(const TRunSummary& summary) override;

  const TRunRecorder& Recorder() const { return recorder_; }

 private:
  TRunRecorder recorder_;
  THstmt& query_;
};

// The journal's state for a run's outcome.
TRunState StateOf(TRunSummary::TOutcome outcome);

}  // namespace prenos
