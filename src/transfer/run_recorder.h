// What the run journal does at each point of a run: the double-booking guard and the
// journal row when the file is chosen, the row's figures as the run goes, its outcome at
// the end. The journal observer and the tests drive it; it holds no widgets.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "odbc/hstmt.h"
#include "transfer/run_journal.h"
#include "transfer/run_view.h"

namespace prenos {

// The "Ponoven prenos" question about a file booked before: when, into which journal,
// how many lines, and whether to book it again (Windows-1250).
inline constexpr const char* kRebookTitle = "Ponoven prenos";
std::string RebookQuestion(const TRunRecord& earlier);

// The operating-system user running the program.
std::string CurrentUserName();

class TRunRecorder {
 public:
  // Answers the rebook question: true books the file again. Without an answer a file
  // booked before is refused.
  using TAskRebook = std::function<bool(const TRunRecord& earlier)>;

  // view gives the run's business event, clerk and tab; query (a statement on the run's
  // connection) settles rows left running before the guard looks. preview marks the
  // runs of a recorder that only previews (rolled back by design).
  TRunRecorder(TRunJournal& journal, const TRunView& view, THstmt& query, TAskRebook askRebook,
               bool preview = false);

  // The file is chosen and the transfer date read: the guard, then the journal row.
  // False when the user declined to book the file again: the row is written cancelled.
  bool FileChosen(const std::string& fileName);
  void Started(int64_t records);
  // The lines are final, right before the commit.
  void Committing(const std::string& journalKey, bool createdHeader, int firstPoz, int lastPoz,
                  int lines, TCurrency debit, TCurrency credit,
                  const std::vector<std::string>& newSubjects);
  void Finished(TRunState state, const std::string& failedStep = {},
                const std::string& failure = {});

  // The row of the run in progress or last recorded (Id 0 before any).
  const TRunRecord& Current() const { return run_; }
  // The earlier booked run the guard asked about in the last FileChosen, if any.
  const std::optional<TRunRecord>& Earlier() const { return earlier_; }

 private:
  void Save();

  TRunJournal& journal_;
  const TRunView& view_;
  THstmt& query_;
  TAskRebook askRebook_;
  bool preview_;
  TRunRecord run_;
  std::optional<TRunRecord> earlier_;
};

}  // namespace prenos
