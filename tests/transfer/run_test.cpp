// Whole transfer runs against a real ledger, driven through the run's view as the window
// drives them: what reaches the ledger, in which order, and what the user is shown.
#include <gtest/gtest.h>

#include <set>

#include "odbc/odbcerror.h"
#include "platform/codepage.h"
#include "platform/exceptions.h"
#include "platform/text_encoding.h"
#include "run_fixture.h"
#include "support/error_records.h"
#include "transfer/posting.h"
#include "transfer/run_failure.h"

namespace prenos {
namespace {

using testing::ErrorRecords;
using testing::Executed;
using testing::PostingFields;
using testing::PostingLine;
using Rows = std::vector<std::vector<std::string>>;

class RunTest : public testing::TransferTest {
 protected:
  // The one box of the run is the completion box.
  void ExpectDone() const {
    ASSERT_EQ(view.information.size(), 1u);
    EXPECT_TRUE(view.errors.empty());
    EXPECT_EQ(view.information[0].first, "Information");
    EXPECT_EQ(view.information[0].second.rfind(kTransferDoneText, 0), 0u)
        << view.information[0].second;
  }
  // The one box of the run says that nothing was booked, at which step.
  void ExpectFailed(const char* step) const {
    ASSERT_EQ(view.errors.size(), 1u);
    EXPECT_TRUE(view.information.empty());
    const std::string& box = view.errors[0];
    EXPECT_EQ(box.rfind(kTransferFailedText, 0), 0u) << box;
    EXPECT_NE(box.find(std::string("Korak: ") + step + "\n"), std::string::npos) << box;
    EXPECT_NE(box.find("Tabela napak"), std::string::npos) << box;
  }
  // A trigger that makes the ledger refuse every posting line meeting the condition.
  void Reject(const std::string& condition) const {
    if (ledger.IsPostgres())
      ledger.Exec(
          "CREATE FUNCTION zavrni() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN IF " + condition +
          " THEN RAISE EXCEPTION 'zavrnjena postavka'; END IF; RETURN NEW; END $$; "
          "CREATE TRIGGER Zavrni BEFORE INSERT ON TemePoz FOR EACH ROW EXECUTE FUNCTION zavrni();");
    else
      ledger.Exec("CREATE TRIGGER Zavrni BEFORE INSERT ON TemePoz WHEN " + condition +
                  " BEGIN SELECT RAISE(ABORT, 'zavrnjena postavka'); END;");
  }
  // Everything the ledger holds, to compare before and after a run.
  std::vector<Rows> Snapshot() const {
    return {
        ledger.Query("SELECT * FROM Teme ORDER BY Kljuc"),
        ledger.Query("SELECT Kljuc, Poz, Konto, Debet, Kredit FROM TemePoz ORDER BY Kljuc, Poz"),
        ledger.Query("SELECT Naziv, Naziv2 FROM Subjekt ORDER BY Naziv2")};
  }

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
    for (const auto& row :
         ledger.Query("SELECT Poz FROM TemePoz WHERE Kljuc = '" + key + "' ORDER BY Poz"))
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
    ledger.Exec(
        "SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
        "WHERE datname = current_database() AND pid <> pg_backend_pid()");
  }
};

// 15 March 2002, business event KA, clerk 07, the largest key 02KA00041, P001 known as
// Kupec and 100 unknown; one record of 1234,56 from account 1200 to 7600.
TEST_F(RunTest, TheWorkedExampleReachesTheLedgerStatementByStatement) {
  ledger.Exec("INSERT INTO Teme (Kljuc, PoslDog) VALUES ('02KA00041', 'KA')");
  ledger.Exec(
      "INSERT INTO Subjekt (Naziv, Naziv2, MaticnaStev, VrstSubj, Valuta, DobValuta) "
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
      "INSERT INTO "
      "TemePoz(Kljuc,Poz,Konto,ProtiKonto,Subjekt,Oddelek,Dokument,VezniDok,VKljuc,DokumentTuj,"
      "DatumDok,DatumDDV,DatumVal,Opomba,UserZap,UserSpre,Valuta,Debet,ValDebet,Kredit,ValKredit) "
      "VALUES ";
  const std::string debit =
      columns +
      "('02KA00042',1,'1200','7600','Kupec','100','123','123','RDIR1','123',"
      "'2002/03/10 00:00:00','2002/03/10 00:00:00','2002/03/25 00:00:00','Racun 123',"
      "'07','07','SIT',1234.56,1234.56,0,0); ";
  const std::string credit =
      columns +
      "('02KA00042',2,'7600','1200','Kupec','100','123','123','RKIR1','123',"
      "'2002/03/10 00:00:00','2002/03/10 00:00:00','2002/03/25 00:00:00','Racun 123',"
      "'07','07','SIT',0,0,1234.56,1234.56); ";
  EXPECT_EQ(
      executed,
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
  EXPECT_EQ(
      ledger.Query("SELECT Naziv, Naziv2, MaticnaStev, VrstSubj, Valuta, DobValuta FROM Subjekt "
                   "WHERE Naziv2 = '100'"),
      (Rows{{"100", "100", "100", "P", "SIT", "SIT"}}));
  const Rows lines = ledger.Query(
      "SELECT Kljuc, Poz, Konto, ProtiKonto, Subjekt, Oddelek, Dokument, VezniDok, VKljuc, "
      "DokumentTuj, "
      "DatumDok, DatumDDV, DatumVal, Opomba, UserZap, UserSpre, Valuta, Debet, ValDebet, Kredit, "
      "ValKredit "
      "FROM TemePoz ORDER BY Poz");
  ASSERT_EQ(lines.size(), 2u);
  const std::string zap = Stored("2002/03/10 00:00:00"), val = Stored("2002/03/25 00:00:00");
  for (int i = 0; i < 2; ++i) {
    const auto& l = lines[i];
    ASSERT_EQ(l.size(), 21u);
    const Rows::value_type texts(l.begin(), l.begin() + 17);
    EXPECT_EQ(texts, (Rows::value_type{"02KA00042", i ? "2" : "1", i ? "7600" : "1200",
                                       i ? "1200" : "7600", "Kupec", "100", "123", "123",
                                       i ? "RKIR1" : "RDIR1", "123", zap, zap, val, "Racun 123",
                                       "07", "07", "SIT"}));
    const double debet = i ? 0 : 1234.56, kredit = i ? 1234.56 : 0;
    EXPECT_DOUBLE_EQ(std::stod(l[17]), debet);
    EXPECT_DOUBLE_EQ(std::stod(l[18]), debet);
    EXPECT_DOUBLE_EQ(std::stod(l[19]), kredit);
    EXPECT_DOUBLE_EQ(std::stod(l[20]), kredit);
  }

  EXPECT_EQ(view.progress, (std::vector<int>{0, 0, 100}));
  ExpectDone();
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
  EXPECT_TRUE(executed.empty()) << "an empty batch is not sent";
  ExpectDone();
  EXPECT_NE(view.information.at(0).second.find("datoteka nima zapisov"), std::string::npos);
  EXPECT_TRUE(ErrorRecords().empty());

  PostingFields zero, noAccounts;
  zero.Znesek = "0";
  noAccounts.KzRacuna = noAccounts.KNaRacun = "";
  Input({PostingLine(zero), PostingLine(noAccounts)});
  executed.clear();
  view.progress.clear();
  Run();
  EXPECT_EQ(view.progress, (std::vector<int>{0, 0, 50, 100}));
  EXPECT_TRUE(executed.empty());  // no key drawn, no look-up, nothing sent
  EXPECT_EQ(Count("Teme"), 3);
  EXPECT_EQ(Count("TemePoz"), 2);
  EXPECT_EQ(view.information.size(), 2u);
  EXPECT_NE(view.information.at(1).second.find("Presko\xE8"
                                               "eni zapisi (znesek 0 ali brez konta): 2"),
            std::string::npos);
  EXPECT_TRUE(view.errors.empty());
  EXPECT_TRUE(ErrorRecords().empty());
}

TEST_F(RunTest, AttachingToAJournalContinuesItsPositionsWithoutAHeader) {
  ledger.LoadSample();  // 26KA00001 holds positions 1 and 2
  const Rows header = ledger.Query("SELECT * FROM Teme WHERE Kljuc = '26KA00001'");
  view.attach = true;
  view.temeljnica = "26KA00001";
  view.poslDog = "XX";  // the first tab's event is not used
  Records(2);
  Run();
  EXPECT_EQ(executed.at(0),
            (Executed{"qQueryFind",
                      "SELECT MAX(Poz) AS MaxValue FROM TemePoz WHERE Kljuc = '26KA00001'"}));
  EXPECT_EQ(Positions("26KA00001"), Range(1, 6));
  EXPECT_EQ(ledger.Query("SELECT * FROM Teme WHERE Kljuc = '26KA00001'"), header);
  EXPECT_EQ(Count("Teme"), 3);
  for (const std::string& s : Sent())
    EXPECT_EQ(s.find("INSERT INTO Teme("), std::string::npos) << s;
  EXPECT_EQ(ledger.Scalar("SELECT UserZap FROM TemePoz WHERE Kljuc = '26KA00001' AND Poz = 3"),
            "07");
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
  f.KKupDob =
      "\x8e"
      "AGAR";                                          // ŽAGAR
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
    booked.push_back(ledger.Query(
        "SELECT Poz, Konto, ProtiKonto, Subjekt, Dokument, DatumDok, DatumVal, Opomba, "
        "Debet, Kredit FROM TemePoz WHERE Kljuc = '" +
        key + "' ORDER BY Poz"));
  }
  ASSERT_EQ(booked[0].size(), 4u);
  EXPECT_EQ(booked[0][0].at(7), f.Vsebina);
  EXPECT_DOUBLE_EQ(std::stod(booked[0][0].at(8)), 1234.56);
  EXPECT_DOUBLE_EQ(std::stod(booked[0][3].at(9)), 9.95);  // "99,5" is hundredths
  for (size_t i = 1; i < booked.size(); ++i) EXPECT_EQ(booked[i], booked[0]) << i;
  EXPECT_EQ(Count("Subjekt",
                  "Naziv2 = '\x8e"
                  "AGAR'"),
            1);
  EXPECT_EQ(view.information.size(), booked.size());

  // A character the code page lacks: the run ends at the import, nothing is written.
  const int rows = Count("TemePoz");
  std::ofstream(ledger.Prefix() / "drive_c/temp/enc.txt", std::ios::binary | std::ios::trunc)
      << "\xEF\xBB\xBF" << Cp1250ToUtf8(PostingLine(f)) << "\r\n"
      << Cp1250ToUtf8(PostingLine(g)) << "\xE2\x88\x9E\r\n";
  try {
    Run();
    ADD_FAILURE() << "booked a file with a character outside the code page";
  } catch (const ETextEncoding& e) {
    EXPECT_EQ(e.Message(),
              "Napaka v vrstici 2, stolpec 225:\nznaka U+221E ni v kodni tabeli Windows-1250");
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

TEST_F(RunTest, AJournalKeyThatCannotBeDrawnEndsTheRunWithItsBox) {
  ledger.Exec("INSERT INTO Teme (Kljuc, PoslDog) VALUES ('02KA00041', 'KA')");
  ledger.Exec("INSERT INTO Teme (Kljuc, PoslDog) VALUES ('02KAX0001', 'KA')");  // not a sequence
  Records(2);
  const TRunSummary summary = RunTransfer(view, Ledger());
  EXPECT_EQ(summary.Outcome, TRunSummary::TOutcome::Failed);
  EXPECT_EQ(summary.FailedStep, run_step::kJournalKey);
  EXPECT_EQ(summary.Failure, "'X0001' is not a valid integer value");
  ExpectFailed(run_step::kJournalKey);
  EXPECT_NE(view.errors.at(0).find("Napaka: 'X0001' is not a valid integer value"),
            std::string::npos);
  const auto records = ErrorRecords();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].at("Operation"), "NovaStevGlavC-Teme");
  EXPECT_EQ(records[0].at("Error"), "'X0001' is not a valid integer value");
  EXPECT_EQ(view.progress, std::vector<int>{0});
  EXPECT_EQ(view.cursorChanges, (std::vector<bool>{true, false}));
  EXPECT_EQ(Count("Teme"), 2);
  EXPECT_EQ(Count("TemePoz"), 0);
  EXPECT_EQ(Count("Subjekt"), 0);
  EXPECT_EQ(Sent(), std::vector<std::string>{});
}

TEST_F(RunTest, APositionThatCannotBeDrawnEndsTheRunBeforeAnyLineIsWritten) {
  ledger.LoadSample();
  Records(2);
  ledger.Exec("ALTER TABLE TemePoz RENAME TO TemePozOld");  // the look-up now fails
  for (bool attach : {true, false}) {
    view.attach = attach;
    view.temeljnica = attach ? "26KA00001" : "";
    view.errors.clear();
    RunTransfer(view, Ledger());
    ExpectFailed(run_step::kPosition);
    EXPECT_EQ(view.cursorChanges.back(), false);
  }
  // Attaching fails before the import, a new journal at its first line; either way only
  // the failing statement is recorded and nothing is sent.
  EXPECT_EQ(view.imports, 1);
  EXPECT_EQ(Sent(), std::vector<std::string>{});
  const auto records = ErrorRecords();
  ASSERT_EQ(records.size(), 2u);
  for (const auto& r : records) EXPECT_EQ(r.at("Operation"), "HstmtExecute-qQueryFind");
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

// A line the ledger rejects in the middle of the file: nothing of the run stays, the
// subjects it registered included; the rejection is recorded once and shown in the box.
TEST_F(RunTest, ALineTheLedgerRejectsInTheMiddleLeavesTheLedgerAsItWas) {
  ledger.LoadSample();
  Reject("NEW.Dokument = '21'");
  std::vector<std::string> lines;
  for (int i = 1; i <= 40; ++i) {
    PostingFields f;
    f.DsKupKnj = std::to_string(i);
    if (i % 5 == 0 && i <= 10) f.KKupDob = "N" + std::to_string(i);  // registered on the way
    lines.push_back(PostingLine(f));
  }
  Input(lines);
  const auto before = Snapshot();
  Run();
  ExpectFailed(run_step::kSend);
  EXPECT_NE(view.errors.at(0).find("zavrnjena postavka"), std::string::npos) << view.errors.at(0);
  EXPECT_EQ(Snapshot(), before);
  EXPECT_GE(Sent().size(), 3u) << "lines and subjects were sent before the rejection";
  const auto records = ErrorRecords();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].at("Operation"), "HstmtExecute-UpdateHstmt");
  EXPECT_EQ(SQLBatch, "");

  ledger.Exec(ledger.IsPostgres() ? "DROP TRIGGER Zavrni ON TemePoz" : "DROP TRIGGER Zavrni");
  view.errors.clear();
  Run();
  ExpectDone();
  EXPECT_EQ(Positions("02KA00001"), Range(1, 80));
  EXPECT_EQ(Count("Subjekt", "Naziv2 IN ('N5', 'N10')"), 2);
}

// The ledger refuses the last line, which goes with the closing send: nothing of the run
// is booked, the header included.
TEST_F(RunTest, AClosingSendTheLedgerRefusesBooksNothing) {
  ledger.LoadSample();
  Reject("NEW.Poz = 2");
  Records(1);
  const auto before = Snapshot();
  Run();
  ExpectFailed(run_step::kSend);
  EXPECT_EQ(Sent().size(), 1u);
  EXPECT_EQ(view.progress.back(), 0);
  EXPECT_EQ(SQLBatch, "");
  EXPECT_EQ(Snapshot(), before);
  const auto records = ErrorRecords();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].at("Operation"), "HstmtExecute-UpdateHstmt");
}

