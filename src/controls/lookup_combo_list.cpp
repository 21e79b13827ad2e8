// The lookup selector's drop-down list: opening and closing it, its columns, size and
// place, the search of the typed text, and picking and accepting rows.
#include <QApplication>
#include <QMessageBox>
#include <QScreen>
#include <QStyle>
#include <algorithm>

#include "controls/combo_button.h"
#include "controls/lookup_combo.h"
#include "controls/lookup_search.h"
#include "platform/convert.h"
#include "platform/text_case.h"

namespace prenos {
namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t p; (p = text.find(separator, start)) != std::string::npos; start = p + 1)
    parts.push_back(text.substr(start, p - start));
  parts.push_back(text.substr(start));
  return parts;
}

}  // namespace

// --- fields of the lookup table -------------------------------------------------------

std::vector<std::string> TwwDBCustomLookupCombo::LookupFieldNames() const {
  std::vector<std::string> names;
  for (const std::string& part : Split(lookupField_, ';'))
    if (const std::string name = Trim(part); !name.empty() && names.size() < 3)
      names.push_back(name);
  // An empty setting still names a field, so that the table's answer is the usual one.
  if (names.empty()) names.push_back(lookupField_);
  return names;
}

// The field of the first column, or the lookup field when there is none.
std::string TwwDBCustomLookupCombo::DisplayFieldName() const {
  const db::TDataSet* table = LookupTable();
  if (!selected_.empty() && table) {
    const std::string name = Trim(Split(selected_.front(), '\t').front());
    if (table->FindField(name)) return name;
  }
  return LookupFieldNames().front();
}

std::vector<std::string> TwwDBCustomLookupCombo::CurrentLookupValues() const {
  std::vector<std::string> values;
  for (const std::string& name : LookupFieldNames())
    values.push_back(LookupTable()->FieldByName(name).AsString());
  return values;
}

std::string TwwDBCustomLookupCombo::CurrentDisplayValue() const {
  return LookupTable()->FieldByName(DisplayFieldName()).AsString();
}

void TwwDBCustomLookupCombo::SetLookupValues(std::vector<std::string> values) {
  lookupValues_ = std::move(values);
  list_->SetLookup(LookupFieldNames(), lookupValues_);
}

// --- searching ----------------------------------------------------------------------

bool TwwDBCustomLookupCombo::Search(const std::string& text, const std::string& fieldName) {
  const TSearchResult result = SearchLookupTable(*LookupTable(), fieldName, text,
                                                 seqSearchOptions_.testFlag(ssoCaseSensitive));
  if (result.Queried) {
    SetText(result.Text);
    setCursorPosition(static_cast<int>(this->text().size()));
  }
  return result.Found;
}

void TwwDBCustomLookupCombo::DelayedSearch() {
  searchTimer_.stop();
  db::TDataSet* table = LookupTable();
  wwOpenTable(table);
  const std::string text = Text();
  if (text == lastSearched_ || !table || !table->Active() ||
      !seqSearchOptions_.testFlag(ssoEnabled))
    return;
  CurrentLookupValues();  // a lookup field the table lacks fails here
  const std::string displayField = DisplayFieldName();
  found_ = Search(text, displayField);
  if (!table->Active() || (!found_ && SameText(displayField, LookupFieldNames().front()))) {
    SetLookupValues({std::string()});
    return;
  }
  displayValue_ = CurrentDisplayValue();
  SetLookupValues(CurrentLookupValues());
  lastSearched_ = text;
}

// --- opening ------------------------------------------------------------------------

void TwwDBCustomLookupCombo::Warn(const char* text) {
  QMessageBox::warning(this, QCoreApplication::applicationName(), QString::fromLatin1(text));
}

void TwwDBCustomLookupCombo::OpenList() {
  db::TDataSet* table = LookupTable();
  if (!table) return Warn("No lookup table specified!");
  if (!wwOpenTable(table)) return Warn("Lookup table is not active!");
  if (ListVisible() || width() <= 20) return;

  if (selected_.empty()) {
    const db::TField& field = table->FieldByName(LookupFieldNames().front());
    selected_.push_back(field.FieldName() + "\t" + std::to_string(field.DisplayWidth()) + "\t" +
                        field.DisplayLabel());
  }
  CurrentLookupValues();  // a lookup field the table lacks fails here
  if (typingStarted_) {
    SetLookupValues(lookupValues_);
  } else {
    const std::string text = Text();
    displayValue_ = text;
    SetLookupValues({text});
    if (text.empty()) {
      found_ = true;
    } else {
      found_ = Search(text, LookupFieldNames().front());
      if (!found_ && table->Active()) table->First();
    }
  }
  const int columnsWidth = BuildColumns();
  if (OnDropDown) OnDropDown(*this);
  PlaceList(columnsWidth);
  list_->show();
  lastSearched_ = displayValue_;
  if (!typingStarted_) selectAll();
  qApp->installEventFilter(pressWatcher_);
  update();
}

