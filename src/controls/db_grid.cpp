// The data-aware grid: layout of the title row, the columns and the scroll bars, painting
// of the records of its data link's window, and scrolling the data set by the scroll bar.
#include "controls/db_grid.h"

#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QWheelEvent>
#include <algorithm>

#include "controls/qt_text.h"

namespace prenos {
namespace {

QStringList TitleLinesOf(const std::string& title) {
  return FromCp1250(title).split(QLatin1Char('~'));
}

constexpr int kTextMargin = 2;

}  // namespace

// Every change of the data set the grid shows repaints it and sets the scroll bar.
class TwwCustomDBGrid::TGridLink : public db::TDataLink {
 public:
  explicit TGridLink(TwwCustomDBGrid& grid) : grid_(grid) {}

 protected:
  void ActiveChanged() override { grid_.LinkChanged(); }
  void DataSetChanged() override { grid_.LinkChanged(); }
  void DataSetScrolled(int) override { grid_.LinkChanged(); }
  void LayoutChanged() override { grid_.LinkChanged(); }
  void RecordChanged(db::TField*) override { grid_.LinkChanged(); }

 private:
  TwwCustomDBGrid& grid_;
};

TwwCustomDBGrid::TwwCustomDBGrid(QWidget* parent, Qt::WindowFlags flags)
    : QFrame(parent, flags),
      link_(std::make_unique<TGridLink>(*this)),
      vertical_(new QScrollBar(Qt::Vertical, this)),
      horizontal_(new QScrollBar(Qt::Horizontal, this)) {
  setFrameStyle(QFrame::Box | QFrame::Plain);
  setLineWidth(1);
  setFocusPolicy(Qt::NoFocus);
  setBackgroundRole(QPalette::Base);
  setAutoFillBackground(true);
  // Not sequenced: top while at the beginning, bottom at the end, middle otherwise.
  vertical_->setRange(0, 2);
  vertical_->setPageStep(1);
  vertical_->setFocusPolicy(Qt::NoFocus);
  horizontal_->setFocusPolicy(Qt::NoFocus);
  horizontal_->hide();
  connect(vertical_, &QScrollBar::actionTriggered, this,
          [this](int action) { Guarded([&] { ScrollAction(action); }); });
  connect(vertical_, &QScrollBar::sliderReleased, this,
          [this] { Guarded([&] { ScrollReleased(); }); });
  connect(horizontal_, &QScrollBar::valueChanged, this, [this] { update(); });
  LayoutScrollBars();
}

TwwCustomDBGrid::~TwwCustomDBGrid() = default;

void TwwCustomDBGrid::SetDataSource(db::TDataSource* source) { link_->SetDataSource(source); }

db::TDataSet* TwwCustomDBGrid::DataSet() const { return link_->DataSet(); }

void TwwCustomDBGrid::SetLines(bool colLines, bool rowLines, bool titles) {
  colLines_ = colLines;
  rowLines_ = rowLines;
  titles_ = titles;
  LayoutScrollBars();
  update();
}

void TwwCustomDBGrid::SetColumns(std::vector<TwwGridColumn> columns) {
  columns_ = std::move(columns);
  LayoutScrollBars();
  update();
}

void TwwCustomDBGrid::SetRowCount(int rows) {
  rowCount_ = std::max(rows, 1);
  link_->SetBufferCount(rowCount_);
  update();
}

int TwwCustomDBGrid::DefaultRowHeight() const { return fontMetrics().height() + 3; }

int TwwCustomDBGrid::RowPitch() const {
  return DefaultRowHeight() + (rowLines_ ? GridLineWidth() : 0);
}

int TwwCustomDBGrid::TitleLines() const {
  qsizetype lines = 1;
  for (const TwwGridColumn& c : columns_) lines = std::max(lines, TitleLinesOf(c.Title).size());
  return static_cast<int>(lines);
}

int TwwCustomDBGrid::TitleHeight() const { return titles_ ? TitleLines() * RowPitch() + 3 : 0; }

int TwwCustomDBGrid::TitleTextWidth(const std::string& title) const {
  int widest = 0;
  for (const QString& line : TitleLinesOf(title))
    widest = std::max(widest, fontMetrics().horizontalAdvance(line));
  return widest;
}

int TwwCustomDBGrid::CharWidth() const { return fontMetrics().horizontalAdvance(QLatin1Char('0')); }

int TwwCustomDBGrid::TotalWidth() const {
  int total = 0;
  for (const TwwGridColumn& c : columns_) total += c.Width + (colLines_ ? GridLineWidth() : 0);
  return total;
}

int TwwCustomDBGrid::DrawnWidth(int i) const {
  const int n = static_cast<int>(columns_.size());
  if (i < 0 || i >= n) return 0;
  const int width = columns_[static_cast<size_t>(i)].Width;
  if (i != n - 1) return width;
  const int others = TotalWidth() - width - (colLines_ ? GridLineWidth() : 0);
  const int room = CellsRect().width() - others;
  return n == 1 || room > 15 ? std::max(width, room) : width;
}

QRect TwwCustomDBGrid::CellsRect() const {
  QRect r = contentsRect();
  r.setRight(r.right() - vertical_->width());
  if (horizontal_->isVisibleTo(this)) r.setBottom(r.bottom() - horizontal_->height());
  return r;
}

int TwwCustomDBGrid::VisibleRecords() const { return std::min(link_->RecordCount(), rowCount_); }

int TwwCustomDBGrid::CurrentRow() const { return link_->Active() ? link_->ActiveRecord() : -1; }

QRect TwwCustomDBGrid::RowRect(int row) const {
  const QRect cells = CellsRect();
  return QRect(cells.left(), cells.top() + TitleHeight() + row * RowPitch(), cells.width(),
               DefaultRowHeight());
}

int TwwCustomDBGrid::RowAt(const QPoint& point) const {
  const QRect cells = CellsRect();
  if (!cells.contains(point)) return -1;
  const int y = point.y() - cells.top() - TitleHeight();
  if (y < 0) return -1;
  const int row = y / RowPitch();
  return row < VisibleRecords() ? row : -1;
}

std::string TwwCustomDBGrid::FieldText(int row, const std::string& fieldName) {
  db::TDataSet* ds = DataSet();
  if (!ds || row < 0 || row >= VisibleRecords()) return {};
  db::TField* field = ds->FindField(fieldName);
  if (!field) return {};
  // The link reads another record of its window by making it active for a moment.
  const int saved = link_->ActiveRecord();
  link_->SetActiveRecord(row);
  std::string text;
  try {
    text = field->DisplayText();
  } catch (...) {
    link_->SetActiveRecord(saved);
    throw;
  }
  link_->SetActiveRecord(saved);
  return text;
}

void TwwCustomDBGrid::MoveToRow(int row) {
  db::TDataSet* ds = DataSet();
  if (!ds || !ds->Active() || row < 0 || row >= VisibleRecords()) return;
  if (const int distance = row - CurrentRow(); distance != 0) ds->MoveBy(distance);
}

void TwwCustomDBGrid::LinkChanged() {
  UpdateScrollPosition();
  update();
}

void TwwCustomDBGrid::UpdateScrollPosition() {
  const db::TDataSet* ds = DataSet();
  const int position = !ds || !ds->Active() || ds->Bof() ? 0 : ds->Eof() ? 2 : 1;
  const QSignalBlocker block(vertical_);
  vertical_->setValue(position);
}

// The arrows move the data set past the visible rows: up to the record before the first,
// down to the one after the last; the page areas move by a page of rows.
void TwwCustomDBGrid::ScrollAction(int action) {
  db::TDataSet* ds = DataSet();
  if (ds && ds->Active()) {
    switch (action) {
      case QAbstractSlider::SliderSingleStepSub: ds->MoveBy(-(CurrentRow() + 1)); break;
      case QAbstractSlider::SliderSingleStepAdd: ds->MoveBy(VisibleRecords() - CurrentRow()); break;
      case QAbstractSlider::SliderPageStepSub: ds->MoveBy(-rowCount_); break;
      case QAbstractSlider::SliderPageStepAdd: ds->MoveBy(rowCount_); break;
      default: return;  // the thumb acts when released
    }
  }
  const int position = !ds || !ds->Active() || ds->Bof() ? 0 : ds->Eof() ? 2 : 1;
  vertical_->setSliderPosition(position);
}

void TwwCustomDBGrid::ScrollReleased() {
  db::TDataSet* ds = DataSet();
  if (ds && ds->Active()) {
    if (vertical_->sliderPosition() == 0)
      ds->First();
    else if (vertical_->sliderPosition() == 2)
      ds->Last();
  }
  UpdateScrollPosition();
}

void TwwCustomDBGrid::wheelEvent(QWheelEvent* event) {
  const int delta = event->angleDelta().y();
  Guarded([&] {
    if (delta > 0) ScrollAction(QAbstractSlider::SliderSingleStepSub);
    if (delta < 0) ScrollAction(QAbstractSlider::SliderSingleStepAdd);
  });
  UpdateScrollPosition();
  event->accept();
}

void TwwCustomDBGrid::LayoutScrollBars() {
  const QRect c = contentsRect();
  const int extent = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
  const int cellsWidth = c.width() - extent;
  // Needed when the columns before the last do not fit; the last one may be cut.
  const int last = columns_.empty() ? 0 : columns_.back().Width + (colLines_ ? GridLineWidth() : 0);
  const bool wide = TotalWidth() - last > cellsWidth;
  const int below = wide ? extent : 0;
  vertical_->setGeometry(c.right() - extent + 1, c.top(), extent, c.height() - below);
  horizontal_->setVisible(wide);
  if (wide) {
    horizontal_->setGeometry(c.left(), c.bottom() - extent + 1, cellsWidth, extent);
    horizontal_->setRange(0, TotalWidth() - cellsWidth);
    horizontal_->setPageStep(std::max(cellsWidth, 1));
    horizontal_->setSingleStep(std::max(CharWidth(), 1));
  } else {
    horizontal_->setValue(0);
  }
}

void TwwCustomDBGrid::resizeEvent(QResizeEvent* event) {
  QFrame::resizeEvent(event);
  LayoutScrollBars();
}

void TwwCustomDBGrid::changeEvent(QEvent* event) {
  QFrame::changeEvent(event);
  if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
    LayoutScrollBars();
}

void TwwCustomDBGrid::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);
  QPainter painter(this);
  const QRect cells = CellsRect();
  painter.setClipRect(cells);
  const int left = cells.left() - (horizontal_->isVisibleTo(this) ? horizontal_->value() : 0);
  if (titles_) PaintTitles(painter, cells, left);
  PaintRows(painter, cells, left);
}

