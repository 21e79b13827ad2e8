// A read-only data-aware grid: the rows of a data set's window of records under a title
// row, with column and row lines, the whole current row highlighted, and a vertical
// scroll bar that only tells whether the data set is at its beginning, its end or between.
#pragma once

#include <QFrame>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "odbc/dataset/datalink.h"
#include "platform/guarded.h"

class QScrollBar;

namespace prenos {

// One column: the field shown, its title (Windows-1250; "~" breaks it into lines) and its
// width in pixels without the grid line.
struct TwwGridColumn {
  std::string FieldName;
  std::string Title;
  int Width = 0;
};

class TwwCustomDBGrid : public QFrame {
  Q_OBJECT
 public:
  explicit TwwCustomDBGrid(QWidget* parent = nullptr, Qt::WindowFlags flags = {});
  ~TwwCustomDBGrid() override;

  void SetDataSource(db::TDataSource* source);
  db::TDataSet* DataSet() const;

  bool ColLines() const { return colLines_; }
  bool RowLines() const { return rowLines_; }
  bool Titles() const { return titles_; }
  void SetLines(bool colLines, bool rowLines, bool titles);

  void SetColumns(std::vector<TwwGridColumn> columns);
  const std::vector<TwwGridColumn>& Columns() const { return columns_; }
  // The width column i is drawn with: the last column fills the client width when it is
  // the only one or the others leave more than 15 pixels of it.
  int DrawnWidth(int i) const;

  // The data rows shown (the records the grid asks its data set to keep).
  void SetRowCount(int rows);
  int RowCount() const { return rowCount_; }

  // Metrics in the grid's font.
  int DefaultRowHeight() const;
  static int GridLineWidth() { return 1; }
  // A data row's height with its line.
  int RowPitch() const;
  int TitleRows() const { return titles_ ? 1 : 0; }
  int TitleHeight() const;
  int TitleTextWidth(const std::string& title) const;
  int CharWidth() const;  // of "0"

  // Records in the visible rows, the visible row of the data set's current record, and
  // the row at a point (-1 on the title row or past the last record).
  int VisibleRecords() const;
  int CurrentRow() const;
  int RowAt(const QPoint& point) const;
  QRect RowRect(int row) const;
  // Where the cells are drawn: inside the border, left of the scroll bar.
  QRect CellsRect() const;
  // The text of a field in a visible row (Windows-1250), empty when there is none.
  std::string FieldText(int row, const std::string& fieldName);
  // Makes visible row `row` the current record.
  void MoveToRow(int row);

  QScrollBar* VerticalScrollBar() const { return vertical_; }
  QScrollBar* HorizontalScrollBar() const { return horizontal_; }

  // Called inside the catch block when scrolling the data set fails (a fetch raised);
  // without a handler the failure is dropped.
  std::function<void()> OnException;

 protected:
  // The row drawn in the highlight colours; -1 for none.
  virtual int HighlightedRow() { return VisibleRecords() > 0 ? CurrentRow() : -1; }
  // The data set opened, closed, moved or changed.
  virtual void LinkChanged();

  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

  // Runs fn; a failure goes to OnException.
  template <class F>
  void Guarded(F fn) {
    RunGuarded(fn, [this] {
      if (OnException) OnException();
    });
  }

 private:
  class TGridLink;
  void LayoutScrollBars();
  void UpdateScrollPosition();
  void ScrollAction(int action);
  void ScrollReleased();
  int TotalWidth() const;
  int TitleLines() const;
  void PaintTitles(QPainter& painter, const QRect& cells, int left);
  void PaintRows(QPainter& painter, const QRect& cells, int left);

  std::unique_ptr<TGridLink> link_;
  std::vector<TwwGridColumn> columns_;
  bool colLines_ = false, rowLines_ = false, titles_ = false;
  int rowCount_ = 1;
  QScrollBar* vertical_;
  QScrollBar* horizontal_;
};

}  // namespace prenos
