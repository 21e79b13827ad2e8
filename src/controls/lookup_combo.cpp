// The lookup selector's construction, its text in Windows-1250, its drop-down button, its
// appearance, focus handling and where failures of its event handling go.
#include "controls/lookup_combo.h"

#include <QApplication>
#include <QEvent>
#include <QFocusEvent>
#include <QMessageBox>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

#include "controls/combo_button.h"
#include "controls/qt_text.h"
#include "platform/exceptions.h"

namespace prenos {
namespace {

// Hands every event it filters to a function; it never stops one.
class TEventWatcher : public QObject {
 public:
  TEventWatcher(QObject* parent, std::function<void(QObject*, QEvent*)> watch)
      : QObject(parent), watch_(std::move(watch)) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    watch_(watched, event);
    return false;
  }

 private:
  std::function<void(QObject*, QEvent*)> watch_;
};

}  // namespace

TwwDBCustomLookupCombo::TwwDBCustomLookupCombo(QWidget* parent)
    : QLineEdit(parent),
      button_(new TwwComboButton(this)),
      list_(new TwwPopupGrid(this)),
      pressWatcher_(nullptr) {
  pressWatcher_ = new TEventWatcher(
      this, [this](QObject* watched, QEvent* event) { WatchPress(watched, event); });
  list_->hide();
  list_->SetDataSource(&lookupSource_);
  list_->OnException = [this] { HandleException(); };
  connect(list_, &TwwDBLookupList::RowReleased, this, [this] {
    Guarded([this] {
      PickRow();
      CloseList(true);
    });
  });
  button_->installEventFilter(this);
  searchTimer_.setSingleShot(true);
  searchTimer_.setInterval(333);
  connect(&searchTimer_, &QTimer::timeout, this, [this] { Guarded([this] { DelayedSearch(); }); });
  connect(this, &QLineEdit::textChanged, this, [this] {
    if (OnChange) OnChange(*this);
  });
  // Dropping text in would bypass the search.
  setAcceptDrops(false);
  PlaceButton();
  UpdateMinimumHeight();
}

// The list goes before the data source it is linked through.
TwwDBCustomLookupCombo::~TwwDBCustomLookupCombo() { delete list_; }

std::string TwwDBCustomLookupCombo::Text() const { return ToCp1250(text()); }

void TwwDBCustomLookupCombo::SetText(const std::string& text) { setText(FromCp1250(text)); }

bool TwwDBCustomLookupCombo::ListVisible() const { return list_->isVisible(); }

void TwwDBCustomLookupCombo::SetStyle(TwwDBLookupComboStyle style) {
  style_ = style;
  update();
}

void TwwDBCustomLookupCombo::SetAutoDropDown(bool on) {
  autoDropDown_ = on;
  update();
}

void TwwDBCustomLookupCombo::SetShowButton(bool on) {
  showButton_ = on;
  PlaceButton();
}

// --- appearance ---------------------------------------------------------------------

// The button fills the height of the client area at its right end; the text area ends
// two pixels left of it.
void TwwDBCustomLookupCombo::PlaceButton() {
  button_->setVisible(showButton_);
  if (!showButton_) {
    setTextMargins(0, 0, 0, 0);
    return;
  }
  const int frame =
      hasFrame() ? style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this) : 0;
  const int w = TwwComboButton::ButtonWidth(this);
  button_->setGeometry(width() - frame - w, frame, w, height() - 2 * frame);
  setTextMargins(0, 0, w + 2, 0);
}

// At least the font's height, a one-pixel border above and below and one more pixel, and
// two for the single border of the field.
void TwwDBCustomLookupCombo::UpdateMinimumHeight() {
  const int border = 1;
  setMinimumHeight(fontMetrics().height() + 2 * border + 1 + (hasFrame() ? 2 : 0));
}

void TwwDBCustomLookupCombo::resizeEvent(QResizeEvent* event) {
  QLineEdit::resizeEvent(event);
  PlaceButton();
}

void TwwDBCustomLookupCombo::changeEvent(QEvent* event) {
  QLineEdit::changeEvent(event);
  if (event->type() == QEvent::StyleChange) PlaceButton();
  if (event->type() == QEvent::FontChange) UpdateMinimumHeight();
}

// A drop-down list without typing shows its value as a selected item, not as editable
// text: no caret, the highlight colours and a focus rectangle while it has the focus.
bool TwwDBCustomLookupCombo::DrawsItself() const {
  return style_ == csDropDownList && !autoDropDown_ && !ListVisible();
}

void TwwDBCustomLookupCombo::paintEvent(QPaintEvent* event) {
  if (!DrawsItself()) {
    QLineEdit::paintEvent(event);
    return;
  }
  QPainter painter(this);
  QStyleOptionFrame panel;
  initStyleOption(&panel);
  style()->drawPrimitive(QStyle::PE_PanelLineEdit, &panel, &painter, this);
  QRect area = style()->subElementRect(QStyle::SE_LineEditContents, &panel, this);
  area.setRight(area.right() - textMargins().right());
  area.adjust(1, 1, -1, -1);
  const QString shown = text();
  if (hasFocus()) {
    painter.fillRect(area, palette().highlight());
    painter.setPen(palette().color(QPalette::HighlightedText));
    painter.drawText(area.adjusted(2, 0, -2, 0), Qt::AlignLeft | Qt::AlignVCenter, shown);
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    focus.rect = area;
    focus.backgroundColor = palette().color(QPalette::Highlight);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
  } else {
    painter.setPen(palette().color(isEnabled() ? QPalette::Text : QPalette::PlaceholderText));
    painter.drawText(area.adjusted(2, 0, -2, 0), Qt::AlignLeft | Qt::AlignVCenter, shown);
  }
}

// --- focus --------------------------------------------------------------------------

void TwwDBCustomLookupCombo::focusInEvent(QFocusEvent* event) {
  QLineEdit::focusInEvent(event);
  if (!ListVisible()) {
    SaveValues();
    if (autoSelect_) selectAll();
  }
  update();
}

void TwwDBCustomLookupCombo::focusOutEvent(QFocusEvent* event) {
  // A pop-up menu of the field itself (its context menu) leaves the list as it is.
  if (ListVisible() && event->reason() != Qt::PopupFocusReason)
    Guarded([this] { CloseList(true); });
  QLineEdit::focusOutEvent(event);
  update();
}

void TwwDBCustomLookupCombo::hideEvent(QHideEvent* event) {
  if (ListVisible()) Guarded([this] { CloseList(false); });
  QLineEdit::hideEvent(event);
}

// --- failures -----------------------------------------------------------------------

void TwwDBCustomLookupCombo::HandleException() {
  if (OnException) {
    OnException();
    return;
  }
  try {
    throw;
  } catch (const EAbort&) {
  } catch (const std::exception& e) {
    QMessageBox::critical(this, QCoreApplication::applicationName(), FromCp1250(e.what()));
  } catch (...) {
  }
}

}  // namespace prenos
