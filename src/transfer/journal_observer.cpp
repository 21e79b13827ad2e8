// Mapping a run's summary onto its journal row.
#include "transfer/journal_observer.h"

#include <exception>

#include "localtables/errorlog.h"

namespace prenos {

TRunState StateOf(TRunSummary::TOutcome outcome) {
  switch (outcome) {
    case TRunSummary::TOutcome::Running: return TRunState::Running;
    case TRunSummary::TOutcome::Booked: return TRunState::Booked;
    case TRunSummary::TOutcome::Failed: return TRunState::Failed;
    case TRunSummary::TOutcome::Cancelled: return TRunState::Cancelled;
    case TRunSummary::TOutcome::Preview: return TRunState::Preview;
  }
  return TRunState::Failed;
}

TJournalObserver::TJournalObserver(TRunJournal& journal, const TRunView& view, THstmt& query,
                                   TRunRecorder::TAskRebook askRebook, bool preview)
    : recorder_(journal, view, query, std::move(askRebook), preview), query_(query) {}

bool TJournalObserver::FileChosen(const std::string& fileName) {
  return recorder_.FileChosen(fileName);
}

void TJournalObserver::Started(const TRunSummary& summary) { recorder_.Started(summary.Records); }

void TJournalObserver::Committing(const TRunSummary& s) {
  recorder_.Committing(s.Journal, s.CreatedHeader, s.FirstPoz, s.LastPoz, s.Lines, s.Debit,
                       s.Credit, s.NewSubjects);
}

void TJournalObserver::Finished(const TRunSummary& s) {
  try {
    recorder_.Finished(StateOf(s.Outcome), s.FailedStep, s.Failure);
  } catch (const std::exception& e) {
    LogError(&e, &query_, "DnevnikPrenosov");
  }
}

}  // namespace prenos
