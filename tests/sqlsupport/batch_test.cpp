// The pending batch on real ledgers through the data module's statements: the threshold,
// forced sends, a send that fails part-way (nothing of it reaches the ledger, one record,
// the batch kept and sent once later), a lost link, and HstmtExecute's box and record.
#include "sqlsupport/batch.h"

#include <gtest/gtest.h>
#include <sql.h>
#include <sqlext.h>

#include <string>
#include <vector>

#include "app/datasif.h"
#include "ledger/ledger_fixture.h"
#include "odbc/odbcerror.h"
#include "platform/exceptions.h"
#include "sqlsupport/batch_send.h"
#include "sqlsupport/insertsql.h"
#include "support/error_records.h"

using namespace prenos;
using prenos::testing::ErrorRecords;
using prenos::testing::Field;
using prenos::testing::TestLedger;

namespace {

// One posting line of journal `kljuc` at position `poz`, as the run builds it.
void AppendLine(std::string& batch, const std::string& kljuc, int poz,
                const std::string& opomba = "") {
  InsertSQL(
      "TemePoz",
      {"Kljuc", kljuc, "Poz", poz, "Konto", "1200", "ProtiKonto", "7600", "Opomba", opomba,
       "DatumDok", TVarRec::DateTime(37042.5), "Debet", TCurrency{1234560}, "Kredit", TCurrency{0}},
      batch);
}

size_t LineLength(int poz, size_t padding) {
  std::string one;
  AppendLine(one, "02KA00001", poz, std::string(padding, 'x'));
  return one.size();
}

// A batch of lines 1, 2, ... of exactly `length` characters: as many unpadded lines as
// fit, the rest made up by padding their remarks (at most 40 characters each).
std::string BatchOfLength(size_t length) {
  int lines = 0;
  size_t base = 0;
  while (base + LineLength(lines + 1, 0) <= length) base += LineLength(++lines, 0);
  size_t missing = length - base;
  std::string batch;
  for (int poz = 1; poz <= lines; ++poz) {
    const size_t pad = std::min<size_t>(missing, 40);
    missing -= pad;
    AppendLine(batch, "02KA00001", poz, std::string(pad, 'x'));
  }
  return batch;
}

int LinesIn(const std::string& batch) {
  int n = 0;
  for (size_t p = 0; (p = batch.find("INSERT INTO ", p)) != std::string::npos; ++p) ++n;
  return n;
}

// The message a failing text gets from the driver when executed alone on a statement
// of its own (auto-commit, nothing else around it).
std::string DriverMessage(THdbc& connection, const std::string& sql) {
  THstmt probe(nullptr, "Probe");
  probe.SethDbc(&connection);
  probe.SetSQL(sql);
  try {
    probe.Execute();
  } catch (const EODBC& e) {
    return e.what();
  }
  ADD_FAILURE() << "expected the driver to reject: " << sql;
  return "";
}

class Batch : public ::testing::Test {
 protected:
  void SetUp() override {
    dm.Database.SetUserName(ledger.UserName());
    dm.Database.SetPassword(ledger.Password());
  }

  std::string Count(const std::string& where = "") {
    return ledger.Scalar("SELECT count(*) FROM TemePoz" + (where.empty() ? "" : " WHERE " + where));
  }
  // Positions in the ledger, in order, with how often each is there.
  std::vector<std::vector<std::string>> Positions() {
    return ledger.Query("SELECT Poz, count(*) FROM TemePoz GROUP BY Poz ORDER BY Poz");
  }
  std::vector<std::vector<std::string>> Expected(int from, int to) {
    std::vector<std::vector<std::string>> out;
    for (int p = from; p <= to; ++p) out.push_back({std::to_string(p), "1"});
    return out;
  }
  void TerminateBackend() {
    ledger.Exec(
        "SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
        "WHERE datname = current_database() AND pid <> pg_backend_pid()");
  }

  TestLedger ledger;
  TDataSif dm;
};

}  // namespace

