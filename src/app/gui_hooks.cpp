// The error box of HstmtExecute and the active-window names of the error log, from Qt.
#include "app/gui_hooks.h"

#include <QApplication>
#include <QMessageBox>
#include <QWidget>

#include "controls/qt_text.h"
#include "localtables/errorlog.h"
#include "sqlsupport/batch.h"

namespace prenos {

void InstallGuiHooks() {
  SetErrorBoxHook([](const std::string& title, const std::string& text) {
    QMessageBox box(QMessageBox::Critical, FromCp1250(title), FromCp1250(text), QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
  });
  SetActiveNamesHook([]() -> std::optional<TActiveNames> {
    const QWidget* window = QApplication::activeWindow();
    if (!window) return std::nullopt;
    const QWidget* focus = QApplication::focusWidget();
    return TActiveNames{ToCp1250(window->objectName()),
                        focus ? ToCp1250(focus->objectName()) : std::string()};
  });
}

}  // namespace prenos
