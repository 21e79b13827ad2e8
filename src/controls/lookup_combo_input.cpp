// The lookup selector's keys, pointer and clipboard: what each does with the list closed
// (with AutoDropDown on or off) and open.
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>

#include "controls/combo_button.h"
#include "controls/lookup_combo.h"

namespace prenos {
namespace {

// A key that types a character: letters, digits, blank, punctuation, the numeric pad.
bool IsCharacterKey(const QKeyEvent* event) {
  if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
  const QString text = event->text();
  return !text.isEmpty() && text.front().isPrint();
}

bool IsCaretKey(int key) {
  return key == Qt::Key_Home || key == Qt::Key_End || key == Qt::Key_Left || key == Qt::Key_Right;
}

bool IsListKey(int key) {
  return key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp ||
         key == Qt::Key_PageDown;
}

}  // namespace

// A plain drop-down (not a list) edits its text freely while closed.
bool TwwDBCustomLookupCombo::CanEditClosed() const { return style_ == csDropDown && !readOnly_; }

bool TwwDBCustomLookupCombo::event(QEvent* event) {
  if (event->type() == QEvent::KeyPress && ListVisible()) {
    auto* key = static_cast<QKeyEvent*>(event);
    const bool tab = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
    if (tab && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
      // Tab accepts like Enter, then moves the focus on.
      Guarded([this] {
        AcceptHighlighted();
        CloseList(true);
      });
      focusNextPrevChild(key->key() == Qt::Key_Tab && !(key->modifiers() & Qt::ShiftModifier));
      return true;
    }
  }
  // While the list is open, Enter and Escape belong to it rather than to a window's
  // shortcuts or default button.
  if (event->type() == QEvent::ShortcutOverride && ListVisible()) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter) {
      event->accept();
      return true;
    }
  }
  return QLineEdit::event(event);
}

void TwwDBCustomLookupCombo::keyPressEvent(QKeyEvent* event) {
  Guarded([&] {
    const int key = event->key();
    const bool open = ListVisible();
    const bool alt = event->modifiers() & Qt::AltModifier;

    if (event->matches(QKeySequence::Paste)) return Paste();
    if (event->matches(QKeySequence::Copy) || event->matches(QKeySequence::SelectAll))
      return QLineEdit::keyPressEvent(event);
    if (event->matches(QKeySequence::Cut)) {
      if (open || CanEditClosed()) QLineEdit::keyPressEvent(event);
      return;
    }
    if (IsListKey(key)) {
      if (open && alt) {
        AcceptHighlighted();
        CloseList(true);
      } else if (open) {
        MoveInList(key);
      } else if (alt) {
        OpenList();
      }
      return;
    }
    switch (key) {
      case Qt::Key_Escape:
        if (open) CloseList(false);
        RestoreSaved();
        if (open || autoDropDown_) selectAll();
        return;
      case Qt::Key_Return:
      case Qt::Key_Enter:
        if (open) {
          AcceptHighlighted();
          CloseList(true);
        }
        return;
      case Qt::Key_Backspace:
      case Qt::Key_Delete:
        if (open || CanEditClosed()) {
          QLineEdit::keyPressEvent(event);  // edits without a search
        } else if (allowClearKey_ && !text().isEmpty() && selectedText() == text()) {
          SetText({});
          displayValue_.clear();
          SetLookupValues({std::string()});
        }
        return;
      default: break;
    }
    if (IsCaretKey(key)) {
      if (open || autoDropDown_ || CanEditClosed()) QLineEdit::keyPressEvent(event);
      return;
    }
    if (IsCharacterKey(event)) {
      if (readOnly_) return;
      if (open) {
        const QString before = text();
        QLineEdit::keyPressEvent(event);
        // The first key since the last search starts the delay; later keys do not
        // restart it.
        if (text() != before && !searchTimer_.isActive()) searchTimer_.start();
      } else if (autoDropDown_) {
        if (!keyTyped_) textBeforeKey_ = text();
        keyTyped_ = true;
        QLineEdit::keyPressEvent(event);
      } else if (CanEditClosed()) {
        QLineEdit::keyPressEvent(event);
      }
      return;
    }
    event->ignore();
  });
}

// A character typed into the closed control opens the list at what was typed.
void TwwDBCustomLookupCombo::keyReleaseEvent(QKeyEvent* event) {
  Guarded([&] {
    if (keyTyped_ && !event->isAutoRepeat()) {
      keyTyped_ = false;
      if (!ListVisible() && text() != textBeforeKey_ && !text().isEmpty()) {
        typingStarted_ = true;
        DelayedSearch();
        OpenList();
        if (!ListVisible()) {
          // No list (the table could not be opened): the typed text is no value.
          typingStarted_ = false;
          RestoreSaved();
        }
      }
    }
  });
  QLineEdit::keyReleaseEvent(event);
}

