// The date field: the mask's editing rules, and the field on the main window: typing
// over in place, separators skipped, "_" while editing and blanks when read, the mask
// error when leaving it incomplete, and Escape.
#include "app/date_edit.h"

#include <QApplication>
#include <QClipboard>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include "app/app_title.h"
#include "app/date_mask.h"
#include "app/main_window.h"
#include "controls/lookup_combo.h"
#include "platform/convert.h"
#include "support/gui_support.h"

using namespace prenos;
using prenos::testing::CloseMessageBoxes;

namespace {

const QString kMaskError =
    QString::fromUtf8("Invalid input value.  Use escape key to abandon changes.");

}  // namespace

class DateEditTest : public testing::PrefixedTest {
  Q_OBJECT
  std::unique_ptr<TMain> main_;

  TDateEdit* Datum() { return main_->fDatum; }

  // The field focused as by Tab from the business-event selector (its text selected).
  bool EnterDatum() {
    main_->fPoslDog->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(main_->fPoslDog, Qt::Key_Tab);
    return Datum()->hasFocus();
  }

  // After an error box the window is active again with the focus in the date field.
  bool FocusStaysInDatum() {
    QCoreApplication::processEvents();
    main_->activateWindow();
    return QTest::qWaitForWindowActive(main_.get()) && QApplication::focusWidget() == Datum();
  }

