// Question boxes with Slovenian buttons whose default is the safe answer.
#include "app/journal_dialogs.h"

#include <QMessageBox>
#include <QPushButton>

#include "controls/qt_text.h"
#include "transfer/run_recorder.h"
#include "transfer/run_undo.h"

namespace prenos {

bool AskYesNo(QWidget* parent, const std::string& title, const std::string& text,
              const char* objectName) {
  QMessageBox box(QMessageBox::Question, FromCp1250(title), FromCp1250(text), QMessageBox::NoButton,
                  parent);
  box.setObjectName(objectName);
  QPushButton* yes = box.addButton(QStringLiteral("&Da"), QMessageBox::YesRole);
  QPushButton* no = box.addButton(QStringLiteral("&Ne"), QMessageBox::NoRole);
  yes->setObjectName("Da");
  no->setObjectName("Ne");
  box.setDefaultButton(no);
  box.setEscapeButton(no);
  box.exec();
  return box.clickedButton() == yes;
}

bool AskRebook(QWidget* parent, const TRunRecord& earlier) {
  return AskYesNo(parent, kRebookTitle, RebookQuestion(earlier), "RebookQuestion");
}

bool ConfirmUndo(QWidget* parent, const TRunRecord& run) {
  return AskYesNo(parent, "Razveljavi prenos", UndoQuestion(run), "UndoQuestion");
}

}  // namespace prenos
