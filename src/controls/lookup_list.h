// The lookup selector's drop-down list: a data-aware grid that highlights the row holding
// the selector's lookup value and lets the pointer press and release a row
// (TwwDBLookupList), shown as a frameless pop-up that never takes the focus (TwwPopupGrid).
#pragma once

#include <QFlags>
#include <string>
#include <vector>

#include "controls/db_grid.h"

namespace prenos {

// Grid lines between columns and rows, and a title row, in the drop-down list.
enum TwwDBLookupListOption { loColLines = 0x1, loRowLines = 0x2, loTitles = 0x4 };
Q_DECLARE_FLAGS(TwwDBLookupListOptions, TwwDBLookupListOption)

class TwwDBLookupList : public TwwCustomDBGrid {
  Q_OBJECT
 public:
  explicit TwwDBLookupList(QWidget* parent = nullptr, Qt::WindowFlags flags = {});

  void SetOptions(TwwDBLookupListOptions options);

  // The lookup fields and the values of the row to highlight (Windows-1250); a visible
  // row is highlighted when each of its lookup fields holds the value given for it.
  // Setting them ends a press of the pointer.
  void SetLookup(std::vector<std::string> fields, std::vector<std::string> values);
  // The highlighted visible row, -1 for none. While the pointer presses a row, that row.
  int HighlightedRow() override;

  // The pointer pressed on the selector and dragged to globalPos: over a row of the list
  // it presses that row. Answers whether a row is pressed.
  bool DragTo(const QPoint& globalPos);
  // The pointer dragged from the selector was released at globalPos: over the list,
  // with a row pressed, the list reports RowReleased. Answers whether it did.
  bool ReleaseAt(const QPoint& globalPos);

 signals:
  // A pressed row was released: it is the data set's current record.
  void RowReleased();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void PressRow(int row);

  std::vector<std::string> fields_, values_;
  bool pressing_ = false;
};

class TwwPopupGrid : public TwwDBLookupList {
  Q_OBJECT
 public:
  // A window of its own over `owner` (the selector), on top, without activation.
  explicit TwwPopupGrid(QWidget* owner);
};

}  // namespace prenos

Q_DECLARE_OPERATORS_FOR_FLAGS(prenos::TwwDBLookupListOptions)
