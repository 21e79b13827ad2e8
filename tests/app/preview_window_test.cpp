// The window's "Predogled…" offscreen on both test ledgers: the preview lists what the
// file would book and leaves the ledger as it was; "Knjiži" books exactly that, and the
// command line books the same rows on the same ledger state.
#include "app/preview_window.h"

#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>

#include "../transfer/posting_line.h"
#include "app/app_title.h"
#include "app/datasif.h"
#include "app/date_edit.h"
#include "app/gui_hooks.h"
#include "app/main_window.h"
#include "controls/lookup_combo.h"
#include "ledger/ledger_fixture.h"
#include "support/gui_support.h"
#include "support/login_tool.h"

using namespace prenos;
using prenos::testing::AnswerModals;
using prenos::testing::PostingFields;
using prenos::testing::PostingLine;
using prenos::testing::StoreLogin;
using prenos::testing::TestLedger;

namespace {

using Rows = std::vector<std::vector<std::string>>;

// What the preview window showed, read before it was answered.
struct Shown {
  int rows = -1;
  QStringList first, last;  // the first and last line's cells
  QString journal, totals, subjects, skipped;
  bool warning = false;
  std::string ledgerLines;  // TemePoz rows in the ledger while the window was open
};

QStringList RowCells(const QTableWidget* t, int row) {
  QStringList cells;
  for (int c = 0; c < t->columnCount(); ++c) cells << t->item(row, c)->text();
  return cells;
}

}  // namespace

class PreviewWindowTest : public QObject {
  Q_OBJECT
  std::unique_ptr<TestLedger> ledger_;
  std::unique_ptr<TMain> main_;
  std::unique_ptr<TDataSif> module_;
  std::filesystem::path file_;

  void Start() {
    QVERIFY(StoreLogin("sa", ledger_->Password()));
    main_ = std::make_unique<TMain>();
    module_ = std::make_unique<TDataSif>();
    main_->BindDataModule(*module_);
    main_->show();
    PostingFields second, skipped;
    second.DsKupKnj = "124";
    second.KKupDob = "NOVI1";
    second.Znesek = "100,00";
    skipped.DsKupKnj = "125";
    skipped.Znesek = "0";
    const std::filesystem::path dir = ledger_->Prefix() / "drive_c" / "temp";
    std::filesystem::create_directories(dir);
    file_ = dir / "knjizbe.txt";
    std::ofstream(file_, std::ios::binary) << PostingLine({}) << "\r\n"
                                           << PostingLine(second) << "\r\n"
                                           << PostingLine(skipped) << "\r\n";
    main_->fPoslDog->SetText("KA");
    main_->fReferent->SetText("07");
    main_->fDatum->SetText("15.03.02");
  }

  Rows Lines() const {
    return ledger_->Query(
        "SELECT Kljuc, Poz, Konto, ProtiKonto, Subjekt, Dokument, Opomba, Debet, Kredit "
        "FROM TemePoz ORDER BY Kljuc, Poz");
  }

  // Opens the preview from the menu; the file dialog is accepted, the preview read and
  // answered with book (then the completion box closed) or close.
  std::shared_ptr<Shown> Preview(bool book, int dialogs) {
    auto shown = std::make_shared<Shown>();
    auto seen = AnswerModals(
        [this, shown, book](QWidget* w) {
          if (auto* d = qobject_cast<QFileDialog*>(w)) {
            static_cast<QDialog*>(d)->accept();
          } else if (auto* p = qobject_cast<TPreviewWindow*>(w)) {
            shown->rows = p->Lines->rowCount();
            if (shown->rows > 0) {
              shown->first = RowCells(p->Lines, 0);
              shown->last = RowCells(p->Lines, shown->rows - 1);
            }
            shown->journal = p->Journal->text();
            shown->totals = p->Totals->text();
            shown->subjects = p->Subjects->text();
            shown->skipped = p->Skipped->text();
            shown->warning = !p->Warning->isHidden();
            shown->ledgerLines = ledger_->Scalar("SELECT COUNT(*) FROM TemePoz");
            QTest::mouseClick(book ? p->bKnjizi : p->bZapri, Qt::LeftButton);
          } else if (auto* box = qobject_cast<QMessageBox*>(w)) {
            box->done(QMessageBox::Ok);
          }
        },
        dialogs);
    main_->aPredogled->trigger();
    [&] { QCOMPARE(seen->count, dialogs); }();
    return shown;
  }

 private slots:
  void initTestCase() {
    SetApplicationTitle(kApplicationTitle);
    InstallGuiHooks();
  }
  void init() {
    ledger_ = std::make_unique<TestLedger>();
    ledger_->LoadSample();
  }
  void cleanup() {
    module_.reset();
    main_.reset();
    ledger_.reset();
  }

