// Records a transfer run in the run journal from the run's own hooks: the double-booking
// guard when the file is chosen, then the row's figures and outcome. It also keeps the
// run's last summary, which a caller still wants when the run ended by an exception.
#pragma once

#include <optional>

#include "transfer/run_observer.h"
#include "transfer/run_recorder.h"
#include "transfer/run_summary.h"

namespace prenos {

class TJournalObserver : public TRunObserver {
 public:
  TJournalObserver(TRunJournal& journal, const TRunView& view, THstmt& query, TRunRecorder::TAskRebook askRebook,
                   bool preview);

  bool FileChosen(const std::string& fileName) override;
  void Started(const TRunSummary& summary) override;
  void Committing(const TRunSummary& summary) override;
  void Finished(const TRunSummary& summary) override;

  const TRunRecorder& Recorder() const { return recorder_; }
  // The summary the run ended with (Outcome Running until it ended).
  const TRunSummary& Last() const { return last_; }
  // The guard declined the file: the run was cancelled before it touched anything.
  bool Refused() const { return refused_; }

 private:
  TRunRecorder recorder_;
  TRunSummary last_;
  bool refused_ = false;
};

}  // namespace prenos
