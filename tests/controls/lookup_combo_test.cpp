// The lookup selector without a lookup table: its settings and their defaults, its text in
// Windows-1250, the drop-down button inside the field, and the warning it gives when there
// is no table to list.
#include "controls/lookup_combo.h"

#include <QLineEdit>
#include <QStyle>
#include <QTest>
#include <QVBoxLayout>

#include "controls/combo_button.h"
#include "support/gui_support.h"

using namespace prenos;

class LookupComboTest : public testing::PrefixedTest {
  Q_OBJECT

 private slots:

  void DefaultsAreTheDocumentedOnes() {
    TwwDBLookupCombo c;
    QVERIFY(!c.LookupTable());
    QCOMPARE(c.LookupField(), std::string());
    QVERIFY(c.Selected().empty());
    QCOMPARE(c.Options(), TwwDBLookupListOptions());
    QCOMPARE(c.Style(), csDropDown);
    QVERIFY(!c.AutoDropDown());
    QVERIFY(c.ShowButton());
    QCOMPARE(c.SeqSearchOptions(), TwwSeqSearchOptions(ssoEnabled));
    QVERIFY(c.UseTFields());
    QVERIFY(!c.AllowClearKey());
    QCOMPARE(c.DropDownAlignment(), taLeftJustify);
    QCOMPARE(c.DropDownCount(), 8);
    QCOMPARE(c.DropDownWidth(), 0);
    QVERIFY(c.AutoSelect());
    QVERIFY(!c.ShowMatchText());
    QVERIFY(c.OrderByDisplay());
    QVERIFY(!c.ReadOnly());
    QCOMPARE(c.Text(), std::string());
    QVERIFY(!c.ListVisible());
    QVERIFY(!c.SearchTimer().isActive());
  }

  void SettingsAreKeptAsGiven() {
    TwwDBLookupCombo c;
    const std::vector<std::string> columns = {
        "USERID\t3\t\x8A"
        "ifra",
        "DELAVEC\t30\tDelavec\tF"};
    c.SetLookupField("UserID");
    c.SetSelected(columns);
    c.SetOptions(loColLines | loTitles);
    c.SetStyle(csDropDownList);
    c.SetAutoDropDown(true);
    c.SetSeqSearchOptions(ssoEnabled | ssoCaseSensitive);
    c.SetUseTFields(false);
    c.SetAllowClearKey(true);
    c.SetDropDownAlignment(taRightJustify);
    c.SetDropDownCount(12);
    QCOMPARE(c.LookupField(), std::string("UserID"));
    QCOMPARE(c.Selected(), columns);
    QVERIFY(c.Options().testFlag(loColLines) && c.Options().testFlag(loTitles));
    QVERIFY(!c.Options().testFlag(loRowLines));
    QCOMPARE(c.Style(), csDropDownList);
    QVERIFY(c.AutoDropDown());
    QVERIFY(c.SeqSearchOptions().testFlag(ssoCaseSensitive));
    QVERIFY(!c.UseTFields());
    QVERIFY(c.AllowClearKey());
    QCOMPARE(c.DropDownAlignment(), taRightJustify);
    QCOMPARE(c.DropDownCount(), 12);
  }

  // The program reads and sets Windows-1250; the field shows the Unicode letters.
  void TextIsWindows1250() {
    TwwDBLookupCombo c;
    const std::string cp1250 =
        "\x8A"
        "ale\x9E \xC8"
        "rt";  // "Šalež Črt"
    c.SetText(cp1250);
    QCOMPARE(c.text(), QString::fromUtf8("Šalež Črt"));
    QCOMPARE(c.Text(), cp1250);
    c.setText(QString::fromUtf8("Žiga č"));
    QCOMPARE(c.Text(), std::string("\x8Eiga \xE8"));
  }

  // The button sits at the right end inside the field, as high as the client area and as
  // wide as a vertical scroll bar (at least 15 pixels); the text ends 2 pixels before it.
  void ButtonInsideTheFieldAtItsRightEnd() {
    QWidget window;
    auto* c = new TwwDBLookupCombo(&window);
    c->setGeometry(104, 5, 89, 21);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    TwwComboButton* b = c->Button();
    QVERIFY(b);
    QCOMPARE(b->parentWidget(), static_cast<QWidget*>(c));
    QVERIFY(b->isVisible());
    QVERIFY(b->autoRaise());
    QCOMPARE(b->focusPolicy(), Qt::NoFocus);
    const int extent = c->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, c);
    const int frame = c->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, c);
    QCOMPARE(b->width(), std::max(extent, 15));
    QCOMPARE(b->geometry().right(), c->width() - frame - 1);
    QCOMPARE(b->y(), frame);
    QCOMPARE(b->height(), c->height() - 2 * frame);
    QCOMPARE(c->textMargins().right(), b->width() + 2);

    // It follows the field's size.
    c->resize(150, 25);
    QCOMPARE(b->geometry().right(), 150 - frame - 1);
    QCOMPARE(b->height(), 25 - 2 * frame);

    c->SetShowButton(false);
    QVERIFY(!b->isVisible());
    QCOMPARE(c->textMargins().right(), 0);
    c->SetShowButton(true);
    QVERIFY(b->isVisible());
    QCOMPARE(c->textMargins().right(), b->width() + 2);
  }

  // A press on the button brings the focus to the control (the button never takes it)
  // and asks for the list, which without a lookup table is a warning.
  void ButtonFocusesTheControlAndWarnsWithoutATable() {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* other = new QLineEdit(&window);
    auto* c = new TwwDBLookupCombo(&window);
    layout->addWidget(other);
    layout->addWidget(c);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    other->setFocus();
    QVERIFY(other->hasFocus());
    auto seen = prenos::testing::CloseMessageBoxes(1);
    QTest::mouseClick(c->Button(), Qt::LeftButton);
    QCOMPARE(seen->count, 1);
    QCOMPARE(seen->text, QStringLiteral("No lookup table specified!"));
    QCOMPARE(seen->icon, QMessageBox::Warning);
    // Back in the window (which the offscreen platform does not reactivate by itself),
    // the focus is the control's.
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QVERIFY(c->hasFocus());
    QVERIFY(!c->Button()->hasFocus());
    QVERIFY(!c->ListVisible());
    // Alt+Down asks the same.
    auto again = prenos::testing::CloseMessageBoxes(1);
    QTest::keyClick(c, Qt::Key_Down, Qt::AltModifier);
    QCOMPARE(again->count, 1);
    QCOMPARE(again->text, QStringLiteral("No lookup table specified!"));
  }

  // A drop-down list selector is at least as high as its font, its borders and a pixel.
  void MinimumHeightFollowsTheFont() {
    TwwDBLookupCombo c;
    QFont f = c.font();
    f.setPixelSize(30);
    c.setFont(f);
    QCOMPARE(c.minimumHeight(), c.fontMetrics().height() + 2 + 1 + 2);
  }
};

QTEST_MAIN(LookupComboTest)
#include "lookup_combo_test.moc"
