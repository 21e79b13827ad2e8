// The run journal hooked into whole runs on real ledgers: the guard's question and its
// answers, failed and undone runs, and runs of a program killed before or after its commit.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include "run_fixture.h"
#include "transfer/journal_observer.h"
#include "transfer/run_resolution.h"
#include "transfer/run_undo.h"

namespace prenos {
namespace {

using testing::PostingFields;
using testing::PostingLine;

class JournalRunTest : public testing::TransferTest {
 protected:
  void SetUp() override {
    TransferTest::SetUp();
    PostingFields f;
    f.Znesek = "100,00";
    Input({PostingLine({}), PostingLine(f)});
  }

  // One run with the journal hooked in; the guard's answer is `rebook`.
  TRunSummary Book() {
    TJournalObserver observer(journal, view, module.qQueryFind, [this](const TRunRecord& earlier) {
      asked.push_back(earlier.Id);
      return rebook;
    });
    TRunOptions options;
    options.Observer = &observer;
    TRunSummary s = RunTransfer(view, Ledger(), options);
    last = observer.Recorder().Current();
    return s;
  }

  int Lines() const { return Count("TemePoz"); }
  TRunState State(int64_t id) { return journal.Find(id)->State; }

  TRunJournal journal;
  bool rebook = false;
  std::vector<int64_t> asked;
  TRunRecord last;
};

TEST_F(JournalRunTest, ABookedFileIsBookedAgainOnlyWhenTheUserSaysSo) {
  ASSERT_EQ(Book().Outcome, TRunSummary::TOutcome::Booked);
  const TRunRecord first = *journal.Find(last.Id);
  EXPECT_TRUE(asked.empty());
  EXPECT_EQ(first.State, TRunState::Booked);
  EXPECT_EQ(first.Journal, "02KA00001");
  EXPECT_EQ(first.Records, 2);
  EXPECT_EQ(first.Lines, 4);
  EXPECT_EQ(first.FirstPoz, 1);
  EXPECT_EQ(first.LastPoz, 4);
  EXPECT_EQ(first.Debit.Value, 13345600);
  EXPECT_EQ(first.Credit.Value, 13345600);
  EXPECT_TRUE(first.CreatedHeader);
  EXPECT_EQ(first.NewSubjects, (std::vector<std::string>{"P001", "100"}));
  EXPECT_GT(first.Ended, 0);

  // "Ne": nothing booked, the row cancelled.
  const size_t statements = executed.size();
  EXPECT_EQ(Book().Outcome, TRunSummary::TOutcome::Cancelled);
  EXPECT_EQ(asked, (std::vector<int64_t>{first.Id}));
  EXPECT_EQ(Lines(), 4);
  EXPECT_EQ(executed.size(), statements);  // not one statement sent
  EXPECT_EQ(State(last.Id), TRunState::Cancelled);

  // "Da": a second journal.
  rebook = true;
  EXPECT_EQ(Book().Outcome, TRunSummary::TOutcome::Booked);
  EXPECT_EQ(last.Journal, "02KA00002");
  EXPECT_EQ(Lines(), 8);

  // Undone, the second no longer counts; the first still does.
  EXPECT_TRUE(UndoRun(journal, last.Id, module.Database, module.qQueryFind).Done);
  EXPECT_EQ(Count("TemePoz", "Kljuc = '02KA00002'"), 0);
  asked.clear();
  rebook = false;
  Book();
  EXPECT_EQ(asked, (std::vector<int64_t>{first.Id}));
  EXPECT_TRUE(UndoRun(journal, first.Id, module.Database, module.qQueryFind).Done);
  asked.clear();
  EXPECT_EQ(Book().Outcome, TRunSummary::TOutcome::Booked);
  EXPECT_TRUE(asked.empty());
}

TEST_F(JournalRunTest, AFailedRunIsRecordedAndDoesNotCountAsBooked) {
  ledger.Exec("ALTER TABLE TemePoz RENAME TO TemePozOff");
  EXPECT_EQ(Book().Outcome, TRunSummary::TOutcome::Failed);
  const TRunRecord failed = *journal.Find(last.Id);
  EXPECT_EQ(failed.State, TRunState::Failed);
  EXPECT_FALSE(failed.Failure.empty());
  ledger.Exec("ALTER TABLE TemePozOff RENAME TO TemePoz");
  EXPECT_EQ(Book().Outcome, TRunSummary::TOutcome::Booked);
  EXPECT_TRUE(asked.empty());
}

// A program killed in the middle of a run: before its commit nothing of it is in the
// ledger, after it everything is; the row it left running is settled accordingly.
class KillingObserver : public TJournalObserver {
 public:
  using TJournalObserver::TJournalObserver;
  bool killBeforeCommit = true;
  void Committing(const TRunSummary& s) override {
    TJournalObserver::Committing(s);
    if (killBeforeCommit) ::raise(SIGKILL);
  }
  void Finished(const TRunSummary&) override { ::raise(SIGKILL); }
};

TEST_F(JournalRunTest, ARowLeftRunningByAKilledProgramIsSettledByTheLedger) {
  for (bool beforeCommit : {true, false}) {
    const pid_t child = ::fork();
    if (child == 0) {
      TDataSif own;  // the child's own connection
      own.DataSifCreate();
      TRunJournal childJournal;
      KillingObserver observer(childJournal, view, own.qQueryFind,
                               [](const TRunRecord&) { return true; });
      observer.killBeforeCommit = beforeCommit;
      TRunOptions options;
      options.Observer = &observer;
      try {
        RunTransfer(view, own.Ledger(), options);
      } catch (...) {
      }
      ::_exit(3);  // reached only when the kill did not happen
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
    const TRunRecord left = journal.List().front();
    ASSERT_EQ(left.State, TRunState::Running);
    EXPECT_EQ(left.Lines, 4);
    module.Database.SetConnected(true);
    EXPECT_EQ(ResolveInterruptedRuns(journal, module.qQueryFind), 1);
    const TRunRecord settled = *journal.Find(left.Id);
    if (beforeCommit) {
      EXPECT_EQ(Lines(), 0);
      EXPECT_EQ(settled.State, TRunState::Failed);
    } else {
      EXPECT_EQ(Count("TemePoz", "Kljuc = '" + left.Journal + "'"), 4);
      EXPECT_EQ(settled.State, TRunState::Booked);
    }
  }
}

}  // namespace
}  // namespace prenos
