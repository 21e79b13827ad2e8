// The open-file dialog over QFileDialog (Qt's own dialog, the same on every desktop).
#include "app/open_dialog.h"

#include <QFileDialog>
#include <filesystem>
#include <system_error>

#include "controls/qt_text.h"
#include "platform/prefix.h"

namespace prenos {

bool TOpenDialog::Execute() {
  QFileDialog dialog(parent_, FromCp1250(Title));
  dialog.setObjectName("OpenDialog");
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  std::string ext = DefaultExt;
  if (ext.rfind("*.", 0) == 0) ext.erase(0, 2);
  dialog.setDefaultSuffix(FromCp1250(ext));
  if (!FileName.empty()) {
    const std::filesystem::path path = MapWindowsPath(FileName);
    std::error_code ec;
    if (std::filesystem::is_directory(path.parent_path(), ec))
      dialog.setDirectory(QString::fromStdString(path.parent_path().string()));
    dialog.selectFile(QString::fromStdString(path.filename().string()));
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  FileName = PathToText(std::filesystem::path(dialog.selectedFiles().first().toStdString()));
  return true;
}

}  // namespace prenos
