// The dialog that pages through the diagnostic records of one EODBC, and the call that
// makes it the layer's error dialog.
#pragma once

#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <string>

#include "odbc/odbcerror.h"

namespace prenos {

class TOEErrorDialog : public QDialog {
  Q_OBJECT

 public:
  explicit TOEErrorDialog(QWidget* parent = nullptr);

  // The controls are children of the dialog, held by value.
  QLabel Image1{this};
  QLabel Label1{this};
  QPushButton Button1{this};
  QPushButton Button2{this};
  QFrame Bevel1{this};
  QPlainTextEdit Memo1{this};
  QLabel Label2{this};
  QLineEdit Edit1{this};
  QLabel Label3{this};
  QLineEdit Edit2{this};
  QPushButton Button3{this};
  QPushButton Button4{this};

  bool DetailsShown = false;
  std::string ErrorText;         // the message line (Windows-1250)
  EODBC* ErrorObject = nullptr;  // the exception shown; not owned

  void FormShow();
  void Button1Click();
  void Button2Click();
  void Button3Click();
  void Button4Click();
  void ShowError();
  void ShowDetails();
  void HideDetails();

 protected:
  void showEvent(QShowEvent* event) override;
};

// Makes EODBC::ShowDialog show TOEErrorDialog modally (call once at program start).
void InstallErrorDialog();

}  // namespace prenos
