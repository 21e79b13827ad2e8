// The drop-down list's highlighted row, its pointer handling and its pop-up window.
#include "controls/lookup_list.h"

#include <QMouseEvent>

namespace prenos {

TwwDBLookupList::TwwDBLookupList(QWidget* parent, Qt::WindowFlags flags)
    : TwwCustomDBGrid(parent, flags) {}

void TwwDBLookupList::SetOptions(TwwDBLookupListOptions options) {
  SetLines(options.testFlag(loColLines), options.testFlag(loRowLines), options.testFlag(loTitles));
}

void TwwDBLookupList::SetLookup(std::vector<std::string> fields, std::vector<std::string> values) {
  fields_ = std::move(fields);
  values_ = std::move(values);
  pressing_ = false;
  update();
}

int TwwDBLookupList::HighlightedRow() {
  if (pressing_) return VisibleRecords() > 0 ? CurrentRow() : -1;
  // No value, no highlight: an empty selector shows no row as its own.
  if (fields_.empty() || values_.empty() || values_.front().empty()) return -1;
  for (int row = 0; row < VisibleRecords(); ++row) {
    bool same = true;
    for (size_t i = 0; i < fields_.size() && same; ++i)
      same = FieldText(row, fields_[i]) == (i < values_.size() ? values_[i] : std::string());
    if (same) return row;
  }
  return -1;
}

void TwwDBLookupList::PressRow(int row) {
  if (row < 0) return;
  pressing_ = true;
  Guarded([&] { MoveToRow(row); });
  update();
}

bool TwwDBLookupList::DragTo(const QPoint& globalPos) {
  const QPoint local = mapFromGlobal(globalPos);
  if (isVisible() && rect().contains(local)) PressRow(RowAt(local));
  return pressing_;
}

bool TwwDBLookupList::ReleaseAt(const QPoint& globalPos) {
  const bool over = isVisible() && rect().contains(mapFromGlobal(globalPos));
  if (!pressing_ || !over) return false;
  emit RowReleased();
  return true;
}

void TwwDBLookupList::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) PressRow(RowAt(event->position().toPoint()));
}

// Dragging keeps the row under the pointer pressed; above or below the rows, the first or
// the last one.
void TwwDBLookupList::mouseMoveEvent(QMouseEvent* event) {
  if (!pressing_ || !(event->buttons() & Qt::LeftButton) || VisibleRecords() == 0) return;
  const QPoint point = event->position().toPoint();
  int row = RowAt(point);
  if (row < 0) row = point.y() < RowRect(0).top() ? 0 : VisibleRecords() - 1;
  PressRow(row);
}

void TwwDBLookupList::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && pressing_) emit RowReleased();
}

TwwPopupGrid::TwwPopupGrid(QWidget* owner)
    : TwwDBLookupList(owner, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus) {
  setObjectName("PopupGrid");
  setAttribute(Qt::WA_ShowWithoutActivating);
}

}  // namespace prenos
