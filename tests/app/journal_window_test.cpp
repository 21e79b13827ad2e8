// The run journal in the window, offscreen on real ledgers: the menu and its keys, the
// "Ponoven prenos" and undo questions, the history with its undo, the error table.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <memory>

#include "app/datasif.h"
#include "app/error_window.h"
#include "app/history_window.h"
#include "app/journal_dialogs.h"
#include "app/main_window.h"
#include "ledger/ledger_fixture.h"
#include "localtables/errorlog.h"
#include "localtables/table.h"
#include "settings/credentials.h"
#include "support/gui_support.h"
#include "transfer/run_journal.h"

using namespace prenos;
using prenos::testing::AnswerModals;
using prenos::testing::TestLedger;

namespace {

QString Cell(QTableWidget* t, int row, int col) {
  return t->item(row, col) ? t->item(row, col)->text() : QString();
}

// Presses a box's button by its object name ("Da", "Ne") or sends it a key.
std::function<void(QWidget*)> Press(const char* button) {
  return [button](QWidget* w) {
    QTest::mouseClick(w->findChild<QPushButton*>(button), Qt::LeftButton);
  };
}
std::function<void(QWidget*)> Key(Qt::Key key) {
  return [key](QWidget* w) { QTest::keyClick(w, key); };
}

}  // namespace

class JournalWindowTest : public QObject {
  Q_OBJECT
  std::unique_ptr<TestLedger> ledger_;
  std::unique_ptr<TMain> main_;
  std::unique_ptr<TDataSif> module_;

