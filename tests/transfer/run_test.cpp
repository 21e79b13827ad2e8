// Whole transfer runs against a real ledger, driven through the run's view as the window
// drives them: what reaches the ledger, in which order, and what the user is shown.
#include <gtest/gtest.h>

#include <set>

#include "odbc/odbcerror.h"
#include "platform/codepage.h"
#include "platform/exceptions.h"
#include "platform/text_encoding.h"
#include "run_fixture.h"
#include "sqlsupport/error_records.h"
#include "transfer/posting.h"

namespace prenos {
namespace {

using testing::ErrorRecords;
using testing::Executed;
using testing::PostingFields;
using testing::PostingLine;
using Rows = std::vector<std::vector<std::string>>;

const std::pair<std::string, std::string> kDone{"Information", kTransferDoneText};

class RunTest : public testing::TransferTest {
 protected:
  // n records of the sample's known subjects, document numbers 1 to n.
  void Records(int n) {
    std::vector<std::string> lines;
    for (int i = 1; i <= n; ++i) {
      PostingFields f;
      f.DsKupKnj = std::to_string(i);
      f.Znesek = std::to_string(i) + ",00";
      lines.push_back(PostingLine(f));
    }
    Input(lines);
  }

  // The positions of a journal's lines, in order.
  std::vector<int> Positions(const std::string& key) const {
    std::vector<int> out;
    for (const auto& row : ledger.Query("SELECT Poz FROM TemePoz WHERE Kljuc = '" + key + "' ORDER BY Poz"))
      out.push_back(std::stoi(row.at(0)));
    return out;
  }

  static std::vector<int> Range(int from, int to) {
    std::vector<int> out;
    for (int i = from; i <= to; ++i) out.push_back(i);
    return out;
  }

