// The lookup selector over query data sets on a real ledger, as real widgets offscreen:
// typing searches by rewriting the SELECT, the keys with AutoDropDown on and off, the
// pointer, the clipboard, the drop-down grid's size, place and scroll bar, the delayed
// search, and the failures (unreachable ledger, failed rewrite, missing field).
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "controls/combo_button.h"
#include "controls/lookup_combo.h"
#include "controls/lookup_search.h"
#include "ledger/ledger_fixture.h"
#include "odbc/dataset/oequery.h"
#include "platform/exceptions.h"
#include "support/error_records.h"
#include "support/gui_support.h"

using namespace prenos;
using prenos::testing::CloseMessageBoxes;
using prenos::testing::ErrorRecord;
using prenos::testing::ErrorRecords;
using prenos::testing::Field;
using prenos::testing::RecordsOf;
using prenos::testing::TestLedger;

namespace {

const std::vector<std::string> kPoslDogLines = {"SELECT * FROM PoslDog ", "WHERE Vrsta = 'K' ",
                                                "ORDER BY POSLDOG "};

// The one SQL line a search of text leaves, and the statement text it executes (the
// lines each end in CR LF).
std::string Rewritten(const std::string& text) {
  return "SELECT * FROM POSLDOG WHERE VRSTA = 'K' AND POSLDOG >= '" + text + "' ORDER BY POSLDOG";
}
std::string Executed(const std::string& text) { return Rewritten(text) + "\r\n"; }

}  // namespace

class LookupListTest : public QObject {
  Q_OBJECT

  std::unique_ptr<TestLedger> ledger_;
  std::unique_ptr<THdbc> db_;
  std::unique_ptr<TwwOEDataSet> posl_, teme_;
  std::unique_ptr<QWidget> window_;
  QLineEdit* other_ = nullptr;
  TwwDBLookupCombo* poslDog_ = nullptr;
  TwwDBLookupCombo* temeljnica_ = nullptr;
  std::vector<std::string> executed_, executedTeme_, failures_;

  static void AsLookupList(TwwOEDataSet& ds, THdbc& db, std::vector<std::string> lines) {
    ds.SethDbc(&db);
    ds.hStmt().SetConcurrencyType(SQL_CONCUR_VALUES);
    ds.SetRequestLive(true);
    ds.SetEditable(true);
    ds.SetSQL(std::move(lines));
  }

  void Selector(TwwDBLookupCombo* c, TwwOEDataSet* table, const char* field,
                std::vector<std::string> columns, bool autoDropDown, bool useTFields) {
    c->SetLookupTable(table);
    c->SetLookupField(field);
    c->SetSelected(columns);
    c->SetOptions(loColLines | loRowLines | loTitles);
    c->SetStyle(csDropDownList);
    c->SetAutoDropDown(autoDropDown);
    c->SetSeqSearchOptions(ssoEnabled | ssoCaseSensitive);
    c->SetUseTFields(useTFields);
    c->OnException = [this] {
      try {
        throw;
      } catch (const std::exception& e) {
        failures_.push_back(e.what());
      }
    };
  }

  // The business events of kind K from `where` on, in the ledger's order.
  std::vector<std::string> KCodes(const std::string& where = "") const {
    std::vector<std::string> out;
    for (const auto& row :
         ledger_->Query("SELECT PoslDog FROM PoslDog WHERE Vrsta = 'K'" +
                        (where.empty() ? "" : " AND PoslDog " + where) + " ORDER BY PoslDog"))
      out.push_back(row.at(0));
    return out;
  }

  static std::vector<std::string> FirstOf(const std::vector<std::string>& v, size_t n) {
    return {v.begin(), v.begin() + static_cast<std::ptrdiff_t>(std::min(n, v.size()))};
  }

  // The texts of a field in the list's visible rows.
  static std::vector<std::string> Listed(TwwDBLookupCombo* c, const std::string& field) {
    std::vector<std::string> out;
    for (int row = 0; row < c->List()->VisibleRecords(); ++row)
      out.push_back(c->List()->FieldText(row, field));
    return out;
  }

  // Types text into a selector and lets a pending search run.
  static void Type(TwwDBLookupCombo* c, const char* text) {
    QTest::keyClicks(c, text);
    QTRY_VERIFY(!c->SearchTimer().isActive());
  }

