// The lookup selector: a one-line edit field with a drop-down button that holds the text
// of the row the user picks from a lookup table. TwwDBCustomLookupCombo carries the state
// and the behaviour; TwwDBLookupCombo publishes the settings the window gives it.
#pragma once

#include <QFlags>
#include <QLineEdit>
#include <string>
#include <vector>

namespace prenos {

class TwwComboButton;

// Grid lines between columns and rows, and a title row, in the drop-down list.
enum TwwDBLookupListOption { loColLines = 0x1, loRowLines = 0x2, loTitles = 0x4 };
Q_DECLARE_FLAGS(TwwDBLookupListOptions, TwwDBLookupListOption)

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
  explicit TwwDBCustomLookupCombo(QWidget* parent = nullptr);

  // The value the program reads: the edit text in Windows-1250 (empty until a row is
  // picked). SetText replaces it and clears the modified flag.
  std::string Text() const;
  void SetText(const std::string& text);

  TwwComboButton* Button() const { return button_; }

 protected:
  // Settings, stored as given; TwwDBLookupCombo makes them public.
  // LookupField: up to three field names separated by ";", the first giving the value.
  const std::string& LookupField() const { return lookupField_; }
  void SetLookupField(const std::string& fields) { lookupField_ = fields; }
  // Selected: one text per list column, "field<TAB>width<TAB>title[<TAB>T|F]".
  const std::vector<std::string>& Selected() const { return selected_; }
  void SetSelected(const std::vector<std::string>& columns) { selected_ = columns; }
  TwwDBLookupListOptions Options() const { return options_; }
  void SetOptions(TwwDBLookupListOptions options) { options_ = options; }
  TwwDBLookupComboStyle Style() const { return style_; }
  void SetStyle(TwwDBLookupComboStyle style) { style_ = style; }
  bool AutoDropDown() const { return autoDropDown_; }
  void SetAutoDropDown(bool on) { autoDropDown_ = on; }
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

  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void PlaceButton();
  void ButtonPressed();

  TwwComboButton* button_;
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
};

class TwwDBLookupCombo : public TwwDBCustomLookupCombo {
  Q_OBJECT
 public:
  using TwwDBCustomLookupCombo::TwwDBCustomLookupCombo;

  using TwwDBCustomLookupCombo::LookupField;
  using TwwDBCustomLookupCombo::SetLookupField;
  using TwwDBCustomLookupCombo::Selected;
  using TwwDBCustomLookupCombo::SetSelected;
  using TwwDBCustomLookupCombo::Options;
  using TwwDBCustomLookupCombo::SetOptions;
  using TwwDBCustomLookupCombo::Style;
  using TwwDBCustomLookupCombo::SetStyle;
  using TwwDBCustomLookupCombo::AutoDropDown;
  using TwwDBCustomLookupCombo::SetAutoDropDown;
  using TwwDBCustomLookupCombo::ShowButton;
  using TwwDBCustomLookupCombo::SetShowButton;
  using TwwDBCustomLookupCombo::SeqSearchOptions;
  using TwwDBCustomLookupCombo::SetSeqSearchOptions;
  using TwwDBCustomLookupCombo::UseTFields;
  using TwwDBCustomLookupCombo::SetUseTFields;
  using TwwDBCustomLookupCombo::AllowClearKey;
  using TwwDBCustomLookupCombo::SetAllowClearKey;
  using TwwDBCustomLookupCombo::DropDownAlignment;
  using TwwDBCustomLookupCombo::SetDropDownAlignment;
  using TwwDBCustomLookupCombo::DropDownCount;
  using TwwDBCustomLookupCombo::SetDropDownCount;
  using TwwDBCustomLookupCombo::DropDownWidth;
  using TwwDBCustomLookupCombo::SetDropDownWidth;
  using TwwDBCustomLookupCombo::AutoSelect;
  using TwwDBCustomLookupCombo::SetAutoSelect;
  using TwwDBCustomLookupCombo::ShowMatchText;
  using TwwDBCustomLookupCombo::SetShowMatchText;
  using TwwDBCustomLookupCombo::OrderByDisplay;
  using TwwDBCustomLookupCombo::SetOrderByDisplay;
  using TwwDBCustomLookupCombo::ReadOnly;
  using TwwDBCustomLookupCombo::SetReadOnly;
};

}  // namespace prenos

Q_DECLARE_OPERATORS_FOR_FLAGS(prenos::TwwDBLookupListOptions)
Q_DECLARE_OPERATORS_FOR_FLAGS(prenos::TwwSeqSearchOptions)
