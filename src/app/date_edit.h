// The masked date field of the main window: "dd.mm.yy" with the user's date separator,
// typed over in place. Leaving it after a change that left a year digit unfilled is
// refused with a beep and the mask error; Escape abandons the change.
#pragma once

#include <QLineEdit>
#include <string>

#include "app/date_mask.h"
#include "platform/exceptions.h"

namespace prenos {

// The error of a masked field that is left incomplete.
class EDBEditError : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const noexcept override { return "EDBEditError"; }
};

inline constexpr const char* kMaskErrorText =
    "Invalid input value.  Use escape key to abandon changes";

class TDateEdit : public QLineEdit {
  Q_OBJECT
 public:
  explicit TDateEdit(QWidget* parent = nullptr);

  // The field's text with blanks for unfilled positions ("  .  .  " when empty), in
  // Windows-1250; SetText takes the same form and clears the modified flag.
  std::string Text() const { return mask_.Text(); }
  void SetText(const std::string& text);
  // The text was changed by the user since the field got the focus.
  bool Modified() const { return modified_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  bool focusNextPrevChild(bool next) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Shows the mask's text: edit form while the field is being edited, else read form.
  void Show(int caret);
  void TypeText(const QString& text);
  void Erase(bool backwards);
  void AbandonChanges();
  // Leaving now would leave a changed field with a required position unfilled.
  bool LeaveInvalid() const { return editing_ && modified_ && !mask_.Complete(); }
  // Beeps, then takes back the focus and shows the mask error once the current event
  // is handled (once, however many ways the leave was tried meanwhile).
  void RefuseLeave();

  TDateMask mask_;
  std::string saved_;  // the text from before editing, brought back by Escape
  bool modified_ = false;
  bool editing_ = false;  // between entering the field and an accepted leave
  bool refusalPending_ = false;
};

}  // namespace prenos