  void Pick(TwwDBLookupCombo* c, const std::string& code) {
    c->setFocus();
    c->selectAll();
    Type(c, code.c_str());
    QTest::keyClick(c, Qt::Key_Return);
    QCOMPARE(c->Text(), code);
  }

 private slots:
  void init() {
    ledger_ = std::make_unique<TestLedger>();
    ledger_->LoadSample();
    db_ = std::make_unique<THdbc>(nullptr, "Database");
    db_->SetDataSource("MSStelvar");
    db_->SetUserName(ledger_->UserName());
    db_->SetPassword(ledger_->Password());
    posl_ = std::make_unique<TwwOEDataSet>(nullptr, "tbLookPoslDog");
    teme_ = std::make_unique<TwwOEDataSet>(nullptr, "tbTemeStev");
    AsLookupList(*posl_, *db_, kPoslDogLines);
    AsLookupList(*teme_, *db_, {"SELECT * FROM Teme ", "ORDER BY KLJUC "});
    posl_->Hstmt().BeforeExecute = [this](TComponent*) {
      executed_.push_back(posl_->Hstmt().SQL());
    };
    teme_->Hstmt().BeforeExecute = [this](TComponent*) {
      executedTeme_.push_back(teme_->Hstmt().SQL());
    };

    window_ = std::make_unique<QWidget>();
    window_->setGeometry(100, 100, 400, 200);
    other_ = new QLineEdit(window_.get());
    other_->setGeometry(10, 10, 89, 21);
    poslDog_ = new TwwDBLookupCombo(window_.get());
    poslDog_->setGeometry(104, 40, 89, 21);
    temeljnica_ = new TwwDBLookupCombo(window_.get());
    temeljnica_->setGeometry(104, 80, 89, 21);
    Selector(poslDog_, posl_.get(), "PoslDog",
             {"POSLDOG\t7\tPos.dog.", "NAZIV\t31\tNaziv", "TIP\t3\tTip"}, true, false);
    Selector(temeljnica_, teme_.get(), "KLJUC",
             {"KLJUC\t10\tStevilka", "DATUM\t9\tDatum", "REFERENT\t4\tRef."}, false, true);
    window_->show();
    window_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
  }

  void cleanup() {
    const std::vector<std::string> failures = failures_;
    window_.reset();
    posl_.reset();
    teme_.reset();
    db_.reset();
    ledger_.reset();
    executed_.clear();
    executedTeme_.clear();
    failures_.clear();
    QCOMPARE(failures, std::vector<std::string>());
  }

  // --- typing ---------------------------------------------------------------------

  void TypingOneOpensAtTheFirstCodeNotBelowItAndEnterTakesIt() {
    const std::vector<std::string> codes = KCodes(">= '1'");
    QVERIFY(!codes.empty() && codes[0][0] == '1');
    poslDog_->setFocus();
    QTest::keyClick(poslDog_, '1');
    QVERIFY(poslDog_->ListVisible());
    QCOMPARE(poslDog_->Text(), std::string("1"));
    // Opened with the stored SELECT, then searched with the rewritten one.
    QCOMPARE(executed_.size(), size_t(2));
    QCOMPARE(executed_.back(), Executed("1"));
    QCOMPARE(Listed(poslDog_, "POSLDOG"), FirstOf(codes, 8));
    QCOMPARE(poslDog_->List()->HighlightedRow(), 0);
    QCOMPARE(poslDog_->LookupValue(), codes[0]);
    QVERIFY(poslDog_->hasFocus());

    QTest::keyClick(poslDog_, Qt::Key_Return);
    QVERIFY(!poslDog_->ListVisible());
    QCOMPARE(poslDog_->Text(), codes[0]);
    QVERIFY(poslDog_->isModified());
  }