TEST(SplitStatements, EndsAtTheBlankAfterParenthesisAndSemicolonOutsideLiterals) {
  using V = std::vector<std::string_view>;
  EXPECT_EQ(SplitStatements("INSERT INTO T(A) VALUES (1); INSERT INTO T(A) VALUES (2); "),
            (V{"INSERT INTO T(A) VALUES (1); ", "INSERT INTO T(A) VALUES (2); "}));
  // "); " inside a literal, also after a doubled quote, does not end the statement.
  EXPECT_EQ(
      SplitStatements("INSERT INTO T(A) VALUES ('a); b'); INSERT INTO T(A) VALUES ('x''); y'); "),
      (V{"INSERT INTO T(A) VALUES ('a); b'); ", "INSERT INTO T(A) VALUES ('x''); y'); "}));
  // A tail without an end is a statement of its own; a text without any end is one.
  EXPECT_EQ(SplitStatements("INSERT INTO T(A) VALUES (1); SELECT 1"),
            (V{"INSERT INTO T(A) VALUES (1); ", "SELECT 1"}));
  EXPECT_EQ(SplitStatements("SELECT 1"), (V{"SELECT 1"}));
  EXPECT_EQ(SplitStatements(""), (V{""}));
  // ");" without the blank, or a ";" after something else, is no end.
  EXPECT_EQ(SplitStatements("SELECT f(1);SELECT 2; SELECT 3"),
            (V{"SELECT f(1);SELECT 2; SELECT 3"}));
}

TEST_F(Batch, ABatchOfUpTo8192CharactersWaitsAndOneOf8193IsSent) {
  std::string batch = BatchOfLength(kBatchThreshold);
  ASSERT_EQ(batch.size(), 8192u);
  const std::string before = batch;
  EXPECT_TRUE(sqlExecute(dm.UpdateHstmt, batch, false));
  EXPECT_EQ(batch, before);
  EXPECT_EQ(Count(), "0");
  EXPECT_TRUE(dm.UpdateHstmt.SQL().empty());
  EXPECT_FALSE(dm.Database.Connected()) << "nothing was to be sent, so nothing connects";

  batch = BatchOfLength(kBatchThreshold + 1);
  ASSERT_EQ(batch.size(), 8193u);
  const int lines = LinesIn(batch);
  EXPECT_TRUE(sqlExecute(dm.UpdateHstmt, batch, false));
  EXPECT_TRUE(batch.empty());
  EXPECT_EQ(Positions(), Expected(1, lines));
  EXPECT_EQ(Count("Konto = '1200' AND Debet = 123.456 AND Kredit = 0"), std::to_string(lines));
  EXPECT_TRUE(ErrorRecords().empty());
}

TEST_F(Batch, AForcedShortBatchIsSentAtOnceWithItsLiteralsIntact) {
  std::string batch;
  AppendLine(batch, "02KA00001", 1, "x'); y");  // a statement end inside a literal
  AppendLine(batch, "02KA00001", 2, "");
  EXPECT_TRUE(sqlExecute(dm.UpdateHstmt, batch, true));
  EXPECT_TRUE(batch.empty());
  EXPECT_EQ(Positions(), Expected(1, 2));
  EXPECT_EQ(ledger.Scalar("SELECT Opomba FROM TemePoz WHERE Poz = 1"), "x'); y");
  EXPECT_TRUE(ErrorRecords().empty());

  // The send left the connection in auto-commit: a plain statement afterwards is
  // committed on its own and seen from outside.
  dm.qQuery1.SetSQL("INSERT INTO Subjekt(Naziv) VALUES ('Po pošiljki')");
  dm.qQuery1.Execute();
  dm.qQuery1.Close();
  EXPECT_EQ(ledger.Scalar("SELECT count(*) FROM Subjekt"), "1");
}

TEST_F(Batch, AForcedEmptyBatchIsNotExecutedAndLeavesNoRecord) {
  std::string batch;
  int executions = 0;
  dm.UpdateHstmt.BeforeExecute = [&](TComponent*) { ++executions; };
  EXPECT_TRUE(sqlExecute(dm.UpdateHstmt, batch, true));
  EXPECT_EQ(executions, 0);
  EXPECT_TRUE(ErrorRecords().empty()) << "no false failure of an empty text is recorded";

  AppendLine(batch, "02KA00001", 1);
  EXPECT_TRUE(sqlExecute(dm.UpdateHstmt, batch, true));
  EXPECT_EQ(executions, 1);
  EXPECT_EQ(Positions(), Expected(1, 1));
}

