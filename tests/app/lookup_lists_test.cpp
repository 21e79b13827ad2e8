// The main window's three lookup lists on a real ledger: their data sets and selectors as
// stored, the late binding to the data module, what each lists (business events of kind
// K only, clerks, journals in key order), a run that takes the selectors' texts and whose
// new journal is listed at the next drop-down, and a ledger that cannot be reached.
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/datasif.h"
#include "app/date_edit.h"
#include "app/gui_hooks.h"
#include "app/main_window.h"
#include "controls/combo_button.h"
#include "controls/lookup_combo.h"
#include "ledger/ledger_fixture.h"
#include "support/error_records.h"
#include "support/gui_support.h"
#include "support/login_tool.h"
#include "transfer/posting_line.h"

using namespace prenos;
using prenos::testing::AnswerModals;
using prenos::testing::CloseMessageBoxes;
using prenos::testing::ErrorRecord;
using prenos::testing::ErrorRecords;
using prenos::testing::Field;
using prenos::testing::StoreLogin;
using prenos::testing::TestLedger;

namespace {

// Every value of a field, walking the data set from its first row.
std::vector<std::string> Walk(db::TDataSet& ds, const std::string& field) {
  std::vector<std::string> out;
  for (ds.First(); !ds.Eof(); ds.Next()) out.push_back(ds.FieldByName(field).AsString());
  return out;
}

}  // namespace

class LookupListsTest : public QObject {
  Q_OBJECT
  std::unique_ptr<TestLedger> ledger_;
  std::unique_ptr<TMain> main_;
  std::unique_ptr<TDataSif> module_;

  std::vector<std::string> Column(const std::string& sql) const {
    std::vector<std::string> out;
    for (const auto& row : ledger_->Query(sql)) out.push_back(row.at(0));
    return out;
  }