  void ATextPastEveryCodeListsNothingAndRestoresThePreviousText() {
    const std::string previous = KCodes().at(1);
    Pick(poslDog_, previous);
    QVERIFY(KCodes(">= 'ZZZ'").empty());
    Type(poslDog_, "ZZZ");
    QVERIFY(poslDog_->ListVisible());
    QCOMPARE(poslDog_->Text(), std::string("ZZZ"));
    QCOMPARE(executed_.back(), Executed("ZZZ"));
    QCOMPARE(poslDog_->List()->VisibleRecords(), 0);
    QCOMPARE(poslDog_->LookupValue(), std::string());
    QTest::keyClick(poslDog_, Qt::Key_Return);
    QVERIFY(!poslDog_->ListVisible());
    QCOMPARE(poslDog_->Text(), previous);
    QCOMPARE(poslDog_->LookupValue(), previous);
  }

  void LaterKeysSearchAfterTheDelayWithOneQuery() {
    poslDog_->setFocus();
    QTest::keyClick(poslDog_, Qt::Key_Down, Qt::AltModifier);
    QVERIFY(poslDog_->ListVisible());
    const size_t opened = executed_.size();
    QCOMPARE(opened, size_t(1));
    QCOMPARE(poslDog_->SearchTimer().interval(), 333);

    QTest::keyClick(poslDog_, '1');
    QCOMPARE(executed_.size(), opened);
    QVERIFY(poslDog_->SearchTimer().isActive());
    QTest::keyClick(poslDog_, '2');
    QCOMPARE(executed_.size(), opened);
    QTRY_COMPARE(executed_.size(), opened + 1);
    QCOMPARE(executed_.back(), Executed("12"));
    QVERIFY(!poslDog_->SearchTimer().isActive());
    QCOMPARE(Listed(poslDog_, "POSLDOG"), FirstOf(KCodes(">= '12'"), 8));

    // Backspace and Delete edit without searching.
    QTest::keyClick(poslDog_, Qt::Key_Backspace);
    QCOMPARE(poslDog_->Text(), std::string("1"));
    QTest::keyClick(poslDog_, Qt::Key_Home);
    QTest::keyClick(poslDog_, Qt::Key_Delete);
    QCOMPARE(poslDog_->Text(), std::string());
    QVERIFY(!poslDog_->SearchTimer().isActive());
    QCOMPARE(executed_.size(), opened + 1);
  }

  void ATypedApostropheReachesTheServerDoubled() {
    poslDog_->setFocus();
    QTest::keyClick(poslDog_, '\'');
    QVERIFY(poslDog_->ListVisible());
    QCOMPARE(poslDog_->text(), QStringLiteral("'"));
    QCOMPARE(executed_.back(), Executed("''"));
    QCOMPARE(Listed(poslDog_, "POSLDOG"), FirstOf(KCodes(">= ''''"), 8));
  }

  void TheRewrittenSearchSurvivesAConnectionReset() {
    const std::string code = KCodes().at(1);
    Pick(poslDog_, code);
    QCOMPARE(posl_->SQL(), std::vector<std::string>{Rewritten(code)});
    // What a run does to the connection.
    db_->Disconnect();
    QVERIFY(!posl_->Active());
    db_->Connect();
    executed_.clear();

    QTest::keyClick(poslDog_, Qt::Key_Down, Qt::AltModifier);
    QVERIFY(poslDog_->ListVisible());
    QCOMPARE(executed_, std::vector<std::string>{Executed(code)});
    QCOMPARE(Listed(poslDog_, "POSLDOG"), FirstOf(KCodes(">= '" + code + "'"), 8));
    QCOMPARE(poslDog_->List()->HighlightedRow(), 0);
  }

  void TypedKeywordsStayInsideTheirLiteral() {
    poslDog_->setFocus();
    Type(poslDog_, "ORDER BY");
    QCOMPARE(executed_.back(), Executed("ORDER BY"));
    // The literal now holds the keywords; the next rewrite must not take them for the clause.
    Type(poslDog_, "1");
    QCOMPARE(posl_->SQL(), std::vector<std::string>{Rewritten("ORDER BY1")});
    QCOMPARE(executed_.back(), Executed("ORDER BY1"));
    QVERIFY(RecordsOf("KveloFindRecord").empty());
  }

