// A whole transfer from the main window, offscreen, as the user runs it: the stored login,
// the fields of the first tab, "Prenos", the file dialog and the closing message.
#include <QFileDialog>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>

#include "app/app_title.h"
#include "app/datasif.h"
#include "app/date_edit.h"
#include "app/gui_hooks.h"
#include "app/main_window.h"
#include "controls/lookup_combo.h"
#include "ledger/ledger_fixture.h"
#include "platform/codepage.h"
#include "posting_line.h"
#include "support/gui_support.h"
#include "support/main_window_start.h"

using namespace prenos;
using prenos::testing::AnswerModals;
using prenos::testing::PostingFields;
using prenos::testing::PostingLine;
using prenos::testing::StartMainWindow;
using prenos::testing::TestLedger;

namespace {

// Answers the file dialog with Open (on the file it preselects) or Cancel, the question
// "Ponoven prenos" with Da when rebook (else Ne), and closes every other box with OK.
std::shared_ptr<testing::SeenDialog> AnswerRun(bool open, int count, bool rebook = false) {
  return AnswerModals(
      [open, rebook](QWidget* w) {
        if (w->objectName() == "RebookQuestion") {
          QTest::mouseClick(w->findChild<QPushButton*>(rebook ? "Da" : "Ne"), Qt::LeftButton);
        } else if (auto* d = qobject_cast<QFileDialog*>(w)) {
          if (open)
            static_cast<QDialog*>(d)->accept();
          else
            d->reject();
        } else if (auto* box = qobject_cast<QMessageBox*>(w)) {
          box->done(QMessageBox::Ok);
        }
      },
      count);
}

}  // namespace

class WindowRunTest : public QObject {
  Q_OBJECT
  std::unique_ptr<TestLedger> ledger_;
  std::unique_ptr<TMain> main_;
  std::unique_ptr<TDataSif> module_;