// --- pointer ------------------------------------------------------------------------

void TwwDBCustomLookupCombo::mousePressEvent(QMouseEvent* event) {
  if (!ListVisible() && style_ == csDropDownList && event->button() == Qt::LeftButton) {
    setFocus(Qt::MouseFocusReason);
    if (!hasFocus()) return;
    Guarded([this] { OpenList(); });
    dragging_ = ListVisible();
    return;
  }
  // The selection clipboard's middle-button paste goes through the paste rules.
  if (event->button() == Qt::MiddleButton) return;
  QLineEdit::mousePressEvent(event);
}

void TwwDBCustomLookupCombo::mouseDoubleClickEvent(QMouseEvent* event) {
  if (!ListVisible() && style_ == csDropDownList && event->button() == Qt::LeftButton)
    return mousePressEvent(event);
  QLineEdit::mouseDoubleClickEvent(event);
}

void TwwDBCustomLookupCombo::mouseMoveEvent(QMouseEvent* event) {
  if (dragging_) {
    list_->DragTo(event->globalPosition().toPoint());
    return;
  }
  QLineEdit::mouseMoveEvent(event);
}

void TwwDBCustomLookupCombo::mouseReleaseEvent(QMouseEvent* event) {
  if (dragging_ && event->button() == Qt::LeftButton) {
    dragging_ = false;
    list_->ReleaseAt(event->globalPosition().toPoint());
    return;
  }
  if (event->button() == Qt::MiddleButton) return;
  QLineEdit::mouseReleaseEvent(event);
}

// The drop-down button: a press opens the list (after bringing the focus here), or closes
// an open one accepting what was found; dragging from it works as from the field.
bool TwwDBCustomLookupCombo::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  const bool mouseEvent = type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick ||
                          type == QEvent::MouseMove || type == QEvent::MouseButtonRelease;
  if (watched == button_ && mouseEvent) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    switch (type) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonDblClick:
        if (mouse->button() == Qt::LeftButton) {
          Guarded([this] { ButtonPressed(); });
          dragging_ = ListVisible();
          return true;  // the button only shows the arrow; the press acts here
        }
        break;
      case QEvent::MouseMove:
        if (dragging_) list_->DragTo(mouse->globalPosition().toPoint());
        break;
      case QEvent::MouseButtonRelease:
        if (dragging_ && mouse->button() == Qt::LeftButton) {
          dragging_ = false;
          list_->ReleaseAt(mouse->globalPosition().toPoint());
        }
        break;
      default: break;
    }
  }
  return QLineEdit::eventFilter(watched, event);
}

void TwwDBCustomLookupCombo::ButtonPressed() {
  if (ListVisible()) {
    if (found_) SetText(displayValue_);
    CloseList(true);
    return;
  }
  if (!hasFocus()) {
    setFocus(Qt::MouseFocusReason);
    if (!hasFocus()) return;
  }
  OpenList();
}

void TwwDBCustomLookupCombo::WatchPress(QObject* watched, QEvent* event) {
  if (!ListVisible()) return;
  if (event->type() != QEvent::MouseButtonPress &&
      event->type() != QEvent::NonClientAreaMouseButtonPress)
    return;
  if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton) return;
  auto* widget = qobject_cast<QWidget*>(watched);
  if (!widget || widget == this || isAncestorOf(widget) || widget == list_ ||
      list_->isAncestorOf(widget))
    return;
  Guarded([this] {
    AcceptHighlighted();
    CloseList(true);
  });
}

// --- clipboard ----------------------------------------------------------------------

// Pasting into the closed control does nothing; into the open one the text goes in and
// is searched at once.
void TwwDBCustomLookupCombo::Paste() {
  if (!ListVisible() && !CanEditClosed()) return;
  paste();
  if (ListVisible()) DelayedSearch();
}

void TwwDBCustomLookupCombo::contextMenuEvent(QContextMenuEvent* event) {
  QMenu* menu = createStandardContextMenu();
  const bool editable = ListVisible() || CanEditClosed();
  for (QAction* action : menu->actions()) {
    const QString name = action->objectName();
    if (name == QLatin1String("edit-paste")) {
      action->disconnect();
      connect(action, &QAction::triggered, this, [this] { Guarded([this] { Paste(); }); });
      action->setEnabled(editable && !QApplication::clipboard()->text().isEmpty());
    } else if (name == QLatin1String("edit-cut") || name == QLatin1String("edit-delete") ||
               name == QLatin1String("edit-undo") || name == QLatin1String("edit-redo")) {
      if (!editable) action->setEnabled(false);
      if (name == QLatin1String("edit-undo") || name == QLatin1String("edit-redo"))
        action->setEnabled(false);
    }
  }
  menu->setAttribute(Qt::WA_DeleteOnClose);
  menu->popup(event->globalPos());
}

}  // namespace prenos