// One column per Selected text whose field the table has, as wide as its characters of
// "0" (or its title) and four pixels. Answers the width the columns ask of the list: per
// column its characters and a grid line, or its title when that is wider.
int TwwDBCustomLookupCombo::BuildColumns() {
  db::TDataSet* table = LookupTable();
  list_->setFont(font());
  list_->SetOptions(options_);
  const bool titles = options_.testFlag(loTitles);
  const int zero = list_->CharWidth();
  int asked = 0;
  std::vector<TwwGridColumn> columns;
  for (const std::string& entry : selected_) {
    const std::vector<std::string> parts = Split(entry, '\t');
    db::TField* field = table->FindField(Trim(parts.front()));
    if (!field) continue;
    int chars = field->DisplayWidth();
    if (int32_t given = 0; parts.size() > 1 && TryStrToInt(Trim(parts[1]), given)) chars = given;
    std::string title = parts.size() > 2 ? parts[2] : field->DisplayLabel();
    if (useTFields_) {
      // The list shows the fields as the columns made them.
      field->SetDisplayWidth(chars);
      field->SetDisplayLabel(title);
      chars = field->DisplayWidth();
      title = field->DisplayLabel();
    }
    const int titleWidth = titles ? list_->TitleTextWidth(title) : 0;
    asked += std::max(chars * zero + TwwCustomDBGrid::GridLineWidth(), titleWidth);
    columns.push_back(
        {field->FieldName(), title, std::max(chars * zero + 4, titles ? titleWidth + 4 : 0)});
  }
  list_->SetColumns(std::move(columns));
  return asked;
}

void TwwDBCustomLookupCombo::PlaceList(int columnsWidth) {
  const int rows = dropDownCount_ > 0 ? dropDownCount_ : 1;
  list_->SetRowCount(rows);
  const int line = TwwCustomDBGrid::GridLineWidth();
  const int pitch = list_->RowPitch();
  const int titleRows = list_->TitleRows();
  // Titles broken into more lines make the title row higher.
  const int moreTitle = titleRows ? list_->TitleHeight() - (pitch + 3) : 0;
  int height = (rows + titleRows) * pitch + 2 + 3 * titleRows + moreTitle;

  const int scrollExtent = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
  const int buttonWidth = TwwComboButton::ButtonWidth(this);
  const std::vector<TwwGridColumn>& columns = list_->Columns();
  int width = dropDownWidth_;
  if (width == 0)
    width = scrollExtent + 1 + columnsWidth + static_cast<int>(columns.size()) * line + buttonWidth;

  const QRect desktop = screen() ? screen()->geometry() : QRect(0, 0, 1 << 20, 1 << 20);
  const QPoint origin = mapToGlobal(QPoint(0, 0));
  int x = origin.x();
  if (dropDownAlignment_ == taLeftJustify) {
    width = std::max(std::min(width, desktop.right() + 1 - x - 2), this->width() - 4);
  } else {
    const int right = origin.x() + this->width();
    width = std::max(std::min(width, right - desktop.left() - 2), this->width() - 4);
    x = right - width;
  }
  int others = 0;
  for (size_t i = 0; i + 1 < columns.size(); ++i) others += columns[i].Width + line;
  if (others + buttonWidth > width)
    height = scrollExtent + pitch * (titleRows + rows) + 5 -
             (options_.testFlag(loRowLines) ? 2 : 0) + moreTitle;

  int y = origin.y() + this->height();
  if (y + height > desktop.bottom() + 1) {
    y = origin.y() - height;
    if (y < desktop.top()) y = origin.y() + this->height();
  }
  list_->setGeometry(x, y, width, height);
}

// --- picking, accepting, closing ------------------------------------------------------

void TwwDBCustomLookupCombo::PickRow() {
  const db::TDataSet* table = LookupTable();
  if (!table || !table->Active() || table->IsEmpty()) return;
  displayValue_ = CurrentDisplayValue();
  SetLookupValues(CurrentLookupValues());
  SetText(displayValue_);
  selectAll();
  found_ = true;
  lastSearched_ = Text();
}

// A pending search runs first; then the highlighted row, if any, becomes current and is
// picked when the search found it. With no row highlighted nothing is picked, so that
// closing keeps the value the control had instead of taking whatever row is current.
void TwwDBCustomLookupCombo::AcceptHighlighted() {
  if (searchTimer_.isActive()) DelayedSearch();
  const int row = list_->HighlightedRow();
  if (row < 0) return;
  list_->MoveToRow(row);
  displayValue_ = CurrentDisplayValue();
  SetLookupValues(CurrentLookupValues());
  if (found_) PickRow();
}

// Up and Down move by a row, Page Up and Page Down by a page; without a highlighted row
// the first key goes to the first row. The row reached is picked.
void TwwDBCustomLookupCombo::MoveInList(int key) {
  db::TDataSet* table = LookupTable();
  if (!table || !table->Active()) return;
  if (list_->HighlightedRow() < 0) {
    table->First();
  } else {
    const int page = list_->RowCount();
    table->MoveBy(key == Qt::Key_Up       ? -1
                  : key == Qt::Key_Down   ? 1
                  : key == Qt::Key_PageUp ? -page
                                          : page);
  }
  PickRow();
}

void TwwDBCustomLookupCombo::CloseList(bool accept) {
  if (!ListVisible()) return;
  searchTimer_.stop();
  if (accept) {
    if (found_) {
      SetText(LookupValue());
      SetText(displayValue_);
    } else {
      // What was typed found nothing: it does not become the value.
      found_ = true;
      if (allowClearKey_) {
        SetText({});
        displayValue_.clear();
        SetLookupValues({std::string()});
      } else {
        RestoreSaved();
      }
    }
  }
  list_->hide();
  qApp->removeEventFilter(pressWatcher_);
  if (accept) {
    SaveValues();
    // The value stands selected, so that typing replaces it.
    selectAll();
  }
  setModified(accept);
  typingStarted_ = false;
  dragging_ = false;
  if (OnCloseUp) OnCloseUp(*this, LookupTable(), nullptr, accept);
  update();
}

void TwwDBCustomLookupCombo::SaveValues() {
  savedText_ = Text();
  savedLookupValues_ = lookupValues_;
}

void TwwDBCustomLookupCombo::RestoreSaved() {
  SetText(savedText_);
  displayValue_ = savedText_;
  SetLookupValues(savedLookupValues_);
}

}  // namespace prenos