  void Start() {
    main_ = std::make_unique<TMain>();
    SQLUserName = ledger_->UserName();
    SQLPassword = ledger_->Password();
    module_ = std::make_unique<TDataSif>();
    module_->DataSifCreate();
    main_->BindDataModule(*module_);
    main_->show();
    main_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(main_.get()));
  }

  // A run booked into key at positions 1..2n: its lines in the ledger and its row.
  TRunRecord Booked(const std::string& key, int n, const std::string& file) {
    ledger_->Exec("INSERT INTO Teme (Kljuc, PoslDog) VALUES ('" + key + "', 'KA')");
    for (int p = 1; p <= 2 * n; ++p)
      ledger_->Exec("INSERT INTO TemePoz (Kljuc, Poz, Debet, Kredit) VALUES ('" + key + "', " +
                    std::to_string(p) + (p % 2 ? ", 10, 0)" : ", 0, 10)"));
    TRunRecord r;
    r.Started = Now();
    r.FileName = file;
    r.Journal = key;
    r.CreatedHeader = true;
    r.FirstPoz = 1;
    r.LastPoz = r.Lines = 2 * n;
    r.Debit = r.Credit = TCurrency{n * 100000};
    r.State = TRunState::Booked;
    r.User = "ana";
    main_->Journal().Insert(r);
    return r;
  }

 private slots:
  void init() {
    ledger_ = std::make_unique<TestLedger>();
    Start();
  }
  void cleanup() {
    main_.reset();
    module_.reset();
    ledger_.reset();
  }

  void MenuBarAndItsKeys() {
    QCOMPARE(main_->MenuBar->actions().size(), 2);
    QCOMPARE(main_->mPrenos->title(), QStringLiteral("P&renos"));
    QCOMPARE(main_->mPomoc->title(), QStringLiteral("Po&moč"));
    const QList<QAction*> items = main_->mPrenos->actions();
    QCOMPARE(items.size(), 5);
    QCOMPARE(items[0]->text(), QStringLiteral("&Predogled…"));
    QCOMPARE(items[1]->text(), QStringLiteral("&Zgodovina prenosov…"));
    QCOMPARE(items[2]->text(), QStringLiteral("&Tabela napak…"));
    QVERIFY(items[3]->isSeparator());
    QCOMPARE(items[4]->text(), QStringLiteral("&Konec"));
    QCOMPARE(main_->mPomoc->actions().at(0)->text(), QStringLiteral("&O programu…"));

    // Alt+R opens the "Prenos" menu; Escape closes it.
    QTest::keyClick(main_.get(), Qt::Key_R, Qt::AltModifier);
    QTRY_VERIFY(main_->mPrenos->isVisible());
    QTest::keyClick(main_->mPrenos, Qt::Key_Escape);
    QTRY_VERIFY(!main_->mPrenos->isVisible());

    // Ctrl+P the preview (its file dialog first), Ctrl+H the history, Ctrl+E the error
    // table, F1 the about box, Ctrl+Q ends.
    auto seen = AnswerModals([](QWidget* w) { static_cast<QDialog*>(w)->reject(); });
    QTest::keyClick(main_.get(), Qt::Key_P, Qt::ControlModifier);
    QCOMPARE(seen->className, QStringLiteral("QFileDialog"));
    main_->activateWindow();  // offscreen, a closed dialog hands the activation back to no one
    QVERIFY(QTest::qWaitForWindowActive(main_.get()));
    seen = AnswerModals([](QWidget* w) { static_cast<QDialog*>(w)->reject(); });
    QTest::keyClick(main_.get(), Qt::Key_H, Qt::ControlModifier);
    QCOMPARE(seen->objectName, QStringLiteral("HistoryWindow"));
    QCOMPARE(seen->title, QStringLiteral("Zgodovina prenosov"));
    main_->activateWindow();  // offscreen, a closed dialog hands the activation back to no one
    QVERIFY(QTest::qWaitForWindowActive(main_.get()));
    seen = AnswerModals([](QWidget* w) { static_cast<QDialog*>(w)->reject(); });
    QTest::keyClick(main_.get(), Qt::Key_E, Qt::ControlModifier);
    QCOMPARE(seen->objectName, QStringLiteral("ErrorWindow"));
    QCOMPARE(seen->title, QStringLiteral("Tabela napak"));
    main_->activateWindow();  // offscreen, a closed dialog hands the activation back to no one
    QVERIFY(QTest::qWaitForWindowActive(main_.get()));
    seen = AnswerModals([](QWidget* w) { static_cast<QDialog*>(w)->reject(); });
    QTest::keyClick(main_.get(), Qt::Key_F1);
    QCOMPARE(seen->objectName, QStringLiteral("AboutBox"));
    for (const QString& part :
         {QStringLiteral("Vir podatkov: MSStelvar"),
          QString::fromStdString(ledger_->Prefix().string()), QStringLiteral("TorvikPrenosi.db"),
          QStringLiteral("TorvikError.db")})
      QVERIFY2(seen->text.contains(part), qPrintable(seen->text));
    main_->activateWindow();  // offscreen, a closed dialog hands the activation back to no one
    QVERIFY(QTest::qWaitForWindowActive(main_.get()));
    QTest::keyClick(main_.get(), Qt::Key_Q, Qt::ControlModifier);
    QTRY_VERIFY(!main_->isVisible());
  }

  void RebookQuestionAnswersNoUnlessYesIsChosen() {
    TRunRecord earlier;
    earlier.FileName = "c:\\temp\\knjizbe.txt";
    earlier.Journal = "26KA00003";
    earlier.Lines = 38;
    earlier.Started = EncodeDate(2026, 12, 1) + EncodeTime(10, 15, 0, 0);
    for (auto answer : {Key(Qt::Key_Return), Key(Qt::Key_Escape), Press("Ne")}) {
      auto seen = AnswerModals(answer);
      QVERIFY(!AskRebook(main_.get(), earlier));
      QCOMPARE(seen->count, 1);
      QCOMPARE(seen->title, QStringLiteral("Ponoven prenos"));
      QVERIFY(seen->text.contains("01.12.2026 10:15"));
      QVERIFY(seen->text.contains("26KA00003 (38 vrstic)"));
    }
    auto seen = AnswerModals([](QWidget* w) {
      auto* box = static_cast<QMessageBox*>(w);
      QCOMPARE(box->defaultButton()->text(), QStringLiteral("&Ne"));
      QCOMPARE(box->escapeButton(), static_cast<QAbstractButton*>(box->defaultButton()));
      QTest::mouseClick(box->findChild<QPushButton*>("Da"), Qt::LeftButton);
    });
    QVERIFY(AskRebook(main_.get(), earlier));
  }

  void HistoryListsRunsAndUndoesABookedOne() {
    const TRunRecord first = Booked("26KA00001", 2, "c:\\temp\\prvi.txt");
    TRunRecord failed;
    failed.Started = Now();
    failed.FileName = "c:\\temp\\drugi.txt";
    failed.State = TRunState::Failed;
    failed.Failure = "povezava prekinjena";
    main_->Journal().Insert(failed);

    // The history as the menu makes it, with the window's own undo (a fresh connection).
    THistoryWindow h(main_.get(), main_->Journal(),
                     [this](const TRunRecord& r) { return main_->UndoRun(r); }, {});
    h.show();
    QCOMPARE(h.List->rowCount(), 2);
    QCOMPARE(Cell(h.List, 0, 1), QStringLiteral("drugi.txt"));  // newest first
    QCOMPARE(Cell(h.List, 0, 6), QStringLiteral("neuspešno"));
    QCOMPARE(Cell(h.List, 1, 1), QStringLiteral("prvi.txt"));
    QCOMPARE(Cell(h.List, 1, 2), QStringLiteral("26KA00001"));
    QCOMPARE(Cell(h.List, 1, 3), QStringLiteral("4"));
    QCOMPARE(Cell(h.List, 1, 4), QStringLiteral("20.00"));
    QCOMPARE(Cell(h.List, 1, 6), QStringLiteral("knjiženo"));
    QCOMPARE(Cell(h.List, 1, 7), QStringLiteral("ana"));
    QVERIFY(h.Details->toPlainText().contains("povezava prekinjena"));
    QVERIFY(!h.bRazveljavi->isEnabled());
    QVERIFY(h.Select(first.Id));
    QVERIFY(h.bRazveljavi->isEnabled());
    QVERIFY(h.Details->toPlainText().contains("Pozicije: 1–4"));

    // "Ne" to the confirmation deletes nothing.
    auto seen = AnswerModals(Press("Ne"));
    QTest::mouseClick(h.bRazveljavi, Qt::LeftButton);
    QCOMPARE(seen->objectName, QStringLiteral("UndoQuestion"));
    QVERIFY(seen->text.contains("26KA00001"));
    QVERIFY(seen->text.contains("4 vrstic"));
    QCOMPARE(ledger_->Scalar("SELECT COUNT(*) FROM TemePoz"), std::string("4"));
    // "Da" undoes it; the result box is closed with OK.
    seen = AnswerModals(
        [](QWidget* w) {
          if (w->objectName() == "UndoQuestion")
            QTest::mouseClick(w->findChild<QPushButton*>("Da"), Qt::LeftButton);
          else
            static_cast<QMessageBox*>(w)->accept();
        },
        2);
    QTest::mouseClick(h.bRazveljavi, Qt::LeftButton);
    QCOMPARE(seen->count, 2);
    QCOMPARE(seen->objectName, QStringLiteral("UndoResult"));
    QVERIFY(seen->text.contains("izbrisanih 4 vrstic"));
    QCOMPARE(Cell(h.List, 1, 6), QStringLiteral("razveljavljeno"));
    QVERIFY(!h.bRazveljavi->isEnabled());
    QCOMPARE(ledger_->Scalar("SELECT COUNT(*) FROM TemePoz"), std::string("0"));
    QCOMPARE(ledger_->Scalar("SELECT COUNT(*) FROM Teme"), std::string("0"));
    QCOMPARE(main_->Journal().Find(first.Id)->State, TRunState::Undone);
  }

  void ErrorTableListsRecordsAndFiltersToARun() {
    // Three records a minute apart, written through the local table store.
    const TDateTime base = EncodeDate(2026, 12, 3) + EncodeTime(10, 0, 0, 0);
    {
      TTable table;
      table.SetTableName(kErrorTableName);
      OpenErrorTable(table);
      for (int i = 0; i < 3; ++i) {
        table.Append();
        table.FieldByName("Cas").SetAsDateTime(base + i / 1440.0);
        table.FieldByName("Operation").SetAsString("sqlExecute" + std::to_string(i));
        table.FieldByName("Error").SetAsString("napaka " + std::to_string(i) + "\r\ndruga vrstica");
        table.FieldByName("SenderProp")
            .SetAsString("hDbc --> Database\r\nSQL --> INSERT " + std::to_string(i) + "\r\n");
        table.Post();
      }
      table.Close();
    }
    TErrorWindow all(main_.get());
    QCOMPARE(all.List->rowCount(), 3);
    QCOMPARE(Cell(all.List, 0, 1), QStringLiteral("sqlExecute2"));
    QCOMPARE(Cell(all.List, 0, 2), QStringLiteral("napaka 2"));
    QCOMPARE(Cell(all.List, 2, 0), QStringLiteral("03.12.2026 10:00"));
    all.List->selectRow(1);
    QVERIFY(all.Details->toPlainText().contains("SQL --> INSERT 1"));
    QVERIFY(all.Details->toPlainText().contains("druga vrstica"));
    QTest::mouseClick(all.bKopiraj, Qt::LeftButton);
    QCOMPARE(QApplication::clipboard()->text(), all.SelectedText());
    QVERIFY(QApplication::clipboard()->text().contains("Operation: sqlExecute1"));

    // From the history: only the records written while that run went on.
    TErrorWindow one(main_.get(), TErrorFilter{"prenos 7", base + 0.5 / 1440, base + 1.5 / 1440});
    QVERIFY(one.OnlyRun->isVisible() || one.OnlyRun->isVisibleTo(&one));
    QCOMPARE(one.List->rowCount(), 1);
    QCOMPARE(Cell(one.List, 0, 1), QStringLiteral("sqlExecute1"));
    one.OnlyRun->setChecked(false);
    QCOMPARE(one.List->rowCount(), 3);
  }
};

QTEST_MAIN(JournalWindowTest)
#include "journal_window_test.moc"