  void AFailedRewriteFallsBackToTheJoinedLinesAndIsLogged() {
    // A clause the search does not know: its condition lands after LIMIT, which no ledger
    // takes, while the lines themselves read well.
    posl_->Close();
    posl_->SetSQL({"SELECT * FROM PoslDog ", "WHERE Vrsta = 'K' ", "LIMIT 50 "});
    const std::vector<std::string> before = posl_->SQL();
    poslDog_->setFocus();
    QVERIFY(RecordsOf("KveloFindRecord").empty());
    Type(poslDog_, "Z");
    QCOMPARE(posl_->SQL(), std::vector<std::string>{JoinedSearchSQL(before)});
    QVERIFY(posl_->Active());
    const auto records = RecordsOf("KveloFindRecord");
    QCOMPARE(records.size(), size_t(1));
    QCOMPARE(Field(records[0], "ObjectName"), std::string("tbLookPoslDog"));
    QCOMPARE(Field(records[0], "BuildNo"), std::string("0"));
    QVERIFY(!Field(records[0], "Error").empty());
    QVERIFY(poslDog_->ListVisible());
    QTest::keyClick(poslDog_, Qt::Key_Return);
    QCOMPARE(poslDog_->Text(), std::string());
  }

  // --- keys with AutoDropDown off, and closed selectors ---------------------------------

  void TheJournalSelectorIgnoresTypingUntilAltDown() {
    temeljnica_->setFocus();
    QTest::keyClicks(temeljnica_, "26");
    QTest::keyClick(temeljnica_, Qt::Key_Down);
    QCOMPARE(temeljnica_->Text(), std::string());
    QVERIFY(!temeljnica_->ListVisible());
    QVERIFY(executedTeme_.empty());
    QVERIFY(!teme_->Active());

    QTest::keyClick(temeljnica_, Qt::Key_Down, Qt::AltModifier);
    QVERIFY(temeljnica_->ListVisible());
    std::vector<std::string> keys;
    for (const auto& row : ledger_->Query("SELECT Kljuc FROM Teme ORDER BY Kljuc"))
      keys.push_back(row.at(0));
    QCOMPARE(Listed(temeljnica_, "KLJUC"), FirstOf(keys, 8));
    // Open, the list takes typing.
    QTest::keyClicks(temeljnica_, "26");
    QCOMPARE(temeljnica_->Text(), std::string("26"));
    QTest::keyClick(temeljnica_, Qt::Key_Escape);
    QVERIFY(!temeljnica_->ListVisible());
    QCOMPARE(temeljnica_->Text(), std::string());
  }

  void BackspaceDeleteAndCutLeaveAClosedSelectorAsItWas() {
    const std::string code = KCodes().at(0);
    for (TwwDBLookupCombo* c : {poslDog_, temeljnica_}) {
      c->SetText(code);
      c->setFocus();
      c->selectAll();
      QTest::keyClick(c, Qt::Key_Backspace);
      QTest::keyClick(c, Qt::Key_Delete);
      QTest::keyClick(c, Qt::Key_X, Qt::ControlModifier);
      QCOMPARE(c->Text(), code);
      QVERIFY(!c->ListVisible());
    }
    // The caret moves only where AutoDropDown makes the closed field an edit field.
    poslDog_->setCursorPosition(2);
    QTest::keyClick(poslDog_, Qt::Key_Home);
    QCOMPARE(poslDog_->cursorPosition(), 0);
    temeljnica_->setFocus();
    temeljnica_->setCursorPosition(2);
    QTest::keyClick(temeljnica_, Qt::Key_Home);
    QCOMPARE(temeljnica_->cursorPosition(), 2);
  }

  void EscapeBringsBackTheSavedValue() {
    const std::vector<std::string> codes = KCodes();
    Pick(poslDog_, codes.at(0));
    QTest::keyClick(poslDog_, Qt::Key_Down, Qt::AltModifier);
    QTest::keyClick(poslDog_, Qt::Key_Down);
    QCOMPARE(poslDog_->Text(), codes.at(1));
    QTest::keyClick(poslDog_, Qt::Key_Escape);
    QVERIFY(!poslDog_->ListVisible());
    QCOMPARE(poslDog_->Text(), codes.at(0));
    QCOMPARE(poslDog_->LookupValue(), codes.at(0));
    // Closed: the saved value again, selected.
    poslDog_->setText(QStringLiteral("x"));
    QTest::keyClick(poslDog_, Qt::Key_Escape);
    QCOMPARE(poslDog_->Text(), codes.at(0));
    QCOMPARE(poslDog_->selectedText(), poslDog_->text());
  }

