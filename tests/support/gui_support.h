// Helpers of the window tests: texts in failed comparisons, and answering the modal
// dialogs the window opens (from a timer, while the dialog's own loop runs).
#pragma once

#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/prefixed_test.h"

// Failed comparisons show the texts.
namespace QTest {
template <>
inline char* toString(const std::string& s) {
  return qstrdup(("\"" + s + "\"").c_str());
}
template <>
inline char* toString(const std::vector<std::string>& v) {
  std::string out = "{";
  for (const std::string& s : v) out += (out.size() > 1 ? ", \"" : "\"") + s + "\"";
  return qstrdup((out + "}").c_str());
}
}  // namespace QTest

namespace prenos::testing {

// What was seen of modal dialogs. The watching ends when this is destroyed.
struct SeenDialog {
  int count = 0;  // how many dialogs were answered
  QString className, objectName, title, text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QPointer<QTimer> timer;
  ~SeenDialog() { delete timer.data(); }
};

// Waits (without blocking) for up to `count` modal dialogs, records each and lets
// `answer` close it. Gives up after timeoutMs, when the result is dropped, or when the
// next watch starts (one watch at a time, so each dialog is counted by the latest).
inline std::shared_ptr<SeenDialog> AnswerModals(std::function<void(QWidget*)> answer, int count = 1,
                                                int timeoutMs = 10000) {
  static std::weak_ptr<SeenDialog> current;
  if (auto previous = current.lock()) delete previous->timer.data();
  auto seen = std::make_shared<SeenDialog>();
  current = seen;
  auto* timer = new QTimer(qApp);
  seen->timer = timer;
  auto clock = std::make_shared<QElapsedTimer>();
  clock->start();
  auto last = std::make_shared<QPointer<QWidget>>();
  std::weak_ptr<SeenDialog> weak = seen;
  QObject::connect(timer, &QTimer::timeout, timer, [=] {
    const std::shared_ptr<SeenDialog> seen = weak.lock();
    if (!seen) return;
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal != last->data() && modal->isVisible()) {
      *last = modal;
      ++seen->count;
      seen->className = modal->metaObject()->className();
      seen->objectName = modal->objectName();
      seen->title = modal->windowTitle();
      if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        seen->text = box->text();
        seen->icon = box->icon();
      }
      answer(modal);
    }
    if (seen->count >= count || clock->elapsed() > timeoutMs) timer->deleteLater();
  });
  timer->start(10);
  return seen;
}

// Records the next message boxes and closes each with its OK button.
inline std::shared_ptr<SeenDialog> CloseMessageBoxes(int count = 1) {
  return AnswerModals(
      [](QWidget* w) {
        if (auto* box = qobject_cast<QMessageBox*>(w))
          box->done(QMessageBox::Ok);
        else if (auto* dialog = qobject_cast<QDialog*>(w))
          dialog->reject();
      },
      count);
}

// Answers the next file dialog as the user does: the preselected file unselected, the
// path typed into its file name field, then Open. An empty path cancels the dialog.
inline std::shared_ptr<SeenDialog> ChooseInFileDialog(const QString& path) {
  return AnswerModals([path](QWidget* w) {
    auto* d = qobject_cast<QFileDialog*>(w);
    if (!d) return;
    if (path.isEmpty()) {
      d->reject();
      return;
    }
    for (auto* view : d->findChildren<QAbstractItemView*>()) view->clearSelection();
    d->findChild<QLineEdit*>("fileNameEdit")->setText(path);
    static_cast<QDialog*>(d)->accept();  // QFileDialog::accept is the Open button
  });
}

}  // namespace prenos::testing