// The run's own server session is ended from a second connection at the first send, at
// a later one, as a new subject is sent and at the commit: each time the ledger is left
// as it was with one box, and the next run connects again and books the file whole.
TEST_F(RunTest, ALinkLostAnywhereLeavesTheLedgerAsItWasAndTheNextRunBooksWhole) {
  if (!ledger.IsPostgres()) GTEST_SKIP() << "a server session to end exists on PostgreSQL only";
  ledger.LoadSample();
  // Every case's file names two partners the ledger does not know yet.
  const auto input = [&](int journal) {
    std::vector<std::string> lines;
    for (int i = 1; i <= 60; ++i) {
      PostingFields f;
      f.DsKupKnj = std::to_string(i);
      if (i == 45 || i == 50) f.KKupDob = "N" + std::to_string(journal) + "-" + std::to_string(i);
      lines.push_back(PostingLine(f));
    }
    Input(lines);
  };

  struct Cutter : TRunObserver {
    std::function<void()> atCommit;
    void Committing(const TRunSummary&) override {
      if (atCommit) atCommit();
    }
  } cutter;
  struct Case {
    const char* step;
    std::function<bool(int send, const std::string& sql)> cutBeforeSend;  // else at the commit
  };
  const std::vector<Case> cases = {
      {run_step::kSend, [](int send, const std::string&) { return send == 1; }},
      {run_step::kSend, [](int send, const std::string&) { return send == 2; }},
      {run_step::kSubjectRegistration,
       [](int, const std::string& sql) { return sql.rfind("INSERT INTO Subjekt", 0) == 0; }},
      {run_step::kCommit, nullptr},
  };
  int journal = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.step);
    input(journal + 1);
    const auto before = Snapshot();
    int sends = 0;
    bool cut = false;
    beforeExecute = [&](THstmt& st) {
      if (st.Name() == "UpdateHstmt" && c.cutBeforeSend && !cut &&
          c.cutBeforeSend(++sends, st.SQL())) {
        CutTheLink();
        cut = true;
      }
    };
    cutter.atCommit = [&] {
      if (!c.cutBeforeSend) {
        CutTheLink();
        cut = true;
      }
    };
    view.errors.clear();
    view.information.clear();
    const TRunSummary failed = RunTransfer(view, Ledger(), TRunOptions{false, false, &cutter});
    ASSERT_TRUE(cut);
    EXPECT_EQ(failed.Outcome, TRunSummary::TOutcome::Failed);
    ExpectFailed(c.step);
    EXPECT_EQ(Snapshot(), before);
    EXPECT_FALSE(ErrorRecords().empty());

    beforeExecute = nullptr;
    cutter.atCommit = nullptr;
    view.errors.clear();
    const TRunSummary booked = RunTransfer(view, Ledger(), TRunOptions{false, false, &cutter});
    ExpectDone();
    EXPECT_EQ(booked.Journal, "02KA0000" + std::to_string(++journal));
    EXPECT_EQ(Positions(booked.Journal), Range(1, 120));
    EXPECT_EQ(booked.NewSubjects.size(), 2u);
  }
  EXPECT_EQ(Count("Subjekt", "Naziv2 LIKE 'N%'"), 8);
}

