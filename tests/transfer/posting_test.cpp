// The posting rules on real staged records and a real ledger: which lines are written,
// their columns, the header of a new journal and the position counter.
#include "transfer/posting.h"

#include <gtest/gtest.h>

#include "run_fixture.h"
#include "support/error_records.h"

namespace prenos {
namespace {

using testing::ErrorRecords;
using testing::PostingFields;
using testing::PostingLine;

TEST(YearS, GivesTheYearInAsManyDigitsAsAskedFor) {
  const TDateTime d = EncodeDate(2002, 3, 15);
  EXPECT_EQ(YearS(2, d), "02");
  EXPECT_EQ(YearS(2, EncodeDate(2009, 1, 5)), "09");
  EXPECT_EQ(YearS(2, EncodeDate(1999, 12, 31)), "99");
  EXPECT_EQ(YearS(4, d), "2002");
  EXPECT_EQ(YearS(3, d), "200");
  EXPECT_EQ(YearS(1, d), "0");
  EXPECT_EQ(YearS(0, d), "");
}

class PostingTest : public testing::TransferTest {
 protected:
  void SetUp() override {
    TransferTest::SetUp();
    ledger.LoadSample();  // P001 is "Mercator d.d.", 100 is "Uprava"
    TransferDate = EncodeDate(2002, 3, 15);
  }

  // Stages one record and returns the rules' view of it.
  TPostingSource Stage(const PostingFields& f) {
    Input({PostingLine(f)});
    view.FillPrenos();
    return TPostingSource{Ledger(), view.tables.tbPrenos, "KA", "07"};
  }

