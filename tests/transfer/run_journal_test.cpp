// The run journal on real ledgers: its table, the guard's choice of earlier runs, the
// undo of booked runs, and rows a killed program left running.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "localtables/table.h"
#include "run_fixture.h"
#include "support/error_records.h"
#include "transfer/run_recorder.h"
#include "transfer/run_resolution.h"
#include "transfer/run_undo.h"

namespace prenos {
namespace {

using testing::PostingFields;
using testing::PostingLine;

class RunJournalTest : public testing::TransferTest {
 protected:
  // n records of amounts 1,00 .. n,00 booked by a real run; returns the journal row that
  // describes it as the recorder writes it (2n lines from firstPoz on).
  TRunRecord Book(int n, const std::string& key, int firstPoz, bool createdHeader) {
    std::vector<std::string> lines;
    for (int i = 1; i <= n; ++i) {
      PostingFields f;
      f.Znesek = std::to_string(i) + ",00";
      lines.push_back(PostingLine(f));
    }
    Input(lines);
    Run();
    const int64_t sum = int64_t{n} * (n + 1) / 2 * 10000;
    TRunRecord r;
    r.Started = Now();
    r.FileName = view.fileName;
    r.Journal = key;
    r.CreatedHeader = createdHeader;
    r.AttachedToExisting = !createdHeader;
    r.FirstPoz = firstPoz;
    r.LastPoz = firstPoz + 2 * n - 1;
    r.Lines = 2 * n;
    r.Debit = r.Credit = TCurrency{sum};
    r.State = TRunState::Booked;
    journal.Insert(r);
    return r;
  }

  int Lines(const std::string& key) { return Count("TemePoz", "Kljuc = '" + key + "'"); }
  int Headers(const std::string& key) { return Count("Teme", "Kljuc = '" + key + "'"); }
  TUndoResult Undo(int64_t id) { return UndoRun(journal, id, module.Database, module.qQueryFind); }

  // The id of a process that has ended.
  static int64_t DeadPid() {
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(0);
    ::waitpid(pid, nullptr, 0);
    return pid;
  }

  void SetUp() override {
    TransferTest::SetUp();
    ledger.LoadSample();
    module.Database.SetConnected(true);
  }