// What the run tells about what it booked: a file with a record of zero amount, one
// without accounts, one with only its credit account and one with two new subjects.
TEST_F(RunTest, TheCompletionBoxSaysWhatWasBookedAndAPreviewBooksNothing) {
  ledger.LoadSample();  // knows P001 and 100
  SetFormatSettings(FormatSettings{',', '.', '.', FormatSettings::DateOrder::DMY});
  PostingFields plain, zero, creditOnly, newSubjects, noAccounts;
  plain.Znesek = "100,00";
  zero.Znesek = "0";
  creditOnly.KzRacuna = "";
  creditOnly.Znesek = "50,00";
  newSubjects.KKupDob = "N1";
  newSubjects.KStrM = "C1";
  newSubjects.DsKupKnj = "4";
  noAccounts.KzRacuna = noAccounts.KNaRacun = "";
  Input({PostingLine(plain), PostingLine(zero), PostingLine(creditOnly), PostingLine(newSubjects),
         PostingLine(noAccounts)});

  struct Recorder : TRunObserver {
    std::vector<std::string> calls;
    bool FileChosen(const std::string& name) override {
      calls.push_back("FileChosen " + name);
      return true;
    }
    void Started(const TRunSummary& s) override {
      calls.push_back("Started " + std::to_string(s.Records));
    }
    void Committing(const TRunSummary& s) override {
      calls.push_back("Committing " + std::to_string(s.Lines));
    }
    void Finished(const TRunSummary& s) override {
      calls.push_back("Finished " + std::to_string(static_cast<int>(s.Outcome)));
    }
  } recorder;
  const TRunSummary s = RunTransfer(view, Ledger(), TRunOptions{false, true, &recorder});
  EXPECT_EQ(recorder.calls, (std::vector<std::string>{"FileChosen " + view.fileName, "Started 5",
                                                      "Committing 5", "Finished 1"}));
  EXPECT_EQ(s.Outcome, TRunSummary::TOutcome::Booked);
  EXPECT_EQ(s.FileName, view.fileName);
  EXPECT_EQ(s.Journal, "02KA00001");
  EXPECT_TRUE(s.CreatedHeader);
  EXPECT_FALSE(s.AttachedToExisting);
  EXPECT_EQ(s.Records, 5);
  EXPECT_EQ(s.Skipped, 2);
  EXPECT_EQ(s.Lines, 5);
  EXPECT_EQ(s.FirstPoz, 1);
  EXPECT_EQ(s.LastPoz, 5);
  EXPECT_EQ(s.Debit.Value, 13345600);
  EXPECT_EQ(s.Credit.Value, 13845600);
  EXPECT_EQ(s.NewSubjects, (std::vector<std::string>{"N1", "C1"}));
  ASSERT_EQ(s.Posted.size(), 5u);
  EXPECT_EQ(s.Posted[2].Poz, 3);
  EXPECT_EQ(s.Posted[2].Konto, "7600");
  EXPECT_EQ(s.Posted[2].ProtiKonto, "");
  EXPECT_EQ(s.Posted[2].Kredit.Value, 500000);
  EXPECT_EQ(s.Posted[3].Subjekt, "N1");
  EXPECT_EQ(s.Posted[3].Oddelek, "C1");
  EXPECT_EQ(s.Posted[3].Dokument, "4");
  EXPECT_EQ(s.Posted[3].Debet.Value, 12345600);
  EXPECT_EQ(s.Posted[0].Subjekt, ledger.Scalar("SELECT Naziv FROM Subjekt WHERE Naziv2 = 'P001'"));
  EXPECT_EQ(Positions("02KA00001"), Range(1, 5));
  ExpectDone();
  // What was pending goes before the first new subject, each subject on its own, the
  // rest at the end; the send of nothing between the two subjects is not made.
  const auto lines = [](const std::string& batch) {
    int n = 0;
    for (size_t p = 0; (p = batch.find("INSERT INTO TemePoz(", p)) != std::string::npos; ++p) ++n;
    return n;
  };
  const std::vector<std::string> sent = Sent();
  ASSERT_EQ(sent.size(), 4u);
  EXPECT_EQ(sent[0].rfind("INSERT INTO Teme(", 0), 0u);
  EXPECT_EQ(lines(sent[0]), 3);
  EXPECT_EQ(sent[1],
            "INSERT INTO Subjekt(Naziv,Naziv2,MaticnaStev,VrstSubj,Valuta,DobValuta) VALUES "
            "('N1','N1','N1','P','SIT','SIT'); ");
  EXPECT_EQ(sent[2],
            "INSERT INTO Subjekt(Naziv,Naziv2,MaticnaStev,VrstSubj,Valuta,DobValuta) VALUES "
            "('C1','C1','C1','P','SIT','SIT'); ");
  EXPECT_EQ(lines(sent[3]), 2);
  EXPECT_EQ(view.information.at(0).second,
            "Prenos knji\x9E"
            "b zaklju\xE8"
            "en !\n"
            "Temeljnica: 02KA00001 (nova)\n"
            "Postavke: od 1 do 5, skupaj 5\n"
            "Debet: 1.334,56\n"
            "Kredit: 1.384,56\n"
            "Opozorilo: debet in kredit se ne ujemata (razlika -50,00).\n"
            "Presko\xE8"
            "eni zapisi (znesek 0 ali brez konta): 2\n"
            "Novi subjekti (2): N1, C1");

  // The same file as a preview: the same figures for the next journal, nothing booked.
  const auto before = Snapshot();
  view.information.clear();
  const TRunSummary p = RunTransfer(view, Ledger(), TRunOptions{true, false, nullptr});
  EXPECT_EQ(p.Outcome, TRunSummary::TOutcome::Preview);
  EXPECT_EQ(p.Journal, "02KA00002");
  EXPECT_EQ(p.Lines, 5);
  EXPECT_EQ(p.Debit.Value, s.Debit.Value);
  EXPECT_TRUE(p.NewSubjects.empty()) << "known since the first run";
  EXPECT_TRUE(p.Posted.empty());
  EXPECT_EQ(Snapshot(), before);
  ASSERT_EQ(view.information.size(), 1u);
  EXPECT_EQ(view.information[0].second.rfind("Preizkus prenosa", 0), 0u);
  EXPECT_TRUE(ErrorRecords().empty());

  // An observer that declines the file cancels the run before anything is touched.
  struct Decline : TRunObserver {
    int finished = -1;
    bool FileChosen(const std::string&) override { return false; }
    void Finished(const TRunSummary& s) override { finished = static_cast<int>(s.Outcome); }
  } decline;
  executed.clear();
  const int imports = view.imports;
  const TRunSummary c = RunTransfer(view, Ledger(), TRunOptions{false, false, &decline});
  EXPECT_EQ(c.Outcome, TRunSummary::TOutcome::Cancelled);
  EXPECT_EQ(decline.finished, static_cast<int>(TRunSummary::TOutcome::Cancelled));
  EXPECT_EQ(view.imports, imports);
  EXPECT_TRUE(executed.empty());
  EXPECT_EQ(view.information.size(), 1u);
}