  // The window and the data module as the program makes them, the login stored.
  void Start() {
    QVERIFY(StoreLogin("sa", ledger_->Password()));
    main_ = std::make_unique<TMain>();
    module_ = std::make_unique<TDataSif>();
    main_->BindDataModule(*module_);
    main_->show();
    main_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(main_.get()));
  }

  static void Pick(TwwDBLookupCombo* selector, const std::string& code) {
    selector->setFocus();
    QTest::keyClicks(selector, code.c_str());
    QTRY_VERIFY(!selector->SearchTimer().isActive());
    QTest::keyClick(selector, Qt::Key_Return);
    QCOMPARE(selector->Text(), code);
  }

 private slots:
  void initTestCase() { InstallGuiHooks(); }
  void init() {
    ledger_ = std::make_unique<TestLedger>();
    ledger_->LoadSample();
  }
  void cleanup() {
    module_.reset();
    main_.reset();
    ledger_.reset();
  }

  void TheDataSetsAndSelectorsAreStoredAsTheWindowNeedsThem() {
    main_ = std::make_unique<TMain>();
    const std::vector<std::pair<TwwOEDataSet*, std::vector<std::string>>> sets = {
        {&main_->tbLookPoslDog,
         {"SELECT * FROM PoslDog ", "WHERE Vrsta = 'K' ", "ORDER BY POSLDOG "}},
        {&main_->tbLookZaposlen, {"SELECT * FROM ODDEL ", "ORDER BY USERID "}},
        {&main_->tbTemeStev, {"SELECT * FROM Teme ", "ORDER BY KLJUC "}}};
    for (const auto& [ds, lines] : sets) {
      QCOMPARE(ds->SQL(), lines);
      QCOMPARE(ds->Owner(), static_cast<TComponent*>(main_.get()));
      QCOMPARE(ds->hStmt().ConcurrencyType(), SQLUINTEGER(SQL_CONCUR_VALUES));
      QCOMPARE(ds->hStmt().TargetTexts(), (std::vector<std::string>{"OE5.05", "", "", "", ""}));
      QVERIFY(ds->RequestLive());
      QVERIFY(ds->Editable());
      QVERIFY(ds->ValidateWithMask);
      QCOMPARE(ds->Params().Count(), 0);
      QVERIFY(!ds->Active());
      // Until the data module exists there is no connection to name.
      QVERIFY(!ds->hDbc());
      QCOMPARE(ds->DatabaseName(), std::string());
    }
    QCOMPARE(main_->tbLookPoslDog.Name(), std::string("tbLookPoslDog"));
    QCOMPARE(main_->tbLookZaposlen.Name(), std::string("tbLookZaposlen"));
    QCOMPARE(main_->tbTemeStev.Name(), std::string("tbTemeStev"));

    module_ = std::make_unique<TDataSif>();
    main_->BindDataModule(*module_);
    for (const auto& [ds, lines] : sets) {
      QCOMPARE(ds->hDbc(), &module_->Database);
      QCOMPARE(ds->DatabaseName(), std::string("Database"));
      QVERIFY(!ds->Active());
    }
    QVERIFY(!module_->Database.Connected());

    QCOMPARE(main_->fPoslDog->LookupTable(), static_cast<db::TDataSet*>(&main_->tbLookPoslDog));
    QCOMPARE(main_->fReferent->LookupTable(), static_cast<db::TDataSet*>(&main_->tbLookZaposlen));
    QCOMPARE(main_->fTemeljnica->LookupTable(), static_cast<db::TDataSet*>(&main_->tbTemeStev));
    QCOMPARE(main_->fPoslDog->Selected(),
             (std::vector<std::string>{"POSLDOG\t7\tPos.dog.", "NAZIV\t31\tNaziv", "TIP\t3\tTip"}));
    QCOMPARE(main_->fReferent->Selected(), (std::vector<std::string>{"USERID\t3\t\x8A"
                                                                     "ifra",
                                                                     "DELAVEC\t30\tDelavec\tF"}));
    QCOMPARE(main_->fTemeljnica->Selected(),
             (std::vector<std::string>{"KLJUC\t10\t\x8A"
                                       "tevilka",
                                       "DATUM\t10\tDatum", "REFERENT\t4\tRef."}));
    for (TwwDBLookupCombo* s : {main_->fPoslDog, main_->fReferent, main_->fTemeljnica}) {
      QCOMPARE(s->Options(), loColLines | loRowLines | loTitles);
      QCOMPARE(s->Style(), csDropDownList);
      QVERIFY(s->ShowButton());
      QCOMPARE(s->SeqSearchOptions(), ssoEnabled | ssoCaseSensitive);
      QVERIFY(!s->AllowClearKey());
      QCOMPARE(s->DropDownAlignment(), taLeftJustify);
      QCOMPARE(s->Text(), std::string());
    }
    QVERIFY(main_->fPoslDog->AutoDropDown() && main_->fReferent->AutoDropDown());
    QVERIFY(!main_->fTemeljnica->AutoDropDown());
    QVERIFY(!main_->fPoslDog->UseTFields() && !main_->fReferent->UseTFields());
    QVERIFY(main_->fTemeljnica->UseTFields());
  }

  void OnlyBusinessEventsOfKindKAreListed() {
    ledger_->Exec(
        "INSERT INTO PoslDog (PoslDog, Naziv, Tip, Vrsta) VALUES ('11', 'Interni dogodek', 'IN', "
        "'I');");
    const std::vector<std::string> kindK =
        Column("SELECT PoslDog FROM PoslDog WHERE Vrsta = 'K' ORDER BY PoslDog");
    QVERIFY(Column("SELECT COUNT(*) FROM PoslDog WHERE Vrsta <> 'K'").at(0) != "0");
    Start();
    QTest::mouseClick(main_->fPoslDog, Qt::LeftButton, {}, QPoint(5, 10));
    QVERIFY(main_->fPoslDog->ListVisible());
    QCOMPARE(main_->fPoslDog->List()->FieldText(0, "POSLDOG"), kindK.at(0));
    QCOMPARE(Walk(main_->tbLookPoslDog, "POSLDOG"), kindK);
    for (main_->tbLookPoslDog.First(); !main_->tbLookPoslDog.Eof(); main_->tbLookPoslDog.Next())
      QCOMPARE(main_->tbLookPoslDog.FieldByName("VRSTA").AsString(), std::string("K"));
    QTest::keyClick(main_->fPoslDog, Qt::Key_Escape);

    // Typed, an event of another kind is not found and does not become the value.
    for (const std::string& other :
         Column("SELECT PoslDog FROM PoslDog WHERE Vrsta <> 'K' ORDER BY PoslDog")) {
      main_->fPoslDog->setFocus();
      main_->fPoslDog->selectAll();
      QTest::keyClicks(main_->fPoslDog, other.c_str());
      QTRY_VERIFY(!main_->fPoslDog->SearchTimer().isActive());
      QVERIFY(main_->fPoslDog->ListVisible());
      QCOMPARE(main_->fPoslDog->List()->HighlightedRow(), -1);
      QTest::keyClick(main_->fPoslDog, Qt::Key_Return);
      QCOMPARE(main_->fPoslDog->Text(), std::string());
    }
  }

  void TheClerkListShowsCodesAndNames() {
    Start();
    TwwDBLookupCombo* referent = main_->fReferent;
    QTest::mouseClick(referent->Button(), Qt::LeftButton);
    QVERIFY(referent->ListVisible());
    const auto& columns = referent->List()->Columns();
    QCOMPARE(columns.size(), size_t(2));
    QCOMPARE(columns[0].Title, std::string("\x8A"
                                           "ifra"));
    QCOMPARE(columns[1].Title, std::string("Delavec"));
    const int zero = referent->List()->CharWidth();
    QCOMPARE(columns[1].Width, 30 * zero + 4);
    const auto rows = ledger_->Query("SELECT UserID, Delavec FROM ODDEL ORDER BY UserID");
    for (int row = 0; row < referent->List()->VisibleRecords(); ++row) {
      QCOMPARE(referent->List()->FieldText(row, "USERID"), rows.at(static_cast<size_t>(row)).at(0));
      QCOMPARE(referent->List()->FieldText(row, "DELAVEC"),
               rows.at(static_cast<size_t>(row)).at(1));
    }
    QCOMPARE(referent->List()->VisibleRecords(), static_cast<int>(rows.size()));
    QTest::keyClick(referent, Qt::Key_Escape);
    Pick(referent, rows.at(2).at(0));
  }

  // Each date of the journal list is drawn whole within its column (it was cut to
  // "31.12.202" when the column held nine digits' width).
  void TheJournalListShowsWholeDates() {
    Start();
    main_->fKreiranjeTemeljnice->setCurrentWidget(main_->fStaraTemeljnica);
    main_->fTemeljnica->setFocus();
    QTest::keyClick(main_->fTemeljnica, Qt::Key_Down, Qt::AltModifier);
    QVERIFY(main_->fTemeljnica->ListVisible());
    TwwCustomDBGrid* list = main_->fTemeljnica->List();
    const auto& columns = list->Columns();
    QCOMPARE(columns.size(), size_t(3));
    QCOMPARE(columns[1].Title, std::string("Datum"));
    const int margins = 4;  // the cell's text margin on both sides
    QVERIFY(list->VisibleRecords() > 0);
    for (int row = 0; row < list->VisibleRecords(); ++row) {
      const QString date = QString::fromStdString(list->FieldText(row, "DATUM"));
      QVERIFY2(date.size() == 10 && date[2] == date[5] && !date[2].isDigit(), qPrintable(date));
      QVERIFY2(list->fontMetrics().horizontalAdvance(date) + margins <= list->DrawnWidth(1),
               qPrintable(date + " is wider than its column"));
    }
    // The widest date the column can meet: eight of the widest digit, two separators.
    const QChar separator = QString::fromStdString(list->FieldText(0, "DATUM")).at(2);
    int digit = 0;
    for (char c = '0'; c <= '9'; ++c)
      digit = std::max(digit, list->fontMetrics().horizontalAdvance(QChar(c)));
    QVERIFY(8 * digit + 2 * list->fontMetrics().horizontalAdvance(separator) + margins <=
            list->DrawnWidth(1));
    QTest::keyClick(main_->fTemeljnica, Qt::Key_Escape);
  }

  void ARunTakesTheSelectorsTextsAndItsNewJournalIsListedNextTime() {
    Start();
    const std::vector<std::string> before = Column("SELECT Kljuc FROM Teme ORDER BY Kljuc");
    main_->fKreiranjeTemeljnice->setCurrentWidget(main_->fStaraTemeljnica);
    main_->fTemeljnica->setFocus();
    QTest::keyClick(main_->fTemeljnica, Qt::Key_Down, Qt::AltModifier);
    QVERIFY(main_->fTemeljnica->ListVisible());
    QCOMPARE(Walk(main_->tbTemeStev, "KLJUC"), before);
    QTest::keyClick(main_->fTemeljnica, Qt::Key_Escape);
    main_->fKreiranjeTemeljnice->setCurrentWidget(main_->fNovaTemeljnica);

    Pick(main_->fPoslDog, "KA");
    Pick(main_->fReferent, "07");
    main_->fDatum->SetText("15.03.02");
    const std::filesystem::path dir = ledger_->Prefix() / "drive_c" / "temp";
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "knjizbe.txt", std::ios::binary) << testing::PostingLine({}) << "\r\n";

    auto seen = AnswerModals(
        [](QWidget* w) {
          if (auto* dialog = qobject_cast<QFileDialog*>(w))
            static_cast<QDialog*>(dialog)->accept();
          else if (auto* box = qobject_cast<QMessageBox*>(w))
            box->done(QMessageBox::Ok);
        },
        2);
    QTest::mouseClick(main_->bPrenos, Qt::LeftButton);
    QCOMPARE(seen->count, 2);
    QVERIFY2(seen->text.startsWith(QString::fromUtf8("Prenos knjižb zaključen !\nTemeljnica: ")),
             qPrintable(seen->text));

    const std::vector<std::string> after = Column("SELECT Kljuc FROM Teme ORDER BY Kljuc");
    QCOMPARE(after.size(), before.size() + 1);
    std::string created;
    for (const std::string& key : after)
      if (std::find(before.begin(), before.end(), key) == before.end()) created = key;
    QVERIFY2(seen->text.contains(QString::fromStdString(created)), qPrintable(seen->text));
    QCOMPARE(ledger_->Query("SELECT PoslDog, Referent, UserZap FROM Teme WHERE Kljuc = '" +
                            created + "'"),
             (std::vector<std::vector<std::string>>{{"KA", "07", "07"}}));
    // The run leaves the selectors as they were, and its reconnect closed the lists.
    QCOMPARE(main_->fPoslDog->Text(), std::string("KA"));
    QCOMPARE(main_->fReferent->Text(), std::string("07"));
    QCOMPARE(main_->fTemeljnica->Text(), std::string());
    QVERIFY(!main_->tbTemeStev.Active());

    main_->fKreiranjeTemeljnice->setCurrentWidget(main_->fStaraTemeljnica);
    main_->fTemeljnica->setFocus();
    QTest::keyClick(main_->fTemeljnica, Qt::Key_Down, Qt::AltModifier);
    QVERIFY(main_->fTemeljnica->ListVisible());
    QCOMPARE(Walk(main_->tbTemeStev, "KLJUC"), after);
    // Picked, the new journal is the text the next run attaches to: the first Down goes
    // to the first row, each further one a row on.
    const auto index = std::find(after.begin(), after.end(), created) - after.begin();
    for (int i = 0; i <= static_cast<int>(index); ++i)
      QTest::keyClick(main_->fTemeljnica, Qt::Key_Down);
    QTest::keyClick(main_->fTemeljnica, Qt::Key_Return);
    QCOMPARE(main_->TemeljnicaText(), created);
  }

  void AnUnreachableLedgerIsRecordedAndTheListStaysClosed() {
    Start();
    module_->Database.SetDataSource("NoSuchLedger");
    auto seen = CloseMessageBoxes(1);
    QTest::mouseClick(main_->fPoslDog, Qt::LeftButton, {}, QPoint(5, 10));
    QCOMPARE(seen->count, 1);
    QCOMPARE(seen->text, QStringLiteral("Lookup table is not active!"));
    QVERIFY(!main_->fPoslDog->ListVisible());
    QCOMPARE(main_->PoslDogText(), std::string());
    std::vector<ErrorRecord> records;
    for (const ErrorRecord& r : ErrorRecords())
      if (Field(r, "Operation") == "wwOpenTable-tbLookPoslDog") records.push_back(r);
    QCOMPARE(records.size(), size_t(1));
    QCOMPARE(Field(records[0], "BuildNo"), std::string("0"));
    QCOMPARE(Field(records[0], "FormName"), std::string("Main"));
    QCOMPARE(Field(records[0], "ControlName"), std::string("fPoslDog"));
    const std::string details = Field(records[0], "SenderProp");
    QVERIFY(details.find("DatabaseName --> Database") != std::string::npos);
    QVERIFY(details.find("hDbc --> Database") != std::string::npos);
  }
};

QTEST_MAIN(LookupListsTest)
#include "lookup_lists_test.moc"
