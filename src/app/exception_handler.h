// The one place where failures of event handlers end: an error box titled with the
// application title and the exception's message. No exception crosses Qt's event loop:
// every slot is wrapped in Guarded, and TGuardedApplication catches what slips through.
#pragma once

#include <QApplication>
#include <exception>
#include <string>
#include <utility>

#include "platform/guarded.h"

namespace prenos {

// The text of the error box for a message (Windows-1250): a full stop is appended when
// the message's last character comes after "." in character order.
std::string ErrorBoxText(const std::string& message);

// A modal error box titled with the application title, showing text (Windows-1250) as
// given, with an OK button.
void ShowErrorBox(const std::string& text);

// Shows the exception in a modal error box (its message by ErrorBoxText); EAbort and classes
// derived from it show nothing. Never throws.
void ShowException(const std::exception& e) noexcept;
// ShowException for the exception being handled; call it inside a catch block.
void HandleCurrentException() noexcept;

// A slot that runs fn and hands any exception to HandleCurrentException.
template <class F>
auto Guarded(F fn) {
  return [fn = std::move(fn)]() mutable { RunGuarded(fn, HandleCurrentException); };
}

// The program's application object: every event is delivered inside a handler that
// shows what an event handler let escape.
class TGuardedApplication : public QApplication {
 public:
  TGuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}
  bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace prenos
