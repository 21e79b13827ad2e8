// The open-file dialog of the main window: a title, a default extension and the file
// name it keeps from one use to the next (a Windows or POSIX path in Windows-1250).
#pragma once

#include <string>

class QWidget;

namespace prenos {

class TOpenDialog {
 public:
  explicit TOpenDialog(QWidget* parent) : parent_(parent) {}

  std::string Title;
  // The extension added to a typed name that has none; a leading "*." is ignored.
  std::string DefaultExt;
  std::string FileName;

  // Shows the dialog (modal, object name "OpenDialog") on the folder and name of FileName.
  // True when the user chose a file, which is then the new FileName; on cancel FileName
  // stays as it was.
  bool Execute();

 private:
  QWidget* parent_;
};

}  // namespace prenos