TEST_F(Batch, ABatchFailingInItsMiddleWritesNothingIsKeptAndIsSentOnceLater) {
  ledger.Exec("INSERT INTO TemePoz(Kljuc, Poz, Opomba) VALUES ('02KA00001', 2, 'prej')");
  std::string conflicting;
  AppendLine(conflicting, "02KA00001", 2);
  const std::string driverMessage = DriverMessage(dm.Database, conflicting);

  std::string batch;
  for (int poz = 1; poz <= 3; ++poz) AppendLine(batch, "02KA00001", poz);
  const std::string sent = batch;
  bool result = true;
  EXPECT_NO_THROW(result = sqlExecute(dm.UpdateHstmt, batch, true));
  EXPECT_FALSE(result);
  EXPECT_EQ(batch, sent);
  EXPECT_EQ(dm.UpdateHstmt.SQL(), sent) << "the statement is left with the batch";
  // Lines 1 and 3 are not in the ledger: nothing of the failed send was committed.
  EXPECT_EQ(ledger.Query("SELECT Poz, Opomba FROM TemePoz"),
            (std::vector<std::vector<std::string>>{{"2", "prej"}}));

  auto records = ErrorRecords();
  ASSERT_EQ(records.size(), 1u) << "one record, none \"sqlExecute\"";
  EXPECT_EQ(Field(records[0], "Operation"), "HstmtExecute-UpdateHstmt");
  EXPECT_EQ(Field(records[0], "SenderName"), "THstmt");
  EXPECT_EQ(Field(records[0], "ObjectName"), "UpdateHstmt");
  EXPECT_EQ(Field(records[0], "ExceptObject"), "EODBC");
  EXPECT_EQ(Field(records[0], "Error"), driverMessage.substr(0, 255));
  EXPECT_EQ(Field(records[0], "SenderProp"), "hDbc --> Database\r\nSQL --> " + sent + "\r\n");

  // The cause removed, the next send carries the kept lines with the new one, each once.
  ledger.Exec("DELETE FROM TemePoz");
  AppendLine(batch, "02KA00001", 4);
  EXPECT_TRUE(sqlExecute(dm.UpdateHstmt, batch, true));
  EXPECT_TRUE(batch.empty());
  EXPECT_EQ(Positions(), Expected(1, 4));
  EXPECT_EQ(ErrorRecords().size(), 1u);
}

TEST_F(Batch, AFailureBeforeTheExecutionIsRecordedAsSqlExecuteAndKeepsTheBatch) {
  THstmt unbound(nullptr, "UpdateHstmt");  // no connection: Close cannot get a handle
  std::string batch;
  AppendLine(batch, "02KA00001", 1);
  const std::string kept = batch;
  EXPECT_FALSE(sqlExecute(unbound, batch, true));
  EXPECT_EQ(batch, kept);
  const auto records = ErrorRecords();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(Field(records[0], "Operation"), "sqlExecute");
  EXPECT_EQ(Field(records[0], "ExceptObject"), "EQuarnel");
  EXPECT_EQ(Field(records[0], "Error"), "Property Hdbc of UpdateHstmt not set.");
  EXPECT_EQ(Count(), "0");
}

TEST_F(Batch, ASendOnAConnectionWhoseServerEndIsGoneIsKeptAndSentOnceAfterReconnecting) {
  if (!ledger.IsPostgres()) GTEST_SKIP() << "a local SQLite file has no link to lose";
  std::string batch;
  AppendLine(batch, "02KA00001", 1);
  ASSERT_TRUE(sqlExecute(dm.UpdateHstmt, batch, true));

  TerminateBackend();
  AppendLine(batch, "02KA00001", 2);
  AppendLine(batch, "02KA00001", 3);
  const std::string kept = batch;
  EXPECT_FALSE(sqlExecute(dm.UpdateHstmt, batch, true));
  EXPECT_EQ(batch, kept);
  EXPECT_FALSE(dm.Database.Connected()) << "a lost link takes the connection down";
  auto records = ErrorRecords();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(Field(records[0], "Operation"), "HstmtExecute-UpdateHstmt");
  EXPECT_EQ(Positions(), Expected(1, 1));

  // The next send connects again by itself.
  EXPECT_TRUE(sqlExecute(dm.UpdateHstmt, batch, true));
  EXPECT_TRUE(batch.empty());
  EXPECT_EQ(Positions(), Expected(1, 3));
  EXPECT_EQ(ErrorRecords().size(), 1u);
}