  // The INSERT of a line as FillPoz appends it, from VKljuc on the values that vary.
  static std::string Line(const std::string& key, int poz, const std::string& konto,
                          const std::string& proti, const std::string& vKljuc,
                          const std::string& amounts) {
    return "INSERT INTO "
           "TemePoz(Kljuc,Poz,Konto,ProtiKonto,Subjekt,Oddelek,Dokument,VezniDok,VKljuc,"
           "DokumentTuj,"
           "DatumDok,DatumDDV,DatumVal,Opomba,UserZap,UserSpre,Valuta,Debet,ValDebet,Kredit,"
           "ValKredit) VALUES ('" +
           key + "'," + std::to_string(poz) + ",'" + konto + "','" + proti +
           "','Mercator d.d.','Uprava','123','123','" + vKljuc +
           "','123','2002/03/10 00:00:00','2002/03/10 00:00:00','2002/03/25 00:00:00','Racun "
           "123','07','07','SIT'," +
           amounts + "); ";
  }
};

TEST_F(PostingTest, AZeroAmountWritesNothingOnEitherSide) {
  PostingFields f;
  f.Znesek = "0,00";
  const TPostingSource s = Stage(f);
  std::string key;
  int poz = 5;
  FillPoz(s, key, poz, "D", "1200", "7600");
  FillPoz(s, key, poz, "K", "7600", "1200");
  EXPECT_EQ(key, "");
  EXPECT_EQ(poz, 5);
  EXPECT_EQ(SQLBatch, "");
  EXPECT_TRUE(executed.empty());  // not even a look-up
}

TEST_F(PostingTest, AnEmptyAccountSkipsItsSideOnly) {
  PostingFields f;
  f.KzRacuna = "";  // staged as blanks, read back empty
  const TPostingSource s = Stage(f);
  std::string key = "26KA00001";
  int poz = 3;
  const std::string kz = s.Staged.FieldByName("KzRacuna").AsString();
  const std::string kn = s.Staged.FieldByName("KNaRacun").AsString();
  ASSERT_EQ(kz, "");
  FillPoz(s, key, poz, "D", kz, kn);
  EXPECT_EQ(poz, 3);
  EXPECT_EQ(SQLBatch, "");
  FillPoz(s, key, poz, "K", kn, kz);
  EXPECT_EQ(poz, 4);
  EXPECT_EQ(SQLBatch, Line("26KA00001", 3, "7600", "", "RKIR1", "0,0,1234.56,1234.56"));
}

TEST_F(PostingTest, AnExistingKeyGetsNoHeaderAndTheLinesTakeTheCounter) {
  const TPostingSource s = Stage({});
  std::string key = "26KA00001";
  int poz = 3;
  FillPoz(s, key, poz, "D", "1200", "7600");
  FillPoz(s, key, poz, "K", "7600", "1200");
  EXPECT_EQ(key, "26KA00001");
  EXPECT_EQ(poz, 5);
  EXPECT_EQ(SQLBatch, Line("26KA00001", 3, "1200", "7600", "RDIR1", "1234.56,1234.56,0,0") +
                          Line("26KA00001", 4, "7600", "1200", "RKIR1", "0,0,1234.56,1234.56"));
  for (const auto& e : executed)
    EXPECT_EQ(e.statement, "qQuery0") << e;  // four look-ups, nothing drawn
  EXPECT_EQ(executed.size(), 4u);
}

TEST_F(PostingTest, TheFirstLineWithoutAKeyCreatesTheJournal) {
  const TPostingSource s = Stage({});
  std::string key;
  int poz = 0;
  FillPoz(s, key, poz, "D", "1200", "7600");
  EXPECT_EQ(key, "02KA00001");
  EXPECT_EQ(poz, 2);
  EXPECT_EQ(SQLBatch,
            "INSERT INTO Teme(Kljuc,PoslDog,Datum,Referent,UserZap,UserSpre) VALUES "
            "('02KA00001','KA','2002/03/15 00:00:00','07','07','07'); " +
                Line("02KA00001", 1, "1200", "7600", "RDIR1", "1234.56,1234.56,0,0"));
  EXPECT_EQ(executed.at(0).sql, "SELECT MAX(Kljuc) AS MaxValue FROM Teme WHERE Kljuc LIKE '02KA%'");
  EXPECT_EQ(executed.at(1).sql,
            "SELECT MAX(Poz) AS MaxValue FROM TemePoz WHERE Kljuc = '02KA00001'");
}

TEST_F(PostingTest, SignsKindsAndSidesReachTheLineAsStaged) {
  PostingFields f;
  f.Znesek = "-3,00";
  f.KDokm = "D1";
  const TPostingSource s = Stage(f);
  std::string key = "26KA00001";
  int poz = 1;
  FillPoz(s, key, poz, "D", "1200", "7600");
  FillPoz(s, key, poz, "K", "7600", "1200");
  FillPoz(s, key, poz, "d", "1200", "7600");  // only "D" itself is the debit side
  EXPECT_EQ(SQLBatch, Line("26KA00001", 1, "1200", "7600", "RDD1", "-3,-3,0,0") +
                          Line("26KA00001", 2, "7600", "1200", "RKD1", "0,0,-3,-3") +
                          Line("26KA00001", 3, "1200", "7600", "RdD1", "0,0,-3,-3"));

  SQLBatch.clear();
  PostingFields g;
  g.KDokm = "ABCDEFG";  // seven characters, all kept
  g.Znesek = "0,01";
  const TPostingSource t = Stage(g);
  FillPoz(t, key, poz, "D", "1200", "7600");
  EXPECT_EQ(SQLBatch, Line("26KA00001", 4, "1200", "7600", "RDABCDEFG", "0.01,0.01,0,0"));
}

TEST_F(PostingTest, ABatchPastItsThresholdIsSentBeforeTheLinesLookUps) {
  const TPostingSource s = Stage({});
  std::string pending;
  for (int i = 0; pending.size() <= kBatchThreshold; ++i)
    pending +=
        "INSERT INTO ODDEL(UserID,Delavec) VALUES ('X" + std::to_string(i) + "','Delavec'); ";
  SQLBatch = pending;
  std::string key = "26KA00001";
  int poz = 3;
  FillPoz(s, key, poz, "D", "1200", "7600");
  EXPECT_EQ(Sent(), std::vector<std::string>{pending});
  ASSERT_GE(executed.size(), 3u);
  EXPECT_EQ(executed.back().statement, "qQuery0");
  EXPECT_EQ(SQLBatch, Line("26KA00001", 3, "1200", "7600", "RDIR1", "1234.56,1234.56,0,0"));
  EXPECT_GT(Count("ODDEL"), 5);
  EXPECT_TRUE(ErrorRecords().empty());
}

}  // namespace
}  // namespace prenos