  // --- the empty selector ------------------------------------------------------------

  void AnEmptySelectorOpensWithoutAQueryAndDownPicksTheFirstRow() {
    const std::vector<std::string> codes = KCodes();
    poslDog_->setFocus();
    QTest::keyClick(poslDog_, Qt::Key_Down, Qt::AltModifier);
    QVERIFY(poslDog_->ListVisible());
    QCOMPARE(executed_, std::vector<std::string>{posl_->SQLText()});
    QCOMPARE(poslDog_->List()->HighlightedRow(), -1);
    QTest::keyClick(poslDog_, Qt::Key_Down);
    QCOMPARE(poslDog_->Text(), codes.at(0));
    QCOMPARE(poslDog_->List()->HighlightedRow(), 0);
    // Each key picks the row it reaches.
    QTest::keyClick(poslDog_, Qt::Key_Down);
    QCOMPARE(poslDog_->Text(), codes.at(1));
    QCOMPARE(poslDog_->List()->HighlightedRow(), 1);
    QTest::keyClick(poslDog_, Qt::Key_Up);
    QCOMPARE(poslDog_->Text(), codes.at(0));
    QCOMPARE(executed_.size(), size_t(1));
    QTest::keyClick(poslDog_, Qt::Key_Return);
    QCOMPARE(poslDog_->Text(), codes.at(0));
  }

  void ClosingAnEmptySelectorWithoutAPickKeepsItEmpty() {
    poslDog_->setFocus();
    QTest::keyClick(poslDog_, Qt::Key_Down, Qt::AltModifier);
    QTest::keyClick(poslDog_, Qt::Key_Return);
    QVERIFY(!poslDog_->ListVisible());
    QCOMPARE(poslDog_->Text(), std::string());
    QTest::keyClick(poslDog_, Qt::Key_Down, Qt::AltModifier);
    QVERIFY(poslDog_->ListVisible());
    QTest::mouseClick(other_, Qt::LeftButton);
    QVERIFY(!poslDog_->ListVisible());
    QCOMPARE(poslDog_->Text(), std::string());
  }

  // --- pointer -----------------------------------------------------------------------

  void APressOutsideKeepsTheHighlightedRow() {
    const std::vector<std::string> codes = KCodes(">= '1'");
    poslDog_->setFocus();
    QTest::keyClick(poslDog_, '1');
    QCOMPARE(poslDog_->List()->HighlightedRow(), 0);
    QCOMPARE(poslDog_->Text(), std::string("1"));
    QTest::mouseClick(other_, Qt::LeftButton);
    QVERIFY(!poslDog_->ListVisible());
    QCOMPARE(poslDog_->Text(), codes.at(0));
    QVERIFY(other_->hasFocus());
  }

  void AClickOpensAndAClickInTheListPicksARow() {
    const std::vector<std::string> codes = KCodes();
    int closeUps = 0;
    bool accepted = false;
    poslDog_->OnCloseUp = [&](TwwDBCustomLookupCombo&, db::TDataSet* table, db::TDataSet* fill,
                              bool modified) {
      ++closeUps;
      accepted = modified && table == posl_.get() && !fill;
    };
    QTest::mouseClick(poslDog_, Qt::LeftButton, {}, QPoint(5, poslDog_->height() / 2));
    QVERIFY(poslDog_->hasFocus());
    QVERIFY(poslDog_->ListVisible());
    TwwPopupGrid* list = poslDog_->List();
    QTest::mouseClick(list, Qt::LeftButton, {}, list->RowRect(2).center());
    QVERIFY(!poslDog_->ListVisible());
    QCOMPARE(poslDog_->Text(), codes.at(2));
    QCOMPARE(closeUps, 1);
    QVERIFY(accepted);
    QVERIFY(poslDog_->hasFocus());

    // The button opens, and closes accepting what was found.
    QTest::mouseClick(poslDog_->Button(), Qt::LeftButton);
    QVERIFY(poslDog_->ListVisible());
    QCOMPARE(Listed(poslDog_, "POSLDOG").at(static_cast<size_t>(list->HighlightedRow())),
             codes.at(2));
    QTest::mouseClick(poslDog_->Button(), Qt::LeftButton);
    QVERIFY(!poslDog_->ListVisible());
    QCOMPARE(poslDog_->Text(), codes.at(2));
  }

