// Subject look-ups and the registration of codes the ledger lacks, on a real ledger.
#include "transfer/subjects.h"

#include <gtest/gtest.h>

#include "odbc/odbcerror.h"
#include "run_fixture.h"
#include "support/error_records.h"
#include "transfer/run_failure.h"

namespace prenos {
namespace {

using testing::ErrorRecords;
using testing::Executed;

constexpr const char* kHeader =
    "INSERT INTO Teme(Kljuc,PoslDog,Datum,Referent,UserZap,UserSpre) VALUES "
    "('02KA00001','KA','2002/03/15 00:00:00','07','07','07'); ";

std::string SubjectInsert(const std::string& naziv, const std::string& maticna) {
  return "INSERT INTO Subjekt(Naziv,Naziv2,MaticnaStev,VrstSubj,Valuta,DobValuta) VALUES ('" +
         naziv + "','" + naziv + "','" + maticna + "','P','SIT','SIT'); ";
}

class SubjectTest : public testing::TransferTest {
 protected:
  std::vector<std::vector<std::string>> Subject(const std::string& naziv2) const {
    return ledger.Query(
        "SELECT Naziv, Naziv2, MaticnaStev, VrstSubj, Valuta, DobValuta FROM Subjekt WHERE Naziv2 "
        "= '" +
        naziv2 + "'");
  }
};

TEST_F(SubjectTest, AKnownCodeGivesTheLedgersNameWithoutWritingAnything) {
  ledger.LoadSample();
  ledger.Exec("INSERT INTO Subjekt (Naziv, Naziv2) VALUES (NULL, 'N1')");
  SQLBatch = kHeader;
  EXPECT_EQ(SubjNaziv(Ledger(), "P001"), "Mercator d.d.");
  EXPECT_EQ(SubjNaziv(Ledger(), "100"), "Uprava");
  EXPECT_EQ(SubjNaziv(Ledger(), "N1"), "");  // a null name reads as empty, and is known
  EXPECT_EQ(executed,
            (std::vector<Executed>{{"qQuery0", "SELECT Naziv FROM Subjekt WHERE Naziv2 = 'P001'"},
                                   {"qQuery0", "SELECT Naziv FROM Subjekt WHERE Naziv2 = '100'"},
                                   {"qQuery0", "SELECT Naziv FROM Subjekt WHERE Naziv2 = 'N1'"}}));
  EXPECT_EQ(SQLBatch, kHeader);
  EXPECT_EQ(Count("Subjekt"), 8);
}

TEST_F(SubjectTest, AnUnknownCodeIsRegisteredOnceAfterThePendingStatements) {
  SQLBatch = kHeader;
  EXPECT_EQ(SubjNaziv(Ledger(), "P999"), "P999");
  // The pending header goes first, then the new subject on its own.
  EXPECT_EQ(Sent(), (std::vector<std::string>{kHeader, SubjectInsert("P999", "P999")}));
  EXPECT_EQ(SQLBatch, "");
  EXPECT_EQ(Count("Teme", "Kljuc = '02KA00001'"), 1);
  EXPECT_EQ(Subject("P999"),
            (std::vector<std::vector<std::string>>{{"P999", "P999", "P999", "P", "SIT", "SIT"}}));

  // Found from now on, within the same run as in any later one.
  executed.clear();
  EXPECT_EQ(SubjNaziv(Ledger(), "P999"), "P999");
  EXPECT_EQ(Sent(), std::vector<std::string>{});
  EXPECT_EQ(Count("Subjekt"), 1);
  EXPECT_TRUE(ErrorRecords().empty());
}

TEST_F(SubjectTest, LongQuotedAndEmptyCodesAreRegisteredAsTheyStand) {
  EXPECT_EQ(SubjNaziv(Ledger(), "ABCDEFGHIJ"), "ABCDEFGHIJ");
  EXPECT_EQ(Subject("ABCDEFGHIJ").at(0).at(2), "ABCDEFGH");

  EXPECT_EQ(SubjNaziv(Ledger(), "O'Hara"), "O'Hara");
  EXPECT_EQ(SubjNaziv(Ledger(), "O'Hara"), "O'Hara");
  EXPECT_EQ(executed.at(executed.size() - 1).sql,
            "SELECT Naziv FROM Subjekt WHERE Naziv2 = 'O''Hara'");
  ASSERT_FALSE(Sent().empty());
  EXPECT_EQ(Sent().back(), SubjectInsert("O''Hara", "O''Hara"));
  EXPECT_EQ(Count("Subjekt", "Naziv2 = 'O''Hara'"), 1);

  EXPECT_EQ(SubjNaziv(Ledger(), ""), "");
  EXPECT_EQ(SubjNaziv(Ledger(), ""), "");
  ASSERT_FALSE(Sent().empty());
  EXPECT_EQ(Sent().back(), SubjectInsert("", ""));
  EXPECT_EQ(Count("Subjekt", "Naziv2 = ''"), 1);
  EXPECT_EQ(Count("Subjekt"), 3);
}

TEST_F(SubjectTest, AFailedRegistrationIsRecordedOnceAndEndsTheRunsStep) {
  // A pending statement the ledger refuses fails the send before the subject's own.
  const std::string refused = "INSERT INTO Missing(A) VALUES (1); ";
  SQLBatch = refused;
  std::vector<std::string> registered;
  try {
    SubjNaziv(Ledger(), "P555", &registered);
    ADD_FAILURE() << "the registration went on";
  } catch (const ERunFailure& e) {
    EXPECT_EQ(e.Step(), run_step::kSubjectRegistration);
  }
  EXPECT_EQ(Sent(), std::vector<std::string>{refused});
  EXPECT_TRUE(registered.empty());
  EXPECT_EQ(Count("Subjekt"), 0);
  const auto records = ErrorRecords();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].at("Operation"), "HstmtExecute-UpdateHstmt");

  SQLBatch.clear();
  EXPECT_EQ(SubjNaziv(Ledger(), "P555", &registered), "P555");
  EXPECT_EQ(SubjNaziv(Ledger(), "P555", &registered), "P555");
  EXPECT_EQ(registered, std::vector<std::string>{"P555"});
}

TEST_F(SubjectTest, AFailingLookUpIsRecordedRaisedWithTheDriversMessageAndSendsNothing) {
  ledger.Exec("DROP TABLE Subjekt");
  SQLBatch = kHeader;
  try {
    SubjNaziv(Ledger(), "P001");
    ADD_FAILURE() << "the look-up went on";
  } catch (const ERunFailure& e) {
    EXPECT_EQ(e.Step(), run_step::kSubjectLookup);
    EXPECT_FALSE(e.Message().empty());
    const auto records = ErrorRecords();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].at("Operation"), "SubjNaziv");
    EXPECT_EQ(records[0].at("Error"), e.Message().substr(0, 255));
  }
  EXPECT_EQ(SQLBatch, kHeader);
  EXPECT_EQ(Sent(), std::vector<std::string>{});
  EXPECT_EQ(Count("Teme"), 0);
}

}  // namespace
}  // namespace prenos