  // Ends every other session of the test database, as a lost link does.
  void CutTheLink() const {
    ledger.Exec("SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
                "WHERE datname = current_database() AND pid <> pg_backend_pid()");
  }
};

// 15 March 2002, business event KA, clerk 07, the largest key 02KA00041, P001 known as
// Kupec and 100 unknown; one record of 1234,56 from account 1200 to 7600.
TEST_F(RunTest, TheWorkedExampleReachesTheLedgerStatementByStatement) {
  ledger.Exec("INSERT INTO Teme (Kljuc, PoslDog) VALUES ('02KA00041', 'KA')");
  ledger.Exec("INSERT INTO Subjekt (Naziv, Naziv2, MaticnaStev, VrstSubj, Valuta, DobValuta) "
              "VALUES ('Kupec', 'P001', '1', 'P', 'SIT', 'SIT')");
  Input({PostingLine({})});
  Run();

  const std::string header =
      "INSERT INTO Teme(Kljuc,PoslDog,Datum,Referent,UserZap,UserSpre) VALUES "
      "('02KA00042','KA','2002/03/15 00:00:00','07','07','07'); ";
  const std::string subject =
      "INSERT INTO Subjekt(Naziv,Naziv2,MaticnaStev,VrstSubj,Valuta,DobValuta) VALUES "
      "('100','100','100','P','SIT','SIT'); ";
  const std::string columns =
      "INSERT INTO TemePoz(Kljuc,Poz,Konto,ProtiKonto,Subjekt,Oddelek,Dokument,VezniDok,VKljuc,DokumentTuj,"
      "DatumDok,DatumDDV,DatumVal,Opomba,UserZap,UserSpre,Valuta,Debet,ValDebet,Kredit,ValKredit) VALUES ";
  const std::string debit = columns +
                            "('02KA00042',1,'1200','7600','Kupec','100','123','123','RDIR1','123',"
                            "'2002/03/10 00:00:00','2002/03/10 00:00:00','2002/03/25 00:00:00','Racun 123',"
                            "'07','07','SIT',1234.56,1234.56,0,0); ";
  const std::string credit = columns +
                             "('02KA00042',2,'7600','1200','Kupec','100','123','123','RKIR1','123',"
                             "'2002/03/10 00:00:00','2002/03/10 00:00:00','2002/03/25 00:00:00','Racun 123',"
                             "'07','07','SIT',0,0,1234.56,1234.56); ";
  EXPECT_EQ(executed,
            (std::vector<Executed>{
                {"qQueryFind", "SELECT MAX(Kljuc) AS MaxValue FROM Teme WHERE Kljuc LIKE '02KA%'"},
                {"qQueryFind", "SELECT MAX(Poz) AS MaxValue FROM TemePoz WHERE Kljuc = '02KA00042'"},
                {"qQuery0", "SELECT Naziv FROM Subjekt WHERE Naziv2 = 'P001'"},
                {"qQuery0", "SELECT Naziv FROM Subjekt WHERE Naziv2 = '100'"},
                {"UpdateHstmt", header},
                {"UpdateHstmt", subject},
                {"qQuery0", "SELECT Naziv FROM Subjekt WHERE Naziv2 = 'P001'"},
                {"qQuery0", "SELECT Naziv FROM Subjekt WHERE Naziv2 = '100'"},
                {"UpdateHstmt", debit + credit},
            }));

  EXPECT_EQ(ledger.Query("SELECT Kljuc, PoslDog, Datum, Referent, UserZap, UserSpre FROM Teme "
                         "WHERE Kljuc = '02KA00042'"),
            (Rows{{"02KA00042", "KA", Stored("2002/03/15 00:00:00"), "07", "07", "07"}}));
  EXPECT_EQ(ledger.Query("SELECT Naziv, Naziv2, MaticnaStev, VrstSubj, Valuta, DobValuta FROM Subjekt "
                         "WHERE Naziv2 = '100'"),
            (Rows{{"100", "100", "100", "P", "SIT", "SIT"}}));
  const Rows lines = ledger.Query(
      "SELECT Kljuc, Poz, Konto, ProtiKonto, Subjekt, Oddelek, Dokument, VezniDok, VKljuc, DokumentTuj, "
      "DatumDok, DatumDDV, DatumVal, Opomba, UserZap, UserSpre, Valuta, Debet, ValDebet, Kredit, ValKredit "
      "FROM TemePoz ORDER BY Poz");
  ASSERT_EQ(lines.size(), 2u);
  const std::string zap = Stored("2002/03/10 00:00:00"), val = Stored("2002/03/25 00:00:00");
  for (int i = 0; i < 2; ++i) {
    const auto& l = lines[i];
    ASSERT_EQ(l.size(), 21u);
    const Rows::value_type texts(l.begin(), l.begin() + 17);
    EXPECT_EQ(texts, (Rows::value_type{"02KA00042", i ? "2" : "1", i ? "7600" : "1200", i ? "1200" : "7600",
                                       "Kupec", "100", "123", "123", i ? "RKIR1" : "RDIR1", "123", zap, zap,
                                       val, "Racun 123", "07", "07", "SIT"}));
    const double debet = i ? 0 : 1234.56, kredit = i ? 1234.56 : 0;
    EXPECT_DOUBLE_EQ(std::stod(l[17]), debet);
    EXPECT_DOUBLE_EQ(std::stod(l[18]), debet);
    EXPECT_DOUBLE_EQ(std::stod(l[19]), kredit);
    EXPECT_DOUBLE_EQ(std::stod(l[20]), kredit);
  }

  EXPECT_EQ(view.progress, (std::vector<int>{0, 0, 100}));
  EXPECT_EQ(view.information, (std::vector<std::pair<std::string, std::string>>{kDone}));
  EXPECT_TRUE(view.errors.empty());
  EXPECT_EQ(view.cursorChanges, (std::vector<bool>{true, false}));
  EXPECT_FALSE(view.tables.tbPrenos.Active());
  EXPECT_EQ(SQLBatch, "");
  EXPECT_TRUE(ErrorRecords().empty());
}

TEST_F(RunTest, TheProgressBarMovesAfterEveryRecordAndEndsFull) {
  ledger.LoadSample();
  Records(8);
  Run();
  EXPECT_EQ(view.progress, (std::vector<int>{0, 0, 12, 25, 38, 50, 62, 75, 88, 100}));
  EXPECT_EQ(Positions("02KA00001"), Range(1, 16));
  EXPECT_EQ(view.information.size(), 1u);
}

TEST_F(RunTest, AnEmptyFileOrOneWhoseRecordsAreAllSkippedWritesNothing) {
  ledger.LoadSample();
  Input({});
  Run();
  EXPECT_EQ(view.progress, (std::vector<int>{0, 100}));
  EXPECT_EQ(Sent(), std::vector<std::string>{""});  // the closing send, of nothing
  EXPECT_EQ(view.information, (std::vector<std::pair<std::string, std::string>>{kDone}));

  PostingFields zero, noAccounts;
  zero.Znesek = "0";
  noAccounts.KzRacuna = noAccounts.KNaRacun = "";
  Input({PostingLine(zero), PostingLine(noAccounts)});
  executed.clear();
  view.progress.clear();
  Run();
  EXPECT_EQ(view.progress, (std::vector<int>{0, 0, 50, 100}));
  EXPECT_EQ(executed, (std::vector<Executed>{{"UpdateHstmt", ""}}));  // no key drawn, no look-up
  EXPECT_EQ(Count("Teme"), 3);
  EXPECT_EQ(Count("TemePoz"), 2);
  EXPECT_EQ(view.information.size(), 2u);
  EXPECT_TRUE(view.errors.empty());
}

TEST_F(RunTest, AttachingToAJournalContinuesItsPositionsWithoutAHeader) {
  ledger.LoadSample();  // 26KA00001 holds positions 1 and 2
  const Rows header = ledger.Query("SELECT * FROM Teme WHERE Kljuc = '26KA00001'");
  view.attach = true;
  view.temeljnica = "26KA00001";
  view.poslDog = "XX";  // the first tab's event is not used
  Records(2);
  Run();
  EXPECT_EQ(executed.at(0), (Executed{"qQueryFind", "SELECT MAX(Poz) AS MaxValue FROM TemePoz WHERE Kljuc = '26KA00001'"}));
  EXPECT_EQ(Positions("26KA00001"), Range(1, 6));
  EXPECT_EQ(ledger.Query("SELECT * FROM Teme WHERE Kljuc = '26KA00001'"), header);
  EXPECT_EQ(Count("Teme"), 3);
  for (const std::string& s : Sent()) EXPECT_EQ(s.find("INSERT INTO Teme("), std::string::npos) << s;
  EXPECT_EQ(ledger.Scalar("SELECT UserZap FROM TemePoz WHERE Kljuc = '26KA00001' AND Poz = 3"), "07");
  EXPECT_EQ(view.information.size(), 1u);
}

TEST_F(RunTest, TheSecondTabWithoutAJournalCreatesOneAsTheFirstTabDoes) {
  view.attach = true;
  view.temeljnica = "";
  Records(1);
  Run();
  EXPECT_EQ(ledger.Query("SELECT Kljuc, PoslDog FROM Teme"), (Rows{{"02KA00001", "KA"}}));
  EXPECT_EQ(Positions("02KA00001"), Range(1, 2));
}

TEST_F(RunTest, EveryRunConnectsAfreshWithTheStoredLogin) {
  if (!ledger.IsPostgres()) GTEST_SKIP() << "the SQLite ledger takes any login";
  ledger.LoadSample();
  Records(1);
  Run();
  ASSERT_EQ(view.information.size(), 1u);
  // The connection still open from the first run is not used: the stored login is.
  SQLPassword = "napacno-geslo";
  view.progress.clear();
  EXPECT_THROW(Run(), EODBC);
  EXPECT_FALSE(module.Database.Connected());
  EXPECT_TRUE(view.progress.empty());
  EXPECT_EQ(view.dialogs, 1);
  EXPECT_EQ(Count("TemePoz"), 4);
  SQLPassword = ledger.Password();
  Run();
  EXPECT_EQ(Count("TemePoz"), 6);
}

TEST_F(RunTest, AnInvalidDateEndsTheRunBeforeAnythingIsImportedOrWritten) {
  ledger.LoadSample();
  Records(1);
  for (bool attach : {false, true}) {
    for (const std::string text : {"  .  .  ", "31.02.02"}) {
      view.attach = attach;
      view.temeljnica = attach ? "26KA00001" : "";
      view.datum = text;
      view.progress.clear();
      try {
        Run();
        ADD_FAILURE() << "the run went on with " << text;
      } catch (const EConvertError& e) {
        EXPECT_EQ(std::string(e.what()), "'" + text + "' is not a valid date");
      }
      EXPECT_EQ(view.progress, std::vector<int>{0});
    }
  }
  EXPECT_EQ(view.imports, 0);
  EXPECT_TRUE(view.cursorChanges.empty());
  EXPECT_TRUE(executed.empty());
  EXPECT_EQ(Count("TemePoz"), 2);
  EXPECT_TRUE(view.information.empty());
}

TEST_F(RunTest, TwoRunsOnTheSameFileWriteItTwice) {
  ledger.LoadSample();
  Records(3);
  Run();
  Run();
  EXPECT_EQ(Positions("02KA00001"), Range(1, 6));
  EXPECT_EQ(Positions("02KA00002"), Range(1, 6));

  view.attach = true;
  view.temeljnica = "26KA00001";
  Run();
  Run();
  EXPECT_EQ(Positions("26KA00001"), Range(1, 14));
  EXPECT_EQ(Count("Teme"), 5);
  EXPECT_EQ(view.information.size(), 4u);
  EXPECT_TRUE(ErrorRecords().empty());
}

// The same postings saved in each encoding book the same ledger rows, Slovenian letters
// before the amount and in the partner code included; a bad line books nothing.
TEST_F(RunTest, AFileInEveryEncodingBooksTheSameRows) {
  ledger.LoadSample();
  PostingFields f;
  f.KKupDob = "\x8e" "AGAR";                           // ŽAGAR
  f.Vsebina = "Pla\xe8ilo \xe8\x9a\x9e \x8a\xc8\x8e";  // Plačilo čšž ŠČŽ
  PostingFields g = f;
  g.DsKupKnj = "2";
  g.Znesek = "99,5";
  const std::vector<std::string> lines = {PostingLine(f), PostingLine(g)};
  std::vector<Rows> booked;
  std::filesystem::create_directories(ledger.Prefix() / "drive_c/temp");
  for (const TTextEncoding e : testing::kEveryEncoding) {
    std::ofstream(ledger.Prefix() / "drive_c/temp/enc.txt", std::ios::binary | std::ios::trunc)
        << testing::EncodedFile(lines, e);
    view.fileName = "c:\\temp\\enc.txt";
    Run();
    const std::string key = "02KA0000" + std::to_string(booked.size() + 1);
    booked.push_back(ledger.Query("SELECT Poz, Konto, ProtiKonto, Subjekt, Dokument, DatumDok, DatumVal, Opomba, "
                                  "Debet, Kredit FROM TemePoz WHERE Kljuc = '" + key + "' ORDER BY Poz"));
  }
  ASSERT_EQ(booked[0].size(), 4u);
  EXPECT_EQ(booked[0][0].at(7), f.Vsebina);
  EXPECT_DOUBLE_EQ(std::stod(booked[0][0].at(8)), 1234.56);
  EXPECT_DOUBLE_EQ(std::stod(booked[0][3].at(9)), 9.95);  // "99,5" is hundredths
  for (size_t i = 1; i < booked.size(); ++i) EXPECT_EQ(booked[i], booked[0]) << i;
  EXPECT_EQ(Count("Subjekt", "Naziv2 = '\x8e" "AGAR'"), 1);
  EXPECT_EQ(view.information.size(), booked.size());

  // A character the code page lacks: the run ends at the import, nothing is written.
  const int rows = Count("TemePoz");
  std::ofstream(ledger.Prefix() / "drive_c/temp/enc.txt", std::ios::binary | std::ios::trunc)
      << "\xEF\xBB\xBF" << Cp1250ToUtf8(PostingLine(f)) << "\r\n" << Cp1250ToUtf8(PostingLine(g)) << "\xE2\x88\x9E\r\n";
  try {
    Run();
    ADD_FAILURE() << "booked a file with a character outside the code page";
  } catch (const ETextEncoding& e) {
    EXPECT_EQ(e.Message(), "Napaka v vrstici 2, stolpec 225:\nznaka U+221E ni v kodni tabeli Windows-1250");
  }
  EXPECT_EQ(Count("TemePoz"), rows);
  EXPECT_EQ(view.information.size(), booked.size());
}

TEST_F(RunTest, ACancelledDialogEndsTheRunWithoutBookingTheLastFileAgain) {
  ledger.LoadSample();
  Records(2);
  Run();
  ASSERT_EQ(Count("TemePoz"), 6);
  view.chooseFile = false;  // the dialog still holds the last file's name
  view.progress.clear();
  executed.clear();
  Run();
  EXPECT_EQ(view.dialogs, 2);
  EXPECT_EQ(view.imports, 1);
  EXPECT_EQ(view.progress, std::vector<int>{0});
  EXPECT_TRUE(executed.empty());
  EXPECT_EQ(Count("TemePoz"), 6);
  EXPECT_EQ(Count("Teme"), 4);
  EXPECT_EQ(view.information.size(), 1u);
  EXPECT_TRUE(view.errors.empty());
}

TEST_F(RunTest, AJournalKeyThatCannotBeDrawnEndsTheRunSilently) {
  ledger.Exec("INSERT INTO Teme (Kljuc, PoslDog) VALUES ('02KA00041', 'KA')");
  ledger.Exec("INSERT INTO Teme (Kljuc, PoslDog) VALUES ('02KAX0001', 'KA')");  // not a sequence
  Records(2);
  try {
    Run();
    FAIL() << "the run went on";
  } catch (const std::exception& e) {
    EXPECT_TRUE(IsExactlyEAbort(e)) << e.what();
  }
  const auto records = ErrorRecords();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].at("Operation"), "NovaStevGlavC-Teme");
  EXPECT_EQ(records[0].at("Error"), "'X0001' is not a valid integer value");
  EXPECT_TRUE(view.information.empty());
  EXPECT_TRUE(view.errors.empty());
  EXPECT_EQ(view.progress, std::vector<int>{0});
  EXPECT_EQ(view.cursorChanges, (std::vector<bool>{true, false}));
  EXPECT_EQ(Count("Teme"), 2);
  EXPECT_EQ(Count("TemePoz"), 0);
  EXPECT_EQ(Sent(), std::vector<std::string>{});
}

