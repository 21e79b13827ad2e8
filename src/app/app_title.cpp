// The application's title in the application object and in Qt.
#include "app/app_title.h"

#include <QCoreApplication>

#include "controls/qt_text.h"
#include "platform/component.h"

namespace prenos {

void SetApplicationTitle(const std::string& title) {
  Application().Title = title;
  // Only the application name: a display name would also be appended to every window
  // caption, and the main window's caption is its own.
  QCoreApplication::setApplicationName(FromCp1250(title));
}

}  // namespace prenos