 private slots:
  void initTestCase() { SetApplicationTitle(kApplicationTitle); }
  void init() {
    PrefixedTest::init();
    main_ = std::make_unique<TMain>();
    main_->show();
    main_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(main_.get()));
  }
  void cleanup() {
    main_.reset();
    PrefixedTest::cleanup();
  }

  void MaskRules() {
    TDateMask m('.');
    QCOMPARE(m.Text(), std::string("  .  .  "));
    QCOMPARE(m.EditText(), std::string("__.__.__"));
    QVERIFY(!m.Complete());
    QCOMPARE(m.FirstMissing(), 6);

    // Digits go in order, skipping the separators; the caret ends after the last.
    int caret = 0;
    for (char c : std::string("311226")) caret = m.Type(caret, c);
    QCOMPARE(caret, 8);
    QCOMPARE(m.Text(), std::string("31.12.26"));
    QVERIFY(m.Complete());
    QCOMPARE(m.Type(8, '1'), -1);  // no room left
    // Overwrite at a separator goes to the next digit position.
    QCOMPARE(m.Type(2, '0'), 4);
    QCOMPARE(m.Text(), std::string("31.02.26"));
    // Only digits and the separator are taken.
    for (char c : std::string("a -/,x\xE8")) QCOMPARE(m.Type(0, c), -1);
    QCOMPARE(m.Text(), std::string("31.02.26"));

    // The separator moves past the next one; right after one it stays.
    m.Clear(0, 8);
    QCOMPARE(m.Text(), std::string("  .  .  "));
    caret = m.Type(0, '1');
    QCOMPARE(caret, 1);
    caret = m.Type(caret, '.');
    QCOMPARE(caret, 3);
    caret = m.Type(caret, '.');
    QCOMPARE(caret, 3);
    caret = m.Type(caret, '2');
    caret = m.Type(caret, '.');
    QCOMPARE(caret, 6);
    QCOMPARE(m.Type(6, '.'), 6);
    QCOMPARE(m.Type(7, '.'), -1);
    QCOMPARE(m.EditText(), std::string("1_.2_.__"));
    QCOMPARE(m.Text(), std::string("1 .2 .  "));
    QVERIFY(!m.Complete());
    m.Type(6, '2');
    QCOMPARE(m.FirstMissing(), 7);
    m.Type(7, '6');
    QVERIFY(m.Complete());  // day and month digits are optional

    // Clearing leaves the separators; SetText keeps digits only and the mask's separators.
    m.Clear(1, 7);
    QCOMPARE(m.Text(), std::string("1 .  . 6"));
    m.SetText("0a/0b-2x");
    QCOMPARE(m.Text(), std::string("0 .0 .2 "));
    m.SetText("12");
    QCOMPARE(m.Text(), std::string("12.  .  "));
    QCOMPARE(TDateMask::NextEditable(2), 3);
    QCOMPARE(TDateMask::NextEditable(8), 8);
    QCOMPARE(TDateMask::PreviousEditable(3), 1);
    QCOMPARE(TDateMask::PreviousEditable(0), -1);

    // Another separator.
    TDateMask slash('/');
    QCOMPARE(slash.Text(), std::string("  /  /  "));
    QCOMPARE(slash.Type(0, '.'), -1);
    QCOMPARE(slash.Type(0, '/'), 3);
  }

  // The field takes the user's date separator.
  void LocaleSeparator() {
    const FormatSettings saved = CurrentFormatSettings();
    FormatSettings us = saved;
    us.DateSeparator = '/';
    SetFormatSettings(us);
    TDateEdit field;
    SetFormatSettings(saved);
    QCOMPARE(field.Text(), std::string("  /  /  "));
    QCOMPARE(field.text(), QString("  /  /  "));
    QCOMPARE(field.maxLength(), 8);
  }

  void TypingOverInPlace() {
    QCOMPARE(Datum()->text(), QString("  .  .  "));
    QVERIFY(EnterDatum());
    QCOMPARE(Datum()->text(), QString("__.__.__"));
    QCOMPARE(Datum()->Text(), std::string("  .  .  "));
    QVERIFY(!Datum()->Modified());

    QTest::keyClicks(Datum(), "3112x26");
    QCOMPARE(Datum()->text(), QString("31.12.26"));
    QCOMPARE(Datum()->cursorPosition(), 8);
    QVERIFY(Datum()->Modified());
    QTest::keyClick(Datum(), '9');  // the field is full
    QCOMPARE(Datum()->text(), QString("31.12.26"));

    // Overwrite, not insert: Home and a digit replace the first one.
    QTest::keyClick(Datum(), Qt::Key_Home);
    QTest::keyClick(Datum(), '0');
    QCOMPARE(Datum()->text(), QString("01.12.26"));
    QCOMPARE(Datum()->cursorPosition(), 1);
    QTest::keyClick(Datum(), '5');
    QCOMPARE(Datum()->cursorPosition(), 3);  // past the separator
    QTest::keyClick(Datum(), '0');
    QCOMPARE(Datum()->text(), QString("05.02.26"));

    // Backspace and Delete unfill positions and leave the separators.
    QTest::keyClick(Datum(), Qt::Key_End);
    QTest::keyClick(Datum(), Qt::Key_Backspace);
    QCOMPARE(Datum()->text(), QString("05.02.2_"));
    QCOMPARE(Datum()->Text(), std::string("05.02.2 "));
    QTest::keyClick(Datum(), Qt::Key_Home);
    QTest::keyClick(Datum(), Qt::Key_Delete);
    QCOMPARE(Datum()->text(), QString("_5.02.2_"));
    QCOMPARE(Datum()->cursorPosition(), 0);
    // Typing over a selection clears it first.
    Datum()->setSelection(0, 5);
    QTest::keyClicks(Datum(), "7");
    QCOMPARE(Datum()->text(), QString("7_.__.2_"));
    // The separator key jumps to the next group.
    QTest::keyClicks(Datum(), ".3.26");
    QCOMPARE(Datum()->text(), QString("7_.3_.26"));
    QCOMPARE(Datum()->Text(), std::string("7 .3 .26"));

    // A paste goes through the mask as typing does; Cut unfills the selection.
    QGuiApplication::clipboard()->setText("1a2/0-3");
    QTest::keyClick(Datum(), Qt::Key_Home);
    QTest::keyClick(Datum(), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(Datum()->text(), QString("12.03.26"));
    Datum()->setSelection(3, 2);
    QTest::keyClick(Datum(), Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(Datum()->text(), QString("12.__.26"));
    QCOMPARE(QGuiApplication::clipboard()->text(), QString("03"));

    // Leaving a complete field is allowed; then it shows blanks again.
    auto seen = CloseMessageBoxes();
    QTest::keyClick(Datum(), Qt::Key_Tab);
    QCoreApplication::processEvents();
    QCOMPARE(QApplication::focusWidget(), main_->fReferent);
    QCOMPARE(seen->count, 0);
    QCOMPARE(Datum()->text(), QString("12.  .26"));
    QCOMPARE(main_->DatumText(), std::string("12.  .26"));
  }

  // Leaving after typing only the day and the month: a beep, the focus stays, and the
  // error box of the application.
  void IncompleteLeaveIsRefused() {
    QVERIFY(EnterDatum());
    QTest::keyClicks(Datum(), "0101");
    QCOMPARE(Datum()->text(), QString("01.01.__"));

    auto seen = CloseMessageBoxes();
    QTest::keyClick(Datum(), Qt::Key_Tab);
    QTRY_COMPARE(seen->count, 1);
    QCOMPARE(seen->title, QString::fromUtf8("Stelvar Prenos knjižb"));
    QCOMPARE(seen->text, kMaskError);
    QCOMPARE(seen->icon, QMessageBox::Critical);
    QVERIFY(FocusStaysInDatum());
    QCOMPARE(Datum()->cursorPosition(), 6);  // at the first missing digit
    QCOMPARE(Datum()->text(), QString("01.01.__"));

    // Backtab likewise.
    seen = CloseMessageBoxes();
    QTest::keyClick(Datum(), Qt::Key_Backtab);
    QTRY_COMPARE(seen->count, 1);
    QVERIFY(FocusStaysInDatum());

    // A click on a button is refused before it reaches the button.
    QSignalSpy clicked(main_->bPrenos, &QPushButton::clicked);
    seen = CloseMessageBoxes();
    QTest::mouseClick(main_->bPrenos, Qt::LeftButton);
    QTRY_COMPARE(seen->count, 1);
    QCOMPARE(seen->text, kMaskError);
    QCOMPARE(clicked.count(), 0);
    QVERIFY(FocusStaysInDatum());
    QCOMPARE(main_->fKreiranjeTemeljnice->currentIndex(), 0);

    // The accelerator of the business-event label moves the focus; it comes back.
    seen = CloseMessageBoxes();
    QTest::keyClick(main_.get(), Qt::Key_P, Qt::AltModifier);
    QTRY_COMPARE(seen->count, 1);
    QCOMPARE(seen->text, kMaskError);
    QVERIFY(FocusStaysInDatum());

    // Ctrl+Tab would switch the page away from the field: refused too.
    seen = CloseMessageBoxes();
    QTest::keyClick(Datum(), Qt::Key_Tab, Qt::ControlModifier);
    QTRY_COMPARE(seen->count, 1);
    QCOMPARE(main_->fKreiranjeTemeljnice->currentIndex(), 0);
    QVERIFY(FocusStaysInDatum());

    // So is a click on the other tab.
    seen = CloseMessageBoxes();
    QTabBar* tabs = main_->fKreiranjeTemeljnice->tabBar();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
    QTRY_COMPARE(seen->count, 1);
    QCOMPARE(main_->fKreiranjeTemeljnice->currentIndex(), 0);
    QVERIFY(FocusStaysInDatum());

    // Completing the year lets the user go.
    seen = CloseMessageBoxes();
    QTest::keyClick(Datum(), Qt::Key_End);
    QTest::keyClick(Datum(), Qt::Key_Backspace);
    QTest::keyClick(Datum(), Qt::Key_Backspace);
    QTest::keyClicks(Datum(), "26");
    QTest::keyClick(Datum(), Qt::Key_Tab);
    QCoreApplication::processEvents();
    QCOMPARE(QApplication::focusWidget(), main_->fReferent);
    QCOMPARE(seen->count, 0);
    QCOMPARE(main_->DatumText(), std::string("01.01.26"));
  }

  // A field that was never changed is not checked when it is left, however blank it is.
  void UntouchedLeaveIsAllowed() {
    QVERIFY(EnterDatum());
    auto seen = CloseMessageBoxes();
    QTest::keyClick(Datum(), Qt::Key_Left);
    QTest::keyClick(Datum(), Qt::Key_Right);
    QTest::keyClick(Datum(), 'q');  // not a digit: no change
    QTest::keyClick(Datum(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), main_->fReferent);
    QCoreApplication::processEvents();
    QCOMPARE(seen->count, 0);
    QCOMPARE(main_->DatumText(), std::string("  .  .  "));
  }

  // Escape abandons the change: the text from before editing comes back.
  void EscapeRestores() {
    Datum()->SetText("15.06.26");
    QVERIFY(EnterDatum());
    QTest::keyClick(Datum(), Qt::Key_Home);
    QTest::keyClicks(Datum(), "01");
    QTest::keyClick(Datum(), Qt::Key_End);
    QTest::keyClick(Datum(), Qt::Key_Backspace);
    QCOMPARE(Datum()->text(), QString("01.06.2_"));
    QTest::keyClick(Datum(), Qt::Key_Escape);
    QCOMPARE(Datum()->text(), QString("15.06.26"));
    QVERIFY(!Datum()->Modified());
    QCOMPARE(Datum()->selectedText(), QString("15.06.26"));

    // After a refused leave Escape still goes back to the text from before editing.
    QTest::keyClick(Datum(), Qt::Key_End);
    QTest::keyClick(Datum(), Qt::Key_Backspace);
    auto seen = CloseMessageBoxes();
    QTest::keyClick(Datum(), Qt::Key_Tab);
    QTRY_COMPARE(seen->count, 1);
    QVERIFY(FocusStaysInDatum());
    QTest::keyClick(Datum(), Qt::Key_Escape);
    QCOMPARE(Datum()->Text(), std::string("15.06.26"));
    seen = CloseMessageBoxes();
    QTest::keyClick(Datum(), Qt::Key_Tab);
    QCoreApplication::processEvents();
    QCOMPARE(QApplication::focusWidget(), main_->fReferent);
    QCOMPARE(seen->count, 0);
  }
};

QTEST_MAIN(DateEditTest)
#include "date_edit_test.moc"
