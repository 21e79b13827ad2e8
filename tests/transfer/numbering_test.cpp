// Journal keys and positions drawn from a real ledger, their statements and failure
// records, and the small text routines behind them.
#include "transfer/numbering.h"

#include <gtest/gtest.h>

#include "platform/exceptions.h"
#include "run_fixture.h"
#include "sqlsupport/literals.h"
#include "support/error_records.h"

namespace prenos {
namespace {

using testing::ErrorRecords;
using testing::Executed;

TEST(NumberingText, StrToIntZeroReadsWholeNumbersAndGivesZeroForAnythingElse) {
  EXPECT_EQ(StrToIntZero("  12  "), 12);
  EXPECT_EQ(StrToIntZero("-3"), -3);
  EXPECT_EQ(StrToIntZero("+41"), 41);
  EXPECT_EQ(StrToIntZero(""), 0);
  EXPECT_EQ(StrToIntZero("   "), 0);
  EXPECT_EQ(StrToIntZero("1a"), 0);
  EXPECT_EQ(StrToIntZero("1 2"), 0);
  // The scientific form a floating-point maximum reads as.
  EXPECT_EQ(StrToIntZero(" 7.00000000000000E+0000"), 0);
  EXPECT_EQ(StrToIntZero("99999999999"), 0);
}

TEST(NumberingText, StrZeroIntPadsToTheWidthAndNeverCuts) {
  EXPECT_EQ(StrZeroInt(42, 5), "00042");
  EXPECT_EQ(StrZeroInt(1, 5), "00001");
  EXPECT_EQ(StrZeroInt(99999, 5), "99999");
  EXPECT_EQ(StrZeroInt(123456, 5), "123456");
  EXPECT_EQ(StrZeroInt(7, 0), "7");
  EXPECT_EQ(ReplicateStr('0', 3), "000");
  EXPECT_EQ(ReplicateStr('x', 1), "x");
  EXPECT_EQ(ReplicateStr('0', 0), "");
  EXPECT_EQ(ReplicateStr('0', -4), "");
}

class NumberingTest : public testing::TransferTest {
 protected:
  THstmt& Find() { return module.qQueryFind; }
  void Journal(const std::string& key) {
    ledger.Exec("INSERT INTO Teme (Kljuc, PoslDog) VALUES ('" + QuoteSQL(key) + "', 'KA')");
  }
  void Lines(const std::string& key, int from, int to) {
    for (int p = from; p <= to; ++p)
      ledger.Exec("INSERT INTO TemePoz (Kljuc, Poz) VALUES ('" + QuoteSQL(key) + "', " +
                  std::to_string(p) + ")");
  }
  // Runs fn, which must end in the silent abort, and returns the error records then.
  template <class F>
  std::vector<testing::ErrorRecord> RecordsOfAbort(F fn) {
    try {
      fn();
      ADD_FAILURE() << "no abort";
    } catch (const std::exception& e) {
      EXPECT_TRUE(IsExactlyEAbort(e)) << e.what();
    }
    return ErrorRecords();
  }
  std::vector<Executed> Found() const {
    std::vector<Executed> out;
    for (const Executed& e : executed)
      if (e.statement == "qQueryFind") out.push_back(e);
    return out;
  }
};

TEST_F(NumberingTest, TheLargestValueIsReadAsTextFromTheLedgerAsItStands) {
  ledger.LoadSample();
  EXPECT_EQ(GetMaxValueInTable(Find(), "Kljuc", "Teme", ""), "26KA00002");
  EXPECT_EQ(GetMaxValueInTable(Find(), "Poz", "TemePoz", "Kljuc = '26KA00001'"), "2");
  EXPECT_EQ(GetMaxValueInTable(Find(), "Poz", "TemePoz", "Kljuc = 'none'"), "");
  EXPECT_EQ(
      Found(),
      (std::vector<Executed>{
          {"qQueryFind", "SELECT MAX(Kljuc) AS MaxValue FROM Teme"},
          {"qQueryFind", "SELECT MAX(Poz) AS MaxValue FROM TemePoz WHERE Kljuc = '26KA00001'"},
          {"qQueryFind", "SELECT MAX(Poz) AS MaxValue FROM TemePoz WHERE Kljuc = 'none'"}}));
  // Pending statements are not sent first.
  SQLBatch = "INSERT INTO Teme(Kljuc) VALUES ('26KA00009'); ";
  EXPECT_EQ(GetMaxValueInTable(Find(), "Kljuc", "Teme", "Kljuc LIKE '26KA%'"), "26KA00002");
  EXPECT_EQ(Sent(), std::vector<std::string>{});
  EXPECT_TRUE(ErrorRecords().empty());
}

TEST_F(NumberingTest, AFailingLookUpIsRecordedOnceAndAbortsSilently) {
  const auto records = RecordsOfAbort([&] { GetMaxValueInTable(Find(), "Kljuc", "Missing", ""); });
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].at("Operation"), "HstmtExecute-qQueryFind");
  EXPECT_EQ(records[0].at("SenderName"), "THstmt");
  EXPECT_EQ(records[0].at("ObjectName"), "qQueryFind");
  EXPECT_EQ(records[0].at("ExceptObject"), "EODBC");
}

