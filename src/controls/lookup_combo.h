// The lookup selector: a one-line edit field with a drop-down button that holds the text
// of the row the user picks from a lookup table, listed in a drop-down grid and searched
// as the user types. TwwDBCustomLookupCombo carries the state and the behaviour;
// TwwDBLookupCombo publishes the settings the window gives it.
#pragma once

#include <QLineEdit>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include "controls/lookup_list.h"
#include "odbc/dataset/datalink.h"
#include "platform/guarded.h"

namespace prenos {

class TwwComboButton;

// csDropDown: the text may be edited; csDropDownList: the text is always a listed value.
enum TwwDBLookupComboStyle { csDropDown, csDropDownList };

// Searching the lookup table as the user types, and whether that search minds case.
enum TwwSeqSearchOption { ssoEnabled = 0x1, ssoCaseSensitive = 0x2 };
Q_DECLARE_FLAGS(TwwSeqSearchOptions, TwwSeqSearchOption)

// Which edges of the drop-down list line up with the control's.
enum TAlignment { taLeftJustify, taRightJustify };

class TwwDBCustomLookupCombo : public QLineEdit {
  Q_OBJECT
 public:
  // Sender, lookup table, fill table (none here), whether the list closed accepting.
  using TNotifyCloseUpEvent =
      std::function<void(TwwDBCustomLookupCombo& sender, db::TDataSet* lookupTable,
                         db::TDataSet* fillTable, bool modified)>;
  using TNotifyEvent = std::function<void(TwwDBCustomLookupCombo& sender)>;

  explicit TwwDBCustomLookupCombo(QWidget* parent = nullptr);
  ~TwwDBCustomLookupCombo() override;

  // The value the program reads: the edit text in Windows-1250 (empty until a row is
  // picked). SetText replaces it and clears the modified flag.
  std::string Text() const;
  void SetText(const std::string& text);

  // Opens the drop-down list (after the checks that may warn instead), and closes it,
  // accepting the found row or bringing back what the control showed before.
  void OpenList();
  void CloseList(bool accept);
  bool ListVisible() const;

  TwwComboButton* Button() const { return button_; }
  TwwPopupGrid* List() const { return list_; }
  // The delayed search: 333 ms, started by the first key that changes the text while the
  // list is open.
  const QTimer& SearchTimer() const { return searchTimer_; }
  // The current lookup value (of the first lookup field) and display value.
  std::string LookupValue() const {
    return lookupValues_.empty() ? std::string() : lookupValues_.front();
  }
  const std::string& DisplayValue() const { return displayValue_; }

  // Called inside the catch block with a failure of the control's own event handling
  // (a lookup field missing from the table, a fetch that failed); without a handler an
  // error box shows the message.
  std::function<void()> OnException;

 protected:
  // Settings; TwwDBLookupCombo makes them public.
  db::TDataSet* LookupTable() const { return lookupSource_.DataSet(); }
  void SetLookupTable(db::TDataSet* table) { lookupSource_.SetDataSet(table); }
  // LookupField: up to three field names separated by ";", the first giving the value.
  const std::string& LookupField() const { return lookupField_; }
  void SetLookupField(const std::string& fields) { lookupField_ = fields; }
  // Selected: one text per list column, "field<TAB>width<TAB>title[<TAB>T|F]".
  const std::vector<std::string>& Selected() const { return selected_; }
  void SetSelected(const std::vector<std::string>& columns) { selected_ = columns; }
  TwwDBLookupListOptions Options() const { return options_; }
  void SetOptions(TwwDBLookupListOptions options) { options_ = options; }
  TwwDBLookupComboStyle Style() const { return style_; }
  void SetStyle(TwwDBLookupComboStyle style);
  bool AutoDropDown() const { return autoDropDown_; }
  void SetAutoDropDown(bool on);
  bool ShowButton() const { return showButton_; }
  void SetShowButton(bool on);
  TwwSeqSearchOptions SeqSearchOptions() const { return seqSearchOptions_; }
  void SetSeqSearchOptions(TwwSeqSearchOptions options) { seqSearchOptions_ = options; }
  bool UseTFields() const { return useTFields_; }
  void SetUseTFields(bool on) { useTFields_ = on; }
  bool AllowClearKey() const { return allowClearKey_; }
  void SetAllowClearKey(bool on) { allowClearKey_ = on; }
  TAlignment DropDownAlignment() const { return dropDownAlignment_; }
  void SetDropDownAlignment(TAlignment alignment) { dropDownAlignment_ = alignment; }
  int DropDownCount() const { return dropDownCount_; }
  void SetDropDownCount(int rows) { dropDownCount_ = rows; }
  // 0: computed from the columns when the list opens.
  int DropDownWidth() const { return dropDownWidth_; }
  void SetDropDownWidth(int width) { dropDownWidth_ = width; }
  bool AutoSelect() const { return autoSelect_; }
  void SetAutoSelect(bool on) { autoSelect_ = on; }
  bool ShowMatchText() const { return showMatchText_; }
  void SetShowMatchText(bool on) { showMatchText_ = on; }
  bool OrderByDisplay() const { return orderByDisplay_; }
  void SetOrderByDisplay(bool on) { orderByDisplay_ = on; }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool on) { readOnly_ = on; }