  TRunJournal journal;
};

TEST_F(RunJournalTest, RowsKeepEveryFieldAndTheStoreReadsTheTable) {
  TRunRecord r;
  r.Started = EncodeDate(2026, 12, 1) + EncodeTime(9, 30, 5, 0);
  r.FileName =
      "c:\\temp\\knji\x9E"
      "be.txt";
  r.FileSize = 2250;
  r.Sha256 = std::string(64, 'a');
  r.Records = 10;
  r.PoslDog = "KA";
  r.Date = EncodeDate(2026, 11, 30);
  r.Referent = "07";
  r.Journal = "26KA00003";
  r.CreatedHeader = true;
  r.FirstPoz = 1;
  r.LastPoz = 20;
  r.Lines = 20;
  r.Debit = TCurrency{123456789};
  r.Credit = TCurrency{123456788};
  r.NewSubjects = {"100",
                   "P\xE8"
                   "09"};
  r.User = "ana";
  r.Process = 42;
  const int64_t first = journal.Insert(r);
  r.State = TRunState::Failed;
  r.Failure = "Napaka \xE8\x9A\x9E";
  journal.Update(r);
  TRunRecord second;
  EXPECT_EQ(journal.Insert(second), first + 1);

  const TRunRecord back = *journal.Find(first);
  EXPECT_EQ(back.Started, r.Started);
  EXPECT_EQ(back.FileName, r.FileName);
  EXPECT_EQ(back.Sha256, r.Sha256);
  EXPECT_EQ(back.Date, r.Date);
  EXPECT_EQ(back.Debit.Value, 123456789);
  EXPECT_EQ(back.Credit.Value, 123456788);
  EXPECT_EQ(back.NewSubjects, r.NewSubjects);
  EXPECT_EQ(back.State, TRunState::Failed);
  EXPECT_EQ(back.Failure, r.Failure);
  EXPECT_EQ(back.Ended, 0);
  EXPECT_EQ(journal.List().front().Id, first + 1);  // newest first

  // The local table store opens the journal like any of its tables.
  TTable table;
  table.SetTableName(kRunJournalTableName);
  table.Open();
  EXPECT_EQ(table.RecordCount(), 2);
  EXPECT_EQ(table.FieldByName("Kljuc").AsString(), "26KA00003");
  EXPECT_EQ(table.FieldByName("Izid").DataType(), TFieldType::String);
  EXPECT_EQ(table.FieldByName("Zacetek").AsDateTime(), r.Started);
}

TEST_F(RunJournalTest, OnlyBookedRunsNotUndoneCountForTheGuard) {
  Input({PostingLine({})});
  bool asked = false;
  bool answer = false;
  TRunRecorder recorder(journal, view, module.qQueryFind, [&](const TRunRecord& earlier) {
    asked = true;
    EXPECT_NE(RebookQuestion(earlier).find("26KA00009 (2 vrstic)"), std::string::npos);
    return answer;
  });
  ASSERT_TRUE(recorder.FileChosen(view.fileName));
  EXPECT_FALSE(asked);
  const std::string digest = recorder.Current().Sha256;
  EXPECT_EQ(digest.size(), 64u);
  for (TRunState s :
       {TRunState::Failed, TRunState::Undone, TRunState::Cancelled, TRunState::Preview}) {
    TRunRecord r;
    r.Sha256 = digest;
    r.State = s;
    r.Journal = "26KA00008";
    r.Lines = 2;
    journal.Insert(r);
  }
  recorder.Finished(TRunState::Failed,
                    "Knji\x9E"
                    "enje",
                    "link lost\nsecond line");
  EXPECT_EQ(journal.Find(recorder.Current().Id)->Failure, "link lost");
  ASSERT_TRUE(recorder.FileChosen(view.fileName));
  EXPECT_FALSE(asked);

  TRunRecord booked;
  booked.Sha256 = digest;
  booked.State = TRunState::Booked;
  booked.FileName = view.fileName;
  booked.Journal = "26KA00009";
  booked.Lines = 2;
  journal.Insert(booked);
  EXPECT_FALSE(recorder.FileChosen(view.fileName));  // "Ne"
  EXPECT_TRUE(asked);
  EXPECT_EQ(journal.Find(recorder.Current().Id)->State, TRunState::Cancelled);
  answer = true;
  EXPECT_TRUE(recorder.FileChosen(view.fileName));  // "Da"
  EXPECT_EQ(journal.Find(recorder.Current().Id)->State, TRunState::Running);
  EXPECT_EQ(recorder.Earlier()->Id, booked.Id);
}

TEST_F(RunJournalTest, UndoOfANewJournalRemovesItsLinesAndHeader) {
  const TRunRecord run = Book(3, "02KA00001", 1, true);
  ASSERT_EQ(Lines("02KA00001"), 6);
  const std::string question = UndoQuestion(run);
  EXPECT_NE(question.find("02KA00001"), std::string::npos);
  EXPECT_NE(question.find("6 vrstic"), std::string::npos);
  EXPECT_NE(question.find("6.00"), std::string::npos);

  const TUndoResult result = Undo(run.Id);
  EXPECT_TRUE(result.Done) << result.Reason;
  EXPECT_EQ(Lines("02KA00001"), 0);
  EXPECT_EQ(Headers("02KA00001"), 0);
  EXPECT_EQ(Lines("26KA00001"), 2);  // the rest of the ledger is untouched
  const TRunRecord after = *journal.Find(run.Id);
  EXPECT_EQ(after.State, TRunState::Undone);
  EXPECT_GT(after.UndoneAt, 0);
  EXPECT_FALSE(Undo(run.Id).Done);  // once only
}

TEST_F(RunJournalTest, UndoOfARunIntoAnExistingJournalRemovesOnlyItsLines) {
  view.attach = true;
  view.temeljnica = "26KA00001";
  const TRunRecord run = Book(2, "26KA00001", 3, false);
  ASSERT_EQ(Lines("26KA00001"), 6);
  EXPECT_TRUE(Undo(run.Id).Done);
  EXPECT_EQ(Lines("26KA00001"), 2);
  EXPECT_EQ(Count("TemePoz", "Kljuc = '26KA00001' AND Poz <= 2"), 2);
  EXPECT_EQ(Headers("26KA00001"), 1);

  // A header this run created stays while other lines are in its journal.
  view.attach = false;
  const TRunRecord fresh = Book(1, "02KA00001", 1, true);
  ledger.Exec("INSERT INTO TemePoz (Kljuc, Poz, Debet, Kredit) VALUES ('02KA00001', 9, 1, 0)");
  EXPECT_TRUE(Undo(fresh.Id).Done);
  EXPECT_EQ(Lines("02KA00001"), 1);
  EXPECT_EQ(Headers("02KA00001"), 1);
}

TEST_F(RunJournalTest, UndoIsRefusedWhenTheLinesChangedAndDeletesNothing) {
  const TRunRecord run = Book(2, "02KA00001", 1, true);
  ledger.Exec("UPDATE TemePoz SET Debet = 7 WHERE Kljuc = '02KA00001' AND Poz = 1");
  const TUndoResult result = Undo(run.Id);
  EXPECT_FALSE(result.Done);
  EXPECT_NE(result.Reason.find("spremenile"), std::string::npos) << result.Reason;
  EXPECT_NE(result.Reason.find("breme 9.00"), std::string::npos) << result.Reason;
  EXPECT_EQ(Lines("02KA00001"), 4);
  EXPECT_EQ(Headers("02KA00001"), 1);
  EXPECT_EQ(journal.Find(run.Id)->State, TRunState::Booked);

  ledger.Exec("DELETE FROM TemePoz WHERE Kljuc = '02KA00001' AND Poz = 4");
  ledger.Exec("UPDATE TemePoz SET Debet = 1 WHERE Kljuc = '02KA00001' AND Poz = 1");
  EXPECT_FALSE(Undo(run.Id).Done);
  EXPECT_EQ(Lines("02KA00001"), 3);
}

TEST_F(RunJournalTest, RowsLeftRunningAreSettledByTheLedger) {
  const TRunRecord booked = Book(2, "02KA00001", 1, true);
  const int64_t dead = DeadPid();
  auto running = [&](const std::string& key, int first, int lines, TCurrency sum, int64_t pid) {
    TRunRecord r;
    r.Journal = key;
    r.FirstPoz = first;
    r.LastPoz = first + lines - 1;
    r.Lines = lines;
    r.Debit = r.Credit = sum;
    r.Process = pid;
    journal.Insert(r);
    return r.Id;
  };
  // Its lines committed, but the program died before completing its row.
  const int64_t committed = running("02KA00001", 1, 4, booked.Debit, dead);
  journal.Update([&] {
    TRunRecord r = *journal.Find(booked.Id);
    r.State = TRunState::Failed;  // as if this run had never been recorded
    return r;
  }());
  const int64_t notThere = running("02KA00002", 1, 4, booked.Debit, dead);
  const int64_t beforeLines = running("", 0, 0, TCurrency{}, dead);
  const int64_t alive = running("02KA00003", 1, 2, TCurrency{}, 1);  // init never ends

  EXPECT_EQ(ResolveInterruptedRuns(journal, module.qQueryFind), 3);
  EXPECT_EQ(journal.Find(committed)->State, TRunState::Booked);
  EXPECT_EQ(journal.Find(notThere)->State, TRunState::Failed);
  EXPECT_EQ(journal.Find(beforeLines)->State, TRunState::Failed);
  EXPECT_EQ(journal.Find(alive)->State, TRunState::Running);
  EXPECT_GT(journal.Find(committed)->Ended, 0);
  // The settled run can be undone like any booked one.
  EXPECT_TRUE(Undo(committed).Done);
  EXPECT_EQ(Lines("02KA00001"), 0);
}

}  // namespace
}  // namespace prenos