TEST_F(RunTest, APositionThatCannotBeDrawnEndsTheRunBeforeAnyLineIsWritten) {
  ledger.LoadSample();
  Records(2);
  ledger.Exec("ALTER TABLE TemePoz RENAME TO TemePozOld");  // the look-up now fails
  for (bool attach : {true, false}) {
    view.attach = attach;
    view.temeljnica = attach ? "26KA00001" : "";
    try {
      Run();
      ADD_FAILURE() << "the run went on";
    } catch (const std::exception& e) {
      EXPECT_TRUE(IsExactlyEAbort(e)) << e.what();
    }
    EXPECT_EQ(view.cursorChanges.back(), false);
  }
  // Attaching fails before the import, a new journal at its first line; either way only
  // the failing statement is recorded and nothing is sent.
  EXPECT_EQ(view.imports, 1);
  EXPECT_EQ(Sent(), std::vector<std::string>{});
  const auto records = ErrorRecords();
  ASSERT_EQ(records.size(), 2u);
  for (const auto& r : records) EXPECT_EQ(r.at("Operation"), "HstmtExecute-qQueryFind");
  EXPECT_TRUE(view.information.empty());
  EXPECT_TRUE(view.errors.empty());
  ledger.Exec("ALTER TABLE TemePozOld RENAME TO TemePoz");
  EXPECT_EQ(Count("TemePoz"), 2);
  EXPECT_EQ(Count("Teme"), 3);
}