  void DraggingFromTheButtonIntoTheListPicksTheRowReleased() {
    const std::vector<std::string> codes = KCodes();
    other_->setFocus();
    TwwComboButton* button = poslDog_->Button();
    QTest::mousePress(button, Qt::LeftButton, {}, button->rect().center());
    QVERIFY(poslDog_->hasFocus());
    QVERIFY(poslDog_->ListVisible());
    TwwPopupGrid* list = poslDog_->List();
    const QPoint overRow3 = button->mapFromGlobal(list->mapToGlobal(list->RowRect(3).center()));
    QTest::mouseMove(button, overRow3);
    QCOMPARE(list->HighlightedRow(), 3);
    QCOMPARE(poslDog_->Text(), std::string());
    QTest::mouseRelease(button, Qt::LeftButton, {}, overRow3);
    QVERIFY(!poslDog_->ListVisible());
    QCOMPARE(poslDog_->Text(), codes.at(3));
  }

  // --- clipboard -----------------------------------------------------------------------

  void PastingGoesInOnlyWithTheListOpenAndSearchesAtOnce() {
    const std::vector<std::string> codes = KCodes();
    QApplication::clipboard()->setText(QString::fromStdString(codes.at(2)));
    poslDog_->setFocus();
    QTest::keyClick(poslDog_, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(poslDog_->Text(), std::string());
    QVERIFY(!poslDog_->ListVisible());
    QVERIFY(executed_.empty());

    QTest::keyClick(poslDog_, Qt::Key_Down, Qt::AltModifier);
    QTest::keyClick(poslDog_, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(poslDog_->Text(), codes.at(2));
    QVERIFY(!poslDog_->SearchTimer().isActive());
    QCOMPARE(executed_.back(), Executed(codes.at(2)));
    QCOMPARE(poslDog_->List()->HighlightedRow(), 0);
  }

  // --- the drop-down grid ------------------------------------------------------------

  void TheListHasItsColumnsSizeAndPlace() {
    poslDog_->setFocus();
    QTest::keyClick(poslDog_, Qt::Key_Down, Qt::AltModifier);
    TwwPopupGrid* list = poslDog_->List();
    QVERIFY(list->isVisible());
    QVERIFY(list->isWindow());
    QVERIFY(list->windowFlags().testFlag(Qt::FramelessWindowHint));

    // Columns: characters of "0" plus 4 pixels, or the title's width plus 4.
    const int zero = list->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    const std::vector<std::pair<const char*, int>> expected = {
        {"Pos.dog.", 7}, {"Naziv", 31}, {"Tip", 3}};
    QCOMPARE(list->Columns().size(), expected.size());
    int natural = 0;
    for (size_t i = 0; i < expected.size(); ++i) {
      const TwwGridColumn& c = list->Columns()[i];
      QCOMPARE(c.Title, std::string(expected[i].first));
      const int title =
          list->fontMetrics().horizontalAdvance(QString::fromLatin1(expected[i].first));
      QCOMPARE(c.Width, std::max(expected[i].second * zero + 4, title + 4));
      natural += std::max(expected[i].second * zero + 1, title);
    }
    QCOMPARE(QString::fromStdString(list->Columns()[0].FieldName).toUpper(),
             QStringLiteral("POSLDOG"));

    // Eight rows and the title row, lines between rows, a one-pixel border.
    const int pitch = list->DefaultRowHeight() + 1;
    QCOMPARE(list->height(), (8 + 1) * pitch + 2 + 3);
    const int extent = list->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list);
    QCOMPARE(list->width(), extent + 1 + natural + 3 + TwwComboButton::ButtonWidth(poslDog_));
    QVERIFY(list->VerticalScrollBar()->isVisible());
    QVERIFY(!list->HorizontalScrollBar()->isVisible());
    // The last column takes what the others leave of the client width.
    const int drawn = list->DrawnWidth(0) + 1 + list->DrawnWidth(1) + 1 + list->DrawnWidth(2) + 1;
    QCOMPARE(drawn, list->CellsRect().width() + 1);
    QVERIFY(list->DrawnWidth(2) >= list->Columns()[2].Width);

    // Below the control, its left edges lined up.
    QCOMPARE(list->geometry().topLeft(), poslDog_->mapToGlobal(QPoint(0, poslDog_->height())));
    QTest::keyClick(poslDog_, Qt::Key_Escape);

    // Right-justified: the right edges line up.
    poslDog_->SetDropDownAlignment(taRightJustify);
    QTest::keyClick(poslDog_, Qt::Key_Down, Qt::AltModifier);
    QCOMPARE(list->geometry().right(), poslDog_->mapToGlobal(QPoint(poslDog_->width() - 1, 0)).x());
    QTest::keyClick(poslDog_, Qt::Key_Escape);

    // Without room below the control the list goes above it.
    const QRect screen = poslDog_->screen()->geometry();
    window_->move(window_->x(), screen.bottom() - 100);
    QTRY_VERIFY(poslDog_->mapToGlobal(QPoint(0, 0)).y() > screen.bottom() - 100);
    QTest::keyClick(poslDog_, Qt::Key_Down, Qt::AltModifier);
    QCOMPARE(list->geometry().bottom() + 1, poslDog_->mapToGlobal(QPoint(0, 0)).y());
  }

  void TheListDrawsTitlesAndTheWholeHighlightedRow() {
    Pick(poslDog_, KCodes().at(1));
    QTest::keyClick(poslDog_, Qt::Key_Down, Qt::AltModifier);
    TwwPopupGrid* list = poslDog_->List();
    QCOMPARE(list->HighlightedRow(), 0);
    const QImage image = list->grab().toImage();
    const auto colour = [&](QPalette::ColorRole role) { return list->palette().color(role).rgb(); };
    const QRect cells = list->CellsRect();
    // Right end of the last column, away from any text: the highlight fills the row.
    const QRect row0 = list->RowRect(0);
    QCOMPARE(image.pixelColor(cells.right() - 2, row0.center().y()).rgb(),
             colour(QPalette::Highlight));
    const QRect row1 = list->RowRect(1);
    QCOMPARE(image.pixelColor(cells.right() - 2, row1.center().y()).rgb(), colour(QPalette::Base));
    QCOMPARE(image.pixelColor(cells.right() - 2, cells.top() + 2).rgb(), colour(QPalette::Button));
    // A row line under each row, a column line after the first column.
    QCOMPARE(image.pixelColor(cells.right() - 2, row1.bottom() + 1).rgb(), colour(QPalette::Mid));
    QCOMPARE(image.pixelColor(cells.left() + list->DrawnWidth(0), row1.center().y()).rgb(),
             colour(QPalette::Mid));
  }

  void TheScrollBarHasThreePositionsAndItsArrowsMovePastTheVisibleRows() {
    std::string values;
    for (int i = 30; i < 60; ++i)
      values += std::string(values.empty() ? "" : ", ") + "('" + std::to_string(i) +
                "', 'Dogodek', 'TG', 'K')";
    ledger_->Exec("INSERT INTO PoslDog (PoslDog, Naziv, Tip, Vrsta) VALUES " + values + ";");
    const std::vector<std::string> codes = KCodes();
    QVERIFY(codes.size() > 20);

    poslDog_->setFocus();
    QTest::keyClick(poslDog_, Qt::Key_Down, Qt::AltModifier);
    TwwPopupGrid* list = poslDog_->List();
    QScrollBar* bar = list->VerticalScrollBar();
    QCOMPARE(bar->minimum(), 0);
    QCOMPARE(bar->maximum(), 2);
    QCOMPARE(bar->value(), 0);
    QVERIFY(list->focusPolicy() == Qt::NoFocus && bar->focusPolicy() == Qt::NoFocus);

    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QCOMPARE(posl_->FieldByName("POSLDOG").AsString(), codes.at(8));
    QCOMPARE(Listed(poslDog_, "POSLDOG"),
             std::vector<std::string>(codes.begin() + 1, codes.begin() + 9));
    QCOMPARE(bar->value(), 1);
    // Scrolling picks nothing.
    QCOMPARE(poslDog_->Text(), std::string());
    bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    QCOMPARE(posl_->FieldByName("POSLDOG").AsString(), codes.at(0));

    for (int i = 0; i < 10 && bar->value() != 2; ++i)
      bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    QCOMPARE(bar->value(), 2);
    QVERIFY(posl_->Eof());
    QCOMPARE(posl_->FieldByName("POSLDOG").AsString(), codes.back());
    QVERIFY(poslDog_->hasFocus());
  }

  // --- appearance ----------------------------------------------------------------------

  void TheClosedListSelectorDrawsItsValueHighlighted() {
    QCOMPARE(poslDog_->minimumHeight(), poslDog_->fontMetrics().height() + 2 + 1 + 2);
    const QPoint inside(temeljnica_->width() - TwwComboButton::ButtonWidth(temeljnica_) - 6,
                        temeljnica_->height() / 2);
    temeljnica_->setFocus();
    QCOMPARE(temeljnica_->grab().toImage().pixelColor(inside).rgb(),
             temeljnica_->palette().color(QPalette::Highlight).rgb());
    // With AutoDropDown the closed selector is an ordinary edit field.
    poslDog_->setFocus();
    QCOMPARE(poslDog_->grab().toImage().pixelColor(inside).rgb(),
             poslDog_->palette().color(QPalette::Base).rgb());
  }

  // --- failures ----------------------------------------------------------------------

  void AnUnreachableLedgerIsLoggedAndTheListDoesNotOpen() {
    db_->SetDataSource("NoSuchLedger");
    auto seen = CloseMessageBoxes(1);
    QTest::mouseClick(poslDog_->Button(), Qt::LeftButton);
    QCOMPARE(seen->count, 1);
    QCOMPARE(seen->text, QStringLiteral("Lookup table is not active!"));
    QCOMPARE(seen->icon, QMessageBox::Warning);
    QVERIFY(!poslDog_->ListVisible());
    const auto records = RecordsOf("wwOpenTable-tbLookPoslDog");
    QCOMPARE(records.size(), size_t(1));
    QCOMPARE(Field(records[0], "SenderName"), std::string("TwwOEDataSet"));
    QCOMPARE(Field(records[0], "ObjectName"), std::string("tbLookPoslDog"));
    QCOMPARE(Field(records[0], "ExceptObject"), std::string("EODBC"));
    QCOMPARE(Field(records[0], "BuildNo"), std::string("0"));
    QVERIFY(!Field(records[0], "Error").empty());
    QVERIFY(Field(records[0], "SenderProp").find("SQL --> SELECT * FROM PoslDog  WHERE Vrsta") !=
            std::string::npos);

    // Typing: the search does nothing, the list stays closed and the text as it was.
    auto again = CloseMessageBoxes(1);
    QTest::keyClick(poslDog_, '1');
    QCOMPARE(again->count, 1);
    QVERIFY(!poslDog_->ListVisible());
    QCOMPARE(poslDog_->Text(), std::string());
    QVERIFY(RecordsOf("wwOpenTable-tbLookPoslDog").size() > 1);
  }

  void AMissingLookupTableOrFieldIsReported() {
    poslDog_->SetLookupField("NOSUCH");
    try {
      poslDog_->OpenList();
      QFAIL("no failure");
    } catch (const EDatabaseError& e) {
      QCOMPARE(std::string(e.what()), std::string("Field 'NOSUCH' not found"));
    }
    QVERIFY(!poslDog_->ListVisible());
    // Through the keys the failure reaches the control's handler.
    poslDog_->setFocus();
    QTest::keyClick(poslDog_, Qt::Key_Down, Qt::AltModifier);
    QCOMPARE(failures_, std::vector<std::string>{"Field 'NOSUCH' not found"});
    failures_.clear();

    poslDog_->SetLookupTable(nullptr);
    auto seen = CloseMessageBoxes(1);
    QTest::keyClick(poslDog_, Qt::Key_Down, Qt::AltModifier);
    QCOMPARE(seen->count, 1);
    QCOMPARE(seen->text, QStringLiteral("No lookup table specified!"));
  }
};

QTEST_MAIN(LookupListTest)
#include "lookup_list_test.moc"