TEST_F(NumberingTest, ANewKeyFollowsTheLargestKeyWithThePrefix) {
  EXPECT_EQ(NovaStevGlavC(Find(), "Teme", "Kljuc", "02KA"), "02KA00001");
  Journal("02KA00041");
  Journal("02KA00007");
  Journal("02KB00077");  // other business event
  Journal("03KA00099");  // other year
  EXPECT_EQ(NovaStevGlavC(Find(), "Teme", "Kljuc", "02KA"), "02KA00042");
  EXPECT_EQ(Found().at(0).sql, "SELECT MAX(Kljuc) AS MaxValue FROM Teme WHERE Kljuc LIKE '02KA%'");
  EXPECT_TRUE(ErrorRecords().empty());
}

// The sequence has five digits. A key written with six (02KA100000) sorts below 02KA99999
// as text, so the look-up would find 99999 again and every later draw would repeat the
// same key. The draw after 99999 therefore fails like any draw that yields no number:
// recorded, and the run ends silently before it writes anything.
TEST_F(NumberingTest, TheDrawAfterTheLastFiveDigitSequenceFails) {
  Journal("02KA99998");
  EXPECT_EQ(NovaStevGlavC(Find(), "Teme", "Kljuc", "02KA"), "02KA99999");
  Journal("02KA99999");
  const auto records = RecordsOfAbort([&] { NovaStevGlavC(Find(), "Teme", "Kljuc", "02KA"); });
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].at("Operation"), "NovaStevGlavC-Teme");
  EXPECT_EQ(records[0].at("Error"), "No journal key after 02KA99999");
}

TEST_F(NumberingTest, AForeignKeyWhoseSequenceIsNoNumberFailsTheDraw) {
  Journal("02KA00041");
  Journal("02KAX0001");  // the largest text with the prefix
  const auto records = RecordsOfAbort([&] { NovaStevGlavC(Find(), "Teme", "Kljuc", "02KA"); });
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].at("Operation"), "NovaStevGlavC-Teme");
  EXPECT_EQ(records[0].at("SenderName"), "TApplication");
  EXPECT_EQ(records[0].at("ExceptObject"), "EConvertError");
  EXPECT_EQ(records[0].at("Error"), "'X0001' is not a valid integer value");
}

TEST_F(NumberingTest, APrefixOrKeyHoldingAQuoteIsLookedUpWithTheQuoteDoubled) {
  Journal("0'KA00007");
  Lines("0'KA00007", 1, 3);
  EXPECT_EQ(NovaStevGlavC(Find(), "Teme", "Kljuc", "0'KA"), "0'KA00008");
  EXPECT_EQ(NovaStevPozN(Find(), "TemePoz", "0'KA00007", 1), 4);
  EXPECT_EQ(
      Found(),
      (std::vector<Executed>{
          {"qQueryFind", "SELECT MAX(Kljuc) AS MaxValue FROM Teme WHERE Kljuc LIKE '0''KA%'"},
          {"qQueryFind", "SELECT MAX(Poz) AS MaxValue FROM TemePoz WHERE Kljuc = '0''KA00007'"}}));
  EXPECT_TRUE(ErrorRecords().empty());
}

TEST_F(NumberingTest, TheNextPositionFollowsTheLargestOfTheJournal) {
  Journal("02KA00041");
  Lines("02KA00041", 1, 7);
  Lines("02KA00042", 1, 20);  // another journal's lines do not count
  EXPECT_EQ(NovaStevPozN(Find(), "TemePoz", "02KA00041", 1), 8);
  EXPECT_EQ(NovaStevPozN(Find(), "TemePoz", "02KA00041", 10), 17);
  EXPECT_EQ(NovaStevPozN(Find(), "TemePoz", "02KA00099", 1), 1);
  EXPECT_EQ(Found().at(0).sql,
            "SELECT MAX(Poz) AS MaxValue FROM TemePoz WHERE Kljuc = '02KA00041'");
}

TEST_F(NumberingTest, AFailedPositionLookUpEndsTheActionInsteadOfGuessingANumber) {
  // The statement's failure is the one record: the abort is not recorded again.
  const auto records = RecordsOfAbort([&] { NovaStevPozN(Find(), "Missing", "02KA00041", 1); });
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].at("Operation"), "HstmtExecute-qQueryFind");
}

}  // namespace
}  // namespace prenos