  TNotifyEvent OnChange, OnDropDown;
  TNotifyCloseUpEvent OnCloseUp;

  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  // --- the lookup table (lookup_combo_list.cpp)
  std::vector<std::string> LookupFieldNames() const;
  std::string DisplayFieldName() const;
  // The lookup fields' and the display field's texts in the table's current record;
  // EDatabaseError "Field '%s' not found" for a lookup field the table lacks.
  std::vector<std::string> CurrentLookupValues() const;
  std::string CurrentDisplayValue() const;
  void SetLookupValues(std::vector<std::string> values);
  bool Search(const std::string& text, const std::string& fieldName);
  void DelayedSearch();
  int BuildColumns();
  void PlaceList(int columnsWidth);
  void PickRow();
  void AcceptHighlighted();
  void MoveInList(int key);
  void RestoreSaved();
  void SaveValues();
  void Warn(const char* text);

  // --- input (lookup_combo_input.cpp)
  void ButtonPressed();
  // While the list is open: a left press anywhere outside the control and the list
  // accepts the highlighted row and closes the list.
  void WatchPress(QObject* watched, QEvent* event);
  void Paste();
  bool CanEditClosed() const;

  // --- appearance (lookup_combo.cpp)
  void PlaceButton();
  void UpdateMinimumHeight();
  bool DrawsItself() const;
  // Runs fn; a failure goes to HandleException, inside the catch block.
  template <class F>
  void Guarded(F fn) {
    RunGuarded(fn, [this] { HandleException(); });
  }
  void HandleException();

  TwwComboButton* button_;
  TwwPopupGrid* list_;
  // Sees every press of the application while the list is open.
  QObject* pressWatcher_;
  db::TDataSource lookupSource_;
  QTimer searchTimer_;

  std::string lookupField_;
  std::vector<std::string> selected_;
  TwwDBLookupListOptions options_;
  TwwDBLookupComboStyle style_ = csDropDown;
  bool autoDropDown_ = false;
  bool showButton_ = true;
  TwwSeqSearchOptions seqSearchOptions_ = ssoEnabled;
  bool useTFields_ = true;
  bool allowClearKey_ = false;
  TAlignment dropDownAlignment_ = taLeftJustify;
  int dropDownCount_ = 8;
  int dropDownWidth_ = 0;
  bool autoSelect_ = true;
  bool showMatchText_ = false;
  bool orderByDisplay_ = true;
  bool readOnly_ = false;

  // What the control holds besides its text (Windows-1250).
  std::vector<std::string> lookupValues_;
  std::string displayValue_;
  std::string savedText_;
  std::vector<std::string> savedLookupValues_;
  std::string lastSearched_;
  bool found_ = false;
  // The list was opened by typing into the closed control.
  bool typingStarted_ = false;
  // A character key went into the closed control; its release may open the list.
  bool keyTyped_ = false;
  QString textBeforeKey_;
  // A press on the field or the button that opened the list, still held.
  bool dragging_ = false;
};

class TwwDBLookupCombo : public TwwDBCustomLookupCombo {
  Q_OBJECT
 public:
  using TwwDBCustomLookupCombo::TwwDBCustomLookupCombo;

  using TwwDBCustomLookupCombo::AllowClearKey;
  using TwwDBCustomLookupCombo::AutoDropDown;
  using TwwDBCustomLookupCombo::AutoSelect;
  using TwwDBCustomLookupCombo::DropDownAlignment;
  using TwwDBCustomLookupCombo::DropDownCount;
  using TwwDBCustomLookupCombo::DropDownWidth;
  using TwwDBCustomLookupCombo::LookupField;
  using TwwDBCustomLookupCombo::LookupTable;
  using TwwDBCustomLookupCombo::OnChange;
  using TwwDBCustomLookupCombo::OnCloseUp;
  using TwwDBCustomLookupCombo::OnDropDown;
  using TwwDBCustomLookupCombo::Options;
  using TwwDBCustomLookupCombo::OrderByDisplay;
  using TwwDBCustomLookupCombo::ReadOnly;
  using TwwDBCustomLookupCombo::Selected;
  using TwwDBCustomLookupCombo::SeqSearchOptions;
  using TwwDBCustomLookupCombo::SetAllowClearKey;
  using TwwDBCustomLookupCombo::SetAutoDropDown;
  using TwwDBCustomLookupCombo::SetAutoSelect;
  using TwwDBCustomLookupCombo::SetDropDownAlignment;
  using TwwDBCustomLookupCombo::SetDropDownCount;
  using TwwDBCustomLookupCombo::SetDropDownWidth;
  using TwwDBCustomLookupCombo::SetLookupField;
  using TwwDBCustomLookupCombo::SetLookupTable;
  using TwwDBCustomLookupCombo::SetOptions;
  using TwwDBCustomLookupCombo::SetOrderByDisplay;
  using TwwDBCustomLookupCombo::SetReadOnly;
  using TwwDBCustomLookupCombo::SetSelected;
  using TwwDBCustomLookupCombo::SetSeqSearchOptions;
  using TwwDBCustomLookupCombo::SetShowButton;
  using TwwDBCustomLookupCombo::SetShowMatchText;
  using TwwDBCustomLookupCombo::SetStyle;
  using TwwDBCustomLookupCombo::SetUseTFields;
  using TwwDBCustomLookupCombo::ShowButton;
  using TwwDBCustomLookupCombo::ShowMatchText;
  using TwwDBCustomLookupCombo::Style;
  using TwwDBCustomLookupCombo::UseTFields;
};

}  // namespace prenos

Q_DECLARE_OPERATORS_FOR_FLAGS(prenos::TwwSeqSearchOptions)