TEST_F(RunTest, ABusinessEventHoldingAQuoteNumbersItsJournalsAsAnyOther) {
  ledger.LoadSample();
  view.poslDog = "K'";
  Records(1);
  Run();
  Run();
  EXPECT_EQ(Positions("02K''00001"), Range(1, 2));
  EXPECT_EQ(Positions("02K''00002"), Range(1, 2));
  view.attach = true;
  view.temeljnica = "02K'00001";
  Run();
  EXPECT_EQ(Positions("02K''00001"), Range(1, 4));
  EXPECT_EQ(ledger.Scalar("SELECT PoslDog FROM Teme WHERE Kljuc = '02K''00002'"), "K'");
  EXPECT_EQ(Count("Teme"), 5);
  EXPECT_EQ(view.information.size(), 3u);
  EXPECT_TRUE(ErrorRecords().empty());
}

TEST_F(RunTest, ABatchThatFailsIsSentAgainAndEveryLineIsWrittenOnce) {
  ledger.LoadSample();
  // Once the journal's first position is drawn, a line of another writer holds position
  // 5 until the first send has failed on it; the failed batch then goes with the next.
  bool taken = false, released = false;
  beforeExecute = [&](THstmt& st) {
    if (st.Name() != "qQuery0") return;
    if (!taken) {
      ledger.Exec("INSERT INTO TemePoz (Kljuc, Poz, Konto) VALUES ('02KA00001', 5, 'foreign')");
      taken = true;
    } else if (!released && SQLBatch.size() > kBatchThreshold) {
      ledger.Exec("DELETE FROM TemePoz WHERE Konto = 'foreign'");
      released = true;
    }
  };
  Records(40);
  Run();
  EXPECT_TRUE(released);
  EXPECT_EQ(Positions("02KA00001"), Range(1, 80));
  EXPECT_EQ(Count("TemePoz", "Konto = 'foreign'"), 0);
  EXPECT_EQ(ledger.Scalar("SELECT Dokument FROM TemePoz WHERE Kljuc = '02KA00001' AND Poz = 79"), "40");
  EXPECT_EQ(Count("Teme", "Kljuc = '02KA00001'"), 1);
  const auto records = ErrorRecords();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].at("Operation"), "HstmtExecute-UpdateHstmt");
  EXPECT_EQ(view.information, (std::vector<std::pair<std::string, std::string>>{kDone}));
  EXPECT_TRUE(view.errors.empty());
}

