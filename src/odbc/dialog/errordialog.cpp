// The ODBC error dialog: message line, OK, and details with the current record's text,
// SQLSTATE and native error, paged with Prev / Next.
#include "odbc/dialog/errordialog.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QShowEvent>

#include "odbc/henv.h"
#include "platform/codepage.h"
#include "platform/component.h"

namespace prenos {
namespace {

constexpr int kClientWidth = 291;

QString Text(const std::string& cp1250) { return QString::fromStdString(Cp1250ToUtf8(cp1250)); }

// The error symbol: a white cross on a red disc.
QPixmap ErrorSymbol() {
  QPixmap pixmap(32, 32);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(200, 0, 0));
  p.drawEllipse(1, 1, 30, 30);
  p.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(10, 10, 22, 22);
  p.drawLine(22, 10, 10, 22);
  return pixmap;
}

void Place(QWidget& w, const char* name, int left, int top, int width, int height) {
  w.setObjectName(name);
  w.setGeometry(left, top, width, height);
}

}  // namespace

TOEErrorDialog::TOEErrorDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
  setObjectName("TOEErrorDialog");
  setWindowTitle("Error");
  setFixedSize(kClientWidth, 244);

  Place(Image1, "Image1", 12, 12, 32, 32);
  Image1.setPixmap(ErrorSymbol());
  Place(Label1, "Label1", 56, 12, 225, 41);
  Label1.setWordWrap(true);
  Label1.setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Place(Button1, "Button1", 108, 56, 75, 25);
  Button1.setText("OK");
  Button1.setDefault(true);
  Place(Button2, "Button2", 212, 56, 75, 25);
  Button2.setText("Details >>");
  Place(Bevel1, "Bevel1", 4, 88, 281, 2);
  Bevel1.setFrameShape(QFrame::HLine);
  Bevel1.setFrameShadow(QFrame::Sunken);
  Place(Memo1, "Memo1", 8, 100, 277, 81);
  Memo1.setReadOnly(true);
  Place(Label2, "Label2", 8, 192, 65, 13);
  Label2.setText("ODBC Error");
  Label2.setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  Place(Edit1, "Edit1", 80, 188, 61, 21);
  Edit1.setReadOnly(true);
  Place(Label3, "Label3", 144, 192, 73, 13);
  Label3.setText("Database Error");
  Label3.setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  Place(Edit2, "Edit2", 224, 188, 61, 21);
  Edit2.setReadOnly(true);
  Place(Button3, "Button3", 108, 216, 75, 25);
  Button3.setText("Prev");
  Place(Button4, "Button4", 212, 216, 75, 25);
  Button4.setText("Next");

  setTabOrder(&Button1, &Button2);
  setTabOrder(&Button2, &Memo1);
  setTabOrder(&Memo1, &Edit1);
  setTabOrder(&Edit1, &Edit2);
  setTabOrder(&Edit2, &Button3);
  setTabOrder(&Button3, &Button4);

  connect(&Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
  connect(&Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
  connect(&Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
  connect(&Button4, &QPushButton::clicked, this, [this] { Button4Click(); });
}

void TOEErrorDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) FormShow();
}

void TOEErrorDialog::FormShow() {
  setWindowTitle("Database Error: " + Text(Application().Title));
  Label1.setText(Text(ErrorText));
  HideDetails();
  if (ErrorObject) ErrorObject->First();
  ShowError();
  Button3.setEnabled(false);
  Button4.setEnabled(true);
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
}

void TOEErrorDialog::ShowError() {
  if (!ErrorObject) return;
  Memo1.setPlainText(Text(ErrorObject->ErrorMsg()));
  Edit1.setText(Text(ErrorObject->SqlState()));
  Edit2.setText(QString::number(ErrorObject->NativeError()));
}

void TOEErrorDialog::HideDetails() {
  setFixedSize(kClientWidth, Bevel1.y() - 2);
  DetailsShown = false;
  Button2.setText("Details >>");
}

void TOEErrorDialog::ShowDetails() {
  setFixedSize(kClientWidth, Button4.y() + Button4.height() + 4);
  DetailsShown = true;
  Button2.setText("Details <<");
}

void TOEErrorDialog::Button1Click() { accept(); }

void TOEErrorDialog::Button2Click() {
  if (DetailsShown)
    HideDetails();
  else
    ShowDetails();
}

void TOEErrorDialog::Button3Click() {
  Button3.setEnabled(true);
  Button4.setEnabled(true);
  if (!ErrorObject) return;
  if (ErrorObject->Prior()) {
    ShowError();
  } else {
    ErrorObject->Next();
    Button3.setEnabled(false);
  }
}

void TOEErrorDialog::Button4Click() {
  Button3.setEnabled(true);
  Button4.setEnabled(true);
  if (!ErrorObject) return;
  if (ErrorObject->Next()) {
    ShowError();
  } else {
    ErrorObject->Prior();
    Button4.setEnabled(false);
  }
}

void InstallErrorDialog() {
  GlobalEnv().Error.ErrorDialog = [](EODBC& error, const std::string& text) {
    TOEErrorDialog dialog;
    dialog.ErrorText = text;
    dialog.ErrorObject = &error;
    dialog.exec();
  };
}

}  // namespace prenos