TEST(RunTexts, SummaryAndFailureTextsFollowTheUsersNumberFormat) {
  SetFormatSettings(FormatSettings{',', '.', '.', FormatSettings::DateOrder::DMY});
  EXPECT_EQ(FormatAmount(TCurrency{12345678950}), "1.234.567,90");  // half to even: ,895 -> ,90
  EXPECT_EQ(FormatAmount(TCurrency{12345678850}), "1.234.567,88");
  EXPECT_EQ(FormatAmount(TCurrency{-500}), "-0,05");
  EXPECT_EQ(FormatAmount(TCurrency{0}), "0,00");
  TRunSummary s;
  s.Outcome = TRunSummary::TOutcome::Booked;
  s.Journal = "26KA00001";
  s.FirstPoz = 3;
  s.LastPoz = 4;
  s.Lines = 2;
  s.Debit = s.Credit = TCurrency{10000};
  for (int i = 1; i <= 12; ++i) s.NewSubjects.push_back("S" + std::to_string(i));
  EXPECT_EQ(SummaryText(s),
            "Prenos knji\x9E"
            "b zaklju\xE8"
            "en !\nTemeljnica: 26KA00001 (obstoje\xE8"
            "a)\n"
            "Postavke: od 3 do 4, skupaj 2\nDebet: 1,00\nKredit: 1,00\n"
            "Presko\xE8"
            "eni zapisi (znesek 0 ali brez konta): 0\n"
            "Novi subjekti (12): S1, S2, S3, S4, S5, S6, S7, S8, S9, S10 in \x9A"
            "e 2");
  s.FailedStep = "Korak X";
  s.Failure = "sporo\xE8ilo";
  EXPECT_EQ(FailureText(s), std::string(kTransferFailedText) +
                                "\nKorak: Korak X\nNapaka: sporo\xE8ilo\n"
                                "Podrobnosti so v tabeli napak (Prenos \xBB Tabela napak).");
  EXPECT_EQ(FirstLine("prva\r\ndruga"), "prva");
  SetFormatSettings(FormatSettings{});
}

}  // namespace
}  // namespace prenos