TEST_F(RunTest, StatementsLeftUnsentAtTheEndAreReportedInsteadOfCompletion) {
  ledger.LoadSample();
  Records(1);
  // Right before the closing send another writer takes the second line's position.
  view.onWaitCursor = [&](bool wait) {
    if (!wait) ledger.Exec("INSERT INTO TemePoz (Kljuc, Poz, Konto) VALUES ('02KA00001', 2, 'foreign')");
  };
  Run();
  EXPECT_EQ(view.errors, std::vector<std::string>{kTransferFailedText});
  EXPECT_TRUE(view.information.empty());
  EXPECT_EQ(view.progress.back(), 100);
  EXPECT_NE(SQLBatch, "");
  // Nothing of the refused batch was written, the header included.
  EXPECT_EQ(Count("TemePoz", "Kljuc = '02KA00001'"), 1);
  EXPECT_EQ(Count("Teme", "Kljuc = '02KA00001'"), 0);
  const auto records = ErrorRecords();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].at("Operation"), "HstmtExecute-UpdateHstmt");
}

// The link is lost between two sends while the run looks up a subject: the run ends with
// the driver's error, what was sent stays once, and the next run reconnects and books
// the whole file.
TEST_F(RunTest, ALinkLostBetweenSendsEndsTheRunAndTheNextRunReconnects) {
  if (!ledger.IsPostgres()) GTEST_SKIP() << "a server session to end exists on PostgreSQL only";
  ledger.LoadSample();
  size_t previous = 0;
  bool cut = false;
  beforeExecute = [&](THstmt& st) {
    // The batch has shrunk since the last look-up: it has just been sent.
    if (!cut && st.Name() == "qQuery0" && SQLBatch.size() < previous) {
      CutTheLink();
      cut = true;
    }
    if (st.Name() == "qQuery0") previous = SQLBatch.size();
  };
  Records(40);
  try {
    Run();
    FAIL() << "the run went on";
  } catch (const EODBC& e) {
    EXPECT_FALSE(std::string(e.what()).empty());
  }
  ASSERT_TRUE(cut);
  const std::vector<int> sent = Positions("02KA00001");
  ASSERT_FALSE(sent.empty());
  EXPECT_EQ(sent, Range(1, static_cast<int>(sent.size())));
  EXPECT_LT(sent.size(), 80u);

  beforeExecute = nullptr;
  Run();
  EXPECT_EQ(Positions("02KA00001"), sent);
  EXPECT_EQ(Positions("02KA00002"), Range(1, 80));
  EXPECT_EQ(view.information, (std::vector<std::pair<std::string, std::string>>{kDone}));
}