TEST_F(Batch, ALinkLostBetweenExecutionAndCommitKeepsTheBatch) {
  if (!ledger.IsPostgres()) GTEST_SKIP() << "a local SQLite file has no link to lose";
  std::string batch;
  AppendLine(batch, "02KA00001", 1);
  ASSERT_TRUE(sqlExecute(dm.UpdateHstmt, batch, true));

  // The server end goes after the batch has executed and before it is committed: the
  // commit fails, and the server has rolled the batch back.
  dm.UpdateHstmt.AfterExecute = [&](TComponent*) { TerminateBackend(); };
  AppendLine(batch, "02KA00001", 2);
  EXPECT_FALSE(sqlExecute(dm.UpdateHstmt, batch, true));
  EXPECT_FALSE(batch.empty());
  EXPECT_EQ(Positions(), Expected(1, 1));
  AppendLine(batch, "02KA00001", 3);
  const std::string kept = batch;
  EXPECT_FALSE(sqlExecute(dm.UpdateHstmt, batch, true));
  EXPECT_EQ(batch, kept) << "and once more, the link going the same way";
  EXPECT_EQ(Positions(), Expected(1, 1));
  const auto records = ErrorRecords();
  ASSERT_EQ(records.size(), 2u);
  for (const auto& r : records) EXPECT_EQ(Field(r, "Operation"), "HstmtExecute-UpdateHstmt");

  dm.UpdateHstmt.AfterExecute = nullptr;
  EXPECT_TRUE(sqlExecute(dm.UpdateHstmt, batch, true));
  EXPECT_EQ(Positions(), Expected(1, 3));
}

TEST_F(Batch, HstmtExecuteShowsTheBoxThenRecordsThenAbortsSilently) {
  struct Box {
    int shown = 0;
    std::string title, text;
    size_t recordsWhenShown = 99;
  } box;
  SetErrorBoxHook([&](const std::string& title, const std::string& text) {
    ++box.shown;
    box.title = title;
    box.text = text;
    box.recordsWhenShown = ErrorRecords().size();
  });
  struct Unhook {
    ~Unhook() { SetErrorBoxHook({}); }
  } unhook;

  dm.qQueryFind.SetSQL("SELECT MAX(Poz) AS MaxValue FROM TemePoz");
  EXPECT_TRUE(HstmtExecute(dm.qQueryFind, true));
  EXPECT_EQ(box.shown, 0);
  dm.qQueryFind.Close();

  const std::string failing = "SELECT MAX(NiStolpca) AS MaxValue FROM TemePoz";
  const std::string message = DriverMessage(dm.Database, failing);
  dm.qQueryFind.SetSQL(failing);
  try {
    HstmtExecute(dm.qQueryFind, true);
    ADD_FAILURE() << "HstmtExecute returned on a failure";
  } catch (const EAbort& e) {
    EXPECT_TRUE(IsExactlyEAbort(e));
  }
  EXPECT_EQ(box.shown, 1);
  EXPECT_EQ(box.title, "Error");
  EXPECT_EQ(box.text, "Napaka pri odpiranju datoteke: qQueryFind !\r\n" + message);
  EXPECT_EQ(box.recordsWhenShown, 0u) << "the box comes before the record";
  auto records = ErrorRecords();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(Field(records[0], "Operation"), "HstmtExecute-qQueryFind");
  EXPECT_EQ(Field(records[0], "ObjectName"), "qQueryFind");
  EXPECT_EQ(Field(records[0], "Error"), message.substr(0, 255));

  // Without show: the record and the abort, no box.
  EXPECT_THROW(HstmtExecute(dm.qQueryFind, false), EAbort);
  EXPECT_EQ(box.shown, 1);
  EXPECT_EQ(ErrorRecords().size(), 2u);
}