void TwwCustomDBGrid::PaintTitles(QPainter& painter, const QRect& cells, int left) {
  const int height = TitleHeight();
  const QColor line = palette().color(QPalette::Dark);
  painter.fillRect(QRect(cells.left(), cells.top(), cells.width(), height), palette().button());
  int x = left;
  for (int i = 0; i < static_cast<int>(columns_.size()); ++i) {
    const int width = DrawnWidth(i);
    const QRect cell(x, cells.top(), width, height - 1);
    painter.save();
    painter.setClipRect(cell.intersected(cells));
    painter.setPen(palette().color(QPalette::ButtonText));
    painter.drawText(cell.adjusted(kTextMargin, 1, -kTextMargin, -1),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     TitleLinesOf(columns_[static_cast<size_t>(i)].Title).join(QLatin1Char('\n')));
    painter.restore();
    x += width;
    if (colLines_) {
      painter.fillRect(QRect(x, cells.top(), GridLineWidth(), height), line);
      x += GridLineWidth();
    }
  }
  painter.fillRect(QRect(cells.left(), cells.top() + height - 1, cells.width(), 1), line);
}

void TwwCustomDBGrid::PaintRows(QPainter& painter, const QRect& cells, int left) {
  const int records = VisibleRecords();
  const int highlighted = HighlightedRow();
  const QColor line = palette().color(QPalette::Mid);
  for (int row = 0; row < records; ++row) {
    const QRect rowRect = RowRect(row);
    const bool selected = row == highlighted;
    int right = left;
    for (int i = 0; i < static_cast<int>(columns_.size()); ++i)
      right += DrawnWidth(i) + (colLines_ ? GridLineWidth() : 0);
    if (selected)
      painter.fillRect(QRect(left, rowRect.top(), right - left, rowRect.height()),
                       palette().highlight());
    painter.setPen(palette().color(selected ? QPalette::HighlightedText : QPalette::Text));
    int x = left;
    for (int i = 0; i < static_cast<int>(columns_.size()); ++i) {
      const int width = DrawnWidth(i);
      const QRect cell(x, rowRect.top(), width, rowRect.height());
      const QString text = FromCp1250(FieldText(row, columns_[static_cast<size_t>(i)].FieldName));
      painter.save();
      painter.setClipRect(cell.intersected(cells));
      painter.drawText(cell.adjusted(kTextMargin, 0, -kTextMargin, 0),
                       Qt::AlignLeft | Qt::AlignVCenter, text);
      painter.restore();
      x += width;
      if (colLines_) {
        painter.fillRect(QRect(x, rowRect.top(), GridLineWidth(), RowPitch()), line);
        x += GridLineWidth();
      }
    }
    if (rowLines_)
      painter.fillRect(QRect(cells.left(), rowRect.bottom() + 1, cells.width(), GridLineWidth()),
                       line);
  }
}

}  // namespace prenos
