// Keys, focus and validation of the masked date field.
#include "app/date_edit.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QTabBar>
#include <QTimer>

#include "app/exception_handler.h"
#include "controls/qt_text.h"
#include "platform/convert.h"

namespace prenos {
namespace {

// Keys the line edit may handle itself: they move the caret or the selection, copy,
// or end the input; none of them changes the text.
bool IsNavigation(QKeyEvent* e) {
  static const QKeySequence::StandardKey keys[] = {QKeySequence::MoveToNextChar,
                                                   QKeySequence::MoveToPreviousChar,
                                                   QKeySequence::MoveToNextWord,
                                                   QKeySequence::MoveToPreviousWord,
                                                   QKeySequence::MoveToStartOfLine,
                                                   QKeySequence::MoveToEndOfLine,
                                                   QKeySequence::MoveToStartOfBlock,
                                                   QKeySequence::MoveToEndOfBlock,
                                                   QKeySequence::MoveToStartOfDocument,
                                                   QKeySequence::MoveToEndOfDocument,
                                                   QKeySequence::SelectNextChar,
                                                   QKeySequence::SelectPreviousChar,
                                                   QKeySequence::SelectNextWord,
                                                   QKeySequence::SelectPreviousWord,
                                                   QKeySequence::SelectStartOfLine,
                                                   QKeySequence::SelectEndOfLine,
                                                   QKeySequence::SelectStartOfBlock,
                                                   QKeySequence::SelectEndOfBlock,
                                                   QKeySequence::SelectStartOfDocument,
                                                   QKeySequence::SelectEndOfDocument,
                                                   QKeySequence::SelectAll,
                                                   QKeySequence::Copy};
  for (auto key : keys)
    if (e->matches(key)) return true;
  return e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
}

bool IsErase(QKeyEvent* e, bool& backwards) {
  backwards = e->key() == Qt::Key_Backspace || e->matches(QKeySequence::DeleteStartOfWord);
  return backwards || e->key() == Qt::Key_Delete || e->matches(QKeySequence::DeleteEndOfWord) ||
         e->matches(QKeySequence::DeleteEndOfLine) || e->matches(QKeySequence::DeleteCompleteLine);
}

// Ctrl+Tab and its kin switch the page of a tab widget around the field.
bool IsPageSwitch(QKeyEvent* e) {
  const bool ctrl = e->modifiers() & Qt::ControlModifier;
  return ctrl && (e->key() == Qt::Key_Tab || e->key() == Qt::Key_Backtab ||
                  e->key() == Qt::Key_PageUp || e->key() == Qt::Key_PageDown);
}

// A press on w would take the focus away from the field (or switch a page of tabs).
bool PressMovesFocus(QWidget* w) {
  for (; w; w = w->isWindow() ? nullptr : w->parentWidget()) {
    if (qobject_cast<QTabBar*>(w)) return true;
    if (w->isEnabled() && (w->focusPolicy() & Qt::ClickFocus)) return true;
  }
  return false;
}

}  // namespace

TDateEdit::TDateEdit(QWidget* parent)
    : QLineEdit(parent), mask_(CurrentFormatSettings().DateSeparator) {
  setMaxLength(TDateMask::kLength);
  // Every change goes through the mask: no context menu and no drops bypass it.
  setContextMenuPolicy(Qt::NoContextMenu);
  setAcceptDrops(false);
  Show(0);
}

void TDateEdit::SetText(const std::string& text) {
  mask_.SetText(text);
  saved_ = mask_.Text();
  modified_ = false;
  Show(0);
}

void TDateEdit::Show(int caret) {
  const std::string shown = editing_ ? mask_.EditText() : mask_.Text();
  setText(FromCp1250(shown));
  setCursorPosition(caret);
}

void TDateEdit::TypeText(const QString& text) {
  const std::string before = mask_.Text();
  int caret = cursorPosition();
  if (hasSelectedText()) {
    caret = selectionStart();
    mask_.Clear(caret, caret + static_cast<int>(selectedText().size()));
  }
  for (char c : ToCp1250(text)) {
    const int next = mask_.Type(caret, c);
    if (next >= 0) caret = next;
  }
  if (mask_.Text() != before) modified_ = true;
  Show(caret);
}

void TDateEdit::Erase(bool backwards) {
  const std::string before = mask_.Text();
  int caret = cursorPosition();
  if (hasSelectedText()) {
    caret = selectionStart();
    mask_.Clear(caret, caret + static_cast<int>(selectedText().size()));
  } else if (backwards) {
    const int p = TDateMask::PreviousEditable(caret);
    if (p < 0) return;
    mask_.Clear(p, p + 1);
    caret = p;
  } else {
    mask_.Clear(caret, caret + 1);
  }
  if (mask_.Text() != before) modified_ = true;
  Show(caret);
}

void TDateEdit::AbandonChanges() {
  mask_.SetText(saved_);
  modified_ = false;
  Show(0);
  selectAll();
}

void TDateEdit::keyPressEvent(QKeyEvent* e) {
  bool backwards = false;
  if (e->key() == Qt::Key_Escape && modified_) {
    AbandonChanges();
  } else if (IsPageSwitch(e) && LeaveInvalid()) {
    RefuseLeave();
  } else if (e->matches(QKeySequence::Paste)) {
    TypeText(QGuiApplication::clipboard()->text());
  } else if (e->matches(QKeySequence::Cut)) {
    copy();
    Erase(false);
  } else if (IsErase(e, backwards)) {
    Erase(backwards);
  } else if (e->matches(QKeySequence::Undo) || e->matches(QKeySequence::Redo)) {
    // Escape is the way back to the text from before editing.
  } else if (IsNavigation(e)) {
    QLineEdit::keyPressEvent(e);
    return;
  } else if (!e->text().isEmpty() && e->text().at(0).isPrint() &&
             !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
    TypeText(e->text());
  } else {
    e->ignore();
    return;
  }
  e->accept();
}

void TDateEdit::inputMethodEvent(QInputMethodEvent* e) {
  if (!e->commitString().isEmpty()) TypeText(e->commitString());
  e->accept();
}

void TDateEdit::mouseReleaseEvent(QMouseEvent* e) {
  // The middle button pastes the X selection: typed through the mask like a paste.
  if (e->button() == Qt::MiddleButton) {
    if (rect().contains(e->position().toPoint()))
      TypeText(QGuiApplication::clipboard()->text(QClipboard::Selection));
    e->accept();
    return;
  }
  QLineEdit::mouseReleaseEvent(e);
}

void TDateEdit::focusInEvent(QFocusEvent* e) {
  // Coming back after a refused leave, or after another window was active, is not a
  // new edit: the text from before editing and the modified flag stay.
  if (!editing_) {
    editing_ = true;
    saved_ = mask_.Text();
    modified_ = false;
    Show(cursorPosition());
    qApp->installEventFilter(this);
  }
  QLineEdit::focusInEvent(e);
}

void TDateEdit::focusOutEvent(QFocusEvent* e) {
  QLineEdit::focusOutEvent(e);
  if (e->reason() == Qt::ActiveWindowFocusReason || e->reason() == Qt::PopupFocusReason) return;
  if (LeaveInvalid()) {
    // The focus left by a way that could not be refused beforehand (a mouse press gives
    // the focus before anyone sees the press, an accelerator, a program): it comes back.
    RefuseLeave();
    return;
  }
  editing_ = false;
  qApp->removeEventFilter(this);
  Show(0);
}

bool TDateEdit::focusNextPrevChild(bool next) {
  if (LeaveInvalid()) {
    RefuseLeave();
    return true;
  }
  return QLineEdit::focusNextPrevChild(next);
}

// While the field may not be left, a press elsewhere in its window that would take the
// focus (or switch a page) does not reach its target: no button is clicked.
bool TDateEdit::eventFilter(QObject* watched, QEvent* event) {
  if ((event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) &&
      watched != this && watched->isWidgetType() && LeaveInvalid()) {
    auto* target = static_cast<QWidget*>(watched);
    if (target->window() == window() && PressMovesFocus(target)) {
      RefuseLeave();
      return true;
    }
  }
  return QLineEdit::eventFilter(watched, event);
}

void TDateEdit::RefuseLeave() {
  if (refusalPending_) return;
  refusalPending_ = true;
  QApplication::beep();
  // The error box waits until the event that tried to leave is over, so that a press
  // or a focus change is not left half done under a modal box.
  QTimer::singleShot(0, this, Guarded([this] {
                       refusalPending_ = false;
                       if (!hasFocus() && isVisible()) setFocus(Qt::OtherFocusReason);
                       setCursorPosition(mask_.FirstMissing());
                       ShowException(EDBEditError(kMaskErrorText));
                     }));
}

}  // namespace prenos
