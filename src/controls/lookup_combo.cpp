// The lookup selector's edit field, its text in Windows-1250 and its drop-down button.
#include "controls/lookup_combo.h"

#include <QEvent>
#include <QStyle>

#include "controls/combo_button.h"
#include "platform/codepage.h"

namespace prenos {

TwwDBCustomLookupCombo::TwwDBCustomLookupCombo(QWidget* parent)
    : QLineEdit(parent), button_(new TwwComboButton(this)) {
  connect(button_, &QToolButton::clicked, this, [this] { ButtonPressed(); });
  PlaceButton();
}

std::string TwwDBCustomLookupCombo::Text() const { return Utf8ToCp1250(text().toStdString()); }

void TwwDBCustomLookupCombo::SetText(const std::string& text) {
  setText(QString::fromStdString(Cp1250ToUtf8(text)));
}

void TwwDBCustomLookupCombo::SetShowButton(bool on) {
  showButton_ = on;
  PlaceButton();
}

void TwwDBCustomLookupCombo::resizeEvent(QResizeEvent* event) {
  QLineEdit::resizeEvent(event);
  PlaceButton();
}

void TwwDBCustomLookupCombo::changeEvent(QEvent* event) {
  QLineEdit::changeEvent(event);
  if (event->type() == QEvent::StyleChange) PlaceButton();
}

// The button fills the height of the client area at its right end; the text area ends
// two pixels left of it.
void TwwDBCustomLookupCombo::PlaceButton() {
  button_->setVisible(showButton_);
  if (!showButton_) {
    setTextMargins(0, 0, 0, 0);
    return;
  }
  const int frame = hasFrame() ? style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this) : 0;
  const int w = TwwComboButton::ButtonWidth(this);
  button_->setGeometry(width() - frame - w, frame, w, height() - 2 * frame);
  setTextMargins(0, 0, w + 2, 0);
}

// A press on the button first brings the focus to the control; the list opens from
// there once the control has its lookup table.
void TwwDBCustomLookupCombo::ButtonPressed() {
  if (!hasFocus()) setFocus(Qt::MouseFocusReason);
}

}  // namespace prenos
