// Error boxes for uncaught exceptions.
#include "app/exception_handler.h"

#include <QMessageBox>

#include "controls/qt_text.h"
#include "platform/component.h"
#include "platform/exceptions.h"

namespace prenos {

void ShowErrorBox(const std::string& text) {
  QMessageBox box(QMessageBox::Critical, FromCp1250(Application().Title), FromCp1250(text),
                  QMessageBox::Ok, QApplication::activeWindow());
  box.setObjectName("ErrorBox");
  box.exec();
}

std::string ErrorBoxText(const std::string& message) {
  if (!message.empty() &&
      static_cast<unsigned char>(message.back()) > static_cast<unsigned char>('.'))
    return message + ".";
  return message;
}

void ShowException(const std::exception& e) noexcept {
  if (dynamic_cast<const EAbort*>(&e)) return;
  try {
    ShowErrorBox(ErrorBoxText(e.what()));
  } catch (...) {
    // Nothing is left to tell the user with; the handler must not fail itself.
  }
}

void HandleCurrentException() noexcept {
  try {
    throw;
  } catch (const std::exception& e) {
    ShowException(e);
  } catch (...) {
    ShowException(Exception("Unknown exception"));
  }
}

bool TGuardedApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    HandleCurrentException();
    return false;
  }
}

}  // namespace prenos
