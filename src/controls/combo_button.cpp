// The selector's drop-down button: flat, never focused, painted with the style's arrow.
#include "controls/combo_button.h"

#include <QPainter>
#include <QStyleOption>
#include <algorithm>

namespace prenos {

TwwComboButton::TwwComboButton(QWidget* parent) : QToolButton(parent) {
  setObjectName("Button");
  setAutoRaise(true);
  // The edit field keeps the focus while the button is used.
  setFocusPolicy(Qt::NoFocus);
  setCursor(Qt::ArrowCursor);
}

int TwwComboButton::ButtonWidth(const QWidget* for_widget) {
  const QStyle* style = for_widget ? for_widget->style() : nullptr;
  const int extent =
      style ? style->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, for_widget) : 0;
  return std::max(extent, 15);
}

void TwwComboButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QStyleOptionToolButton button;
  initStyleOption(&button);
  // The flat face: only the pressed or hovered panel, as a tool button draws it.
  if (button.state & (QStyle::State_Sunken | QStyle::State_MouseOver))
    style()->drawPrimitive(QStyle::PE_PanelButtonTool, &button, &painter, this);
  QStyleOption arrow;
  arrow.initFrom(this);
  const int side = std::min(width(), height()) / 2 + 1;
  arrow.rect = QRect((width() - side) / 2, (height() - side) / 2, side, side);
  if (button.state & QStyle::State_Sunken) arrow.rect.translate(1, 1);
  style()->drawPrimitive(QStyle::PE_IndicatorArrowDown, &arrow, &painter, this);
}

}  // namespace prenos
