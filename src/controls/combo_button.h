// The drop-down button of the lookup selector: a flat tool button with the combo-box
// arrow, sitting at the right end inside the selector's edit field.
#pragma once

#include <QToolButton>

namespace prenos {

class TwwComboButton : public QToolButton {
  Q_OBJECT
 public:
  explicit TwwComboButton(QWidget* parent = nullptr);

  // As wide as a vertical scroll bar of the current style, but at least 15 pixels.
  static int ButtonWidth(const QWidget* for_widget);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace prenos