  // "Prenos" in the window and book on the command line book the same rows on the same
  // ledger state.
  void theWindowAndTheCommandLineBookTheSameRows() {
    Start();
    auto seen = AnswerModals(
        [](QWidget* w) {
          if (auto* d = qobject_cast<QFileDialog*>(w))
            static_cast<QDialog*>(d)->accept();
          else if (auto* box = qobject_cast<QMessageBox*>(w))
            box->done(QMessageBox::Ok);
        },
        2);
    QTest::mouseClick(main_->bPrenos, Qt::LeftButton);
    QCOMPARE(seen->count, 2);
    const Rows booked = Lines();
    QVERIFY(booked.size() > 2);

    ledger_->Exec("DELETE FROM TemePoz WHERE Kljuc = '02KA00001'");
    ledger_->Exec("DELETE FROM Teme WHERE Kljuc = '02KA00001'");
    ledger_->Exec("DELETE FROM Subjekt WHERE Naziv2 = 'NOVI1'");
    QProcess cli;
    cli.start(PRENOS_PROGRAM, {"book", QString::fromStdString(file_.string()), "--event", "KA",
                               "--date", "15.03.2002", "--clerk", "07", "--yes"});
    QVERIFY(cli.waitForFinished(60000));
    QCOMPARE(cli.exitCode(), 0);
    QCOMPARE(Lines(), booked);
  }

  void aPreviewShowsTheLinesAndKnjiziBooksThem() {
    Start();
    const Rows before = Lines();
    // "Zapri": nothing booked, no box after the window.
    std::shared_ptr<Shown> shown = Preview(false, 2);
    QCOMPARE(shown->rows, 4);
    QCOMPARE(Lines(), before);
    QCOMPARE(shown->ledgerLines, std::string("2"));
    QCOMPARE(shown->journal, QString("Nova temeljnica 02KA00001, postavke od 1 do 4 (4)"));
    QCOMPARE(shown->first,
             (QStringList{"1", "1200", "7600", "Mercator d.d.", shown->first[4], "123",
                          "10.03.2002", "25.03.2002", "Racun 123", "1234.56", "0.00"}));
    QCOMPARE(shown->last[0], QString("4"));
    QCOMPARE(shown->last[5], QString("124"));
    QCOMPARE(shown->totals, QString("Skupaj: debet 1334.56, kredit 1334.56"));
    QCOMPARE(shown->subjects, QString("Novi subjekti: NOVI1"));
    QCOMPARE(shown->skipped,
             QString::fromUtf8("Preskočeni zapisi (znesek 0 ali brez konta): 1 od 3"));
    QVERIFY(!shown->warning);

    // "Knjiži": the same file booked without the dialog again: file, preview, completion box.
    shown = Preview(true, 3);
    QCOMPARE(shown->rows, 4);
    const Rows booked = Lines();
    QCOMPARE(booked.size(), before.size() + 4);
    QCOMPARE(ledger_->Scalar("SELECT COUNT(*) FROM TemePoz WHERE Kljuc = '02KA00001'"),
             std::string("4"));
    QCOMPARE(ledger_->Scalar("SELECT Dokument FROM TemePoz WHERE Kljuc = '02KA00001' AND Poz = 4"),
             std::string("124"));
    // Previewed again, the file warns that it was booked, and would take the next key.
    shown = Preview(false, 2);
    QVERIFY(shown->warning);
    QCOMPARE(shown->journal, QString("Nova temeljnica 02KA00002, postavke od 1 do 4 (4)"));
    QCOMPARE(Lines(), booked);

    // The command line books the same rows into the same ledger state.
    const Rows subjects = ledger_->Query("SELECT * FROM Subjekt ORDER BY Naziv2");
    ledger_->Exec("DELETE FROM TemePoz WHERE Kljuc = '02KA00001'");
    ledger_->Exec("DELETE FROM Teme WHERE Kljuc = '02KA00001'");
    ledger_->Exec("DELETE FROM Subjekt WHERE Naziv2 = 'NOVI1'");
    QCOMPARE(Lines(), before);
    QProcess cli;
    cli.start(PRENOS_PROGRAM, {"book", QString::fromStdString(file_.string()), "--event", "KA",
                               "--date", "2002-03-15", "--clerk", "07", "--yes"});
    QVERIFY(cli.waitForFinished(60000));
    QCOMPARE(cli.exitCode(), 0);
    QCOMPARE(Lines(), booked);
    QCOMPARE(ledger_->Query("SELECT * FROM Subjekt ORDER BY Naziv2"), subjects);
  }
};

QTEST_MAIN(PreviewWindowTest)
#include "preview_window_test.moc"