// The link is lost right before the closing send: the user is told that the transfer
// did not complete, nothing is written twice, and the next run works.
TEST_F(RunTest, ALinkLostBeforeTheClosingSendIsReportedAndTheNextRunWorks) {
  if (!ledger.IsPostgres()) GTEST_SKIP() << "a server session to end exists on PostgreSQL only";
  ledger.LoadSample();
  Records(3);
  view.onWaitCursor = [&](bool wait) {
    if (!wait) CutTheLink();
  };
  Run();
  EXPECT_EQ(view.errors, std::vector<std::string>{kTransferFailedText});
  EXPECT_TRUE(view.information.empty());
  EXPECT_EQ(Count("TemePoz"), 2);
  EXPECT_EQ(Count("Teme"), 3);
  const auto records = ErrorRecords();
  ASSERT_FALSE(records.empty());
  EXPECT_EQ(records[0].at("Operation"), "HstmtExecute-UpdateHstmt");

  view.onWaitCursor = nullptr;
  Run();
  EXPECT_EQ(Positions("02KA00001"), Range(1, 6));
  EXPECT_EQ(Count("TemePoz"), 8);
  EXPECT_EQ(view.information, (std::vector<std::pair<std::string, std::string>>{kDone}));
}

// The link is lost as a send starts: the send fails whole, the next look-up connects
// again, and the failed statements go with the next send: every line once, complete.
TEST_F(RunTest, ALinkLostAsABatchIsSentIsRecoveredWithinTheRun) {
  if (!ledger.IsPostgres()) GTEST_SKIP() << "a server session to end exists on PostgreSQL only";
  ledger.LoadSample();
  int sends = 0;
  beforeExecute = [&](THstmt& st) {
    if (st.Name() == "UpdateHstmt" && ++sends == 2) CutTheLink();
  };
  Records(60);
  Run();
  EXPECT_GE(sends, 3);
  EXPECT_EQ(Positions("02KA00001"), Range(1, 120));
  EXPECT_EQ(Count("Teme", "Kljuc = '02KA00001'"), 1);
  EXPECT_EQ(view.information, (std::vector<std::pair<std::string, std::string>>{kDone}));
  const auto records = ErrorRecords();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].at("Operation"), "HstmtExecute-UpdateHstmt");
}

}  // namespace
}  // namespace prenos
