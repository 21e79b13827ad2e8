// The run's hooks passed on to the run journal's recorder.
#include "app/journal_observer.h"

namespace prenos {

TJournalObserver::TJournalObserver(TRunJournal& journal, const TRunView& view, THstmt& query,
                                   TRunRecorder::TAskRebook askRebook, bool preview)
    : recorder_(journal, view, query, std::move(askRebook), preview) {}

bool TJournalObserver::FileChosen(const std::string& fileName) {
  refused_ = !recorder_.FileChosen(fileName);
  return !refused_;
}

void TJournalObserver::Started(const TRunSummary& summary) { recorder_.Started(summary.Records); }

void TJournalObserver::Committing(const TRunSummary& s) {
  recorder_.Committing(s.Journal, s.CreatedHeader, s.FirstPoz, s.LastPoz, s.Lines, s.Debit, s.Credit,
                       s.NewSubjects);
}

void TJournalObserver::Finished(const TRunSummary& summary) {
  last_ = summary;
  using TOutcome = TRunSummary::TOutcome;
  switch (summary.Outcome) {
    case TOutcome::Booked: recorder_.Finished(TRunState::Booked); break;
    case TOutcome::Preview: recorder_.Finished(TRunState::Preview); break;
    case TOutcome::Cancelled: recorder_.Finished(TRunState::Cancelled); break;
    case TOutcome::Failed:
    case TOutcome::Running: recorder_.Finished(TRunState::Failed, summary.FailedStep, summary.Failure); break;
  }
}

}  // namespace prenos