  // The window and the data module as the program makes them, on a ledger with the
  // sample rows, the login stored and a posting file of two records in c:\temp.
  void Start() {
    QVERIFY(StartMainWindow(*ledger_, main_, module_));
    PostingFields second;
    second.DsKupKnj = "124";
    second.KKupDob = "P002";
    second.Znesek = "100,00";
    const std::filesystem::path dir = ledger_->Prefix() / "drive_c" / "temp";
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "knjizbe.txt", std::ios::binary) << PostingLine({}) << "\r\n"
                                                         << PostingLine(second) << "\r\n";
    main_->fPoslDog->SetText("KA");
    main_->fReferent->SetText("07");
    main_->fDatum->SetText("15.03.02");
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
    // As the program ends: the data module goes first, then the window.
    module_.reset();
    main_.reset();
    ledger_.reset();
  }

  void aTransferFromTheWindowBooksTheFileIntoANewJournal() {
    Start();
    auto seen = AnswerRun(true, 2);
    QTest::mouseClick(main_->bPrenos, Qt::LeftButton);
    QCOMPARE(seen->count, 2);
    QCOMPARE(seen->objectName, QString("InformationBox"));
    QCOMPARE(seen->title, QString("Information"));
    // The box says what was booked (amounts in the number format of the C locale).
    QCOMPARE(seen->text,
             QString::fromUtf8("Prenos knjižb zaključen !\nTemeljnica: 02KA00001 (nova)\n"
                               "Postavke: od 1 do 4, skupaj 4\nDebet: 1334.56\nKredit: 1334.56\n"
                               "Preskočeni zapisi (znesek 0 ali brez konta): 0"));
    QCOMPARE(main_->ProgressBar->value(), 100);
    QVERIFY(QApplication::overrideCursor() == nullptr);

    QCOMPARE(ledger_->Scalar("SELECT PoslDog || Referent FROM Teme WHERE Kljuc = '02KA00001'"),
             std::string("KA07"));
    QCOMPARE(ledger_->Query("SELECT Poz, Konto, Subjekt, Dokument FROM TemePoz WHERE Kljuc = "
                            "'02KA00001' ORDER BY Poz"),
             (std::vector<std::vector<std::string>>{{"1", "1200", "Mercator d.d.", "123"},
                                                    {"2", "7600", "Mercator d.d.", "123"},
                                                    {"3", "1200", "Petrol d.d.", "124"},
                                                    {"4", "7600", "Petrol d.d.", "124"}}));

    // On the second tab, into the journal just made: the same file again, after "Da".
    main_->fKreiranjeTemeljnice->setCurrentWidget(main_->fStaraTemeljnica);
    main_->fTemeljnica->SetText("02KA00001");
    seen = AnswerRun(true, 3, true);
    QTest::mouseClick(main_->bPrenos, Qt::LeftButton);
    QCOMPARE(seen->count, 3);
    QCOMPARE(seen->text,
             QString::fromUtf8("Prenos knjižb zaključen !\nTemeljnica: 02KA00001 (obstoječa)\n"
                               "Postavke: od 5 do 8, skupaj 4\nDebet: 1334.56\nKredit: 1334.56\n"
                               "Preskočeni zapisi (znesek 0 ali brez konta): 0"));
    QCOMPARE(ledger_->Scalar("SELECT COUNT(*) FROM TemePoz WHERE Kljuc = '02KA00001'"),
             std::string("8"));
    QCOMPARE(ledger_->Scalar("SELECT COUNT(*) FROM Teme"), std::string("4"));
  }

  void aFileBookedBeforeIsBookedAgainOnlyAfterDa() {
    Start();
    auto seen = AnswerRun(true, 2);
    QTest::mouseClick(main_->bPrenos, Qt::LeftButton);
    QCOMPARE(seen->count, 2);
    QCOMPARE(ledger_->Scalar("SELECT COUNT(*) FROM TemePoz"), std::string("6"));
    // "Ne": the question is the last box, and nothing is booked.
    seen = AnswerRun(true, 3);
    QTest::mouseClick(main_->bPrenos, Qt::LeftButton);
    QCOMPARE(seen->count, 2);
    QCOMPARE(seen->objectName, QString("RebookQuestion"));
    QCOMPARE(seen->title, QString("Ponoven prenos"));
    QVERIFY(seen->text.contains(QString::fromUtf8("v temeljnico 02KA00001 (4 vrstic)")));
    QTest::qWait(100);
    QCOMPARE(QApplication::activeModalWidget(), static_cast<QWidget*>(nullptr));
    QCOMPARE(ledger_->Scalar("SELECT COUNT(*) FROM TemePoz"), std::string("6"));
    QCOMPARE(ledger_->Scalar("SELECT COUNT(*) FROM Teme"), std::string("4"));
    // "Da": a second journal.
    seen = AnswerRun(true, 3, true);
    QTest::mouseClick(main_->bPrenos, Qt::LeftButton);
    QCOMPARE(seen->count, 3);
    QCOMPARE(seen->objectName, QString("InformationBox"));
    QCOMPARE(ledger_->Scalar("SELECT COUNT(*) FROM TemePoz WHERE Kljuc = '02KA00002'"),
             std::string("4"));
    QCOMPARE(main_->Journal().List().size(), size_t{3});
  }

  void aCancelledDialogBooksNothing() {
    Start();
    auto seen = AnswerRun(false, 1);
    QTest::mouseClick(main_->bPrenos, Qt::LeftButton);
    QCOMPARE(seen->count, 1);
    QCOMPARE(seen->className, QString("QFileDialog"));
    QTest::qWait(100);
    QCOMPARE(QApplication::activeModalWidget(), static_cast<QWidget*>(nullptr));
    QCOMPARE(main_->ProgressBar->value(), 0);
    QCOMPARE(ledger_->Scalar("SELECT COUNT(*) FROM TemePoz"), std::string("2"));
  }

  void aBlankDateIsShownWithTheApplicationsErrorBox() {
    Start();
    main_->fDatum->SetText("  .  .  ");
    auto seen = AnswerRun(true, 2);
    QTest::mouseClick(main_->bPrenos, Qt::LeftButton);
    QCOMPARE(seen->count, 2);
    QCOMPARE(seen->title, QString::fromUtf8("Stelvar Prenos knjižb"));
    QCOMPARE(seen->icon, QMessageBox::Critical);
    QCOMPARE(seen->text, QString("'  .  .  ' is not a valid date."));
    QCOMPARE(main_->ProgressBar->value(), 0);
    QVERIFY(QApplication::overrideCursor() == nullptr);
    QCOMPARE(ledger_->Scalar("SELECT COUNT(*) FROM TemePoz"), std::string("2"));
  }
};

QTEST_MAIN(WindowRunTest)
#include "window_run_test.moc"
