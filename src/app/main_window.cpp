// The main window's controls, their designed layout and its few handlers.
#include "app/main_window.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>

#include "app/datasif.h"
#include "app/date_edit.h"
#include "app/exception_handler.h"
#include "controls/lookup_combo.h"
#include "platform/codepage.h"
#include "settings/credentials.h"
#include "transfer/run.h"

namespace prenos {
namespace {

QString FromCp1250(const std::string& text) { return QString::fromStdString(Cp1250ToUtf8(text)); }

template <class W>
W* Make(QWidget* parent, const char* name, int left, int top, int width, int height) {
  auto* w = new W(parent);
  w->setObjectName(name);
  w->setGeometry(left, top, width, height);
  return w;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const char* caption, int left, int top, int width,
                  int height) {
  auto* label = Make<QLabel>(parent, name, left, top, width, height);
  label->setText(QString::fromUtf8(caption));
  label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  // With a wider font than designed the caption grows to the left, its right edge (next
  // to its field) staying where it was designed.
  const int needed = label->sizeHint().width();
  if (needed > width) label->setGeometry(left + width - needed, top, needed, height);
  return label;
}

}  // namespace

TMain::TMain(QWidget* parent)
    : QWidget(parent),
      TComponent(&Application(), "Main"),
      OpenDialog(this),
      ImportTables(this),
      tbPrenos(ImportTables.tbPrenos),
      TAscii(ImportTables.TAscii),
      LookupLists(this),
      tbLookPoslDog(LookupLists.tbLookPoslDog),
      tbLookZaposlen(LookupLists.tbLookZaposlen),
      tbTemeStev(LookupLists.tbTemeStev) {
  setObjectName("Main");
  setWindowTitle(QString::fromUtf8("Prenos knjižb"));
  // A narrow 11-pixel face: the designed 13-pixel labels and 21-pixel fields hold it.
  QFont f(QStringLiteral("DejaVu Sans Condensed"));
  f.setPixelSize(11);
  setFont(f);
  move(200, 108);
  setFixedSize(345, 221);

  OpenDialog.Title = "Izberi datoteko za prenos cenika";
  OpenDialog.DefaultExt = "*.TXT";
  OpenDialog.FileName = kAsciiDefaultFile;

  CreateControls();
  FormCreate();
}

TMain::~TMain() = default;

void TMain::CreateControls() {
  fKreiranjeTemeljnice = Make<QTabWidget>(this, "fKreiranjeTemeljnice", 8, 8, 321, 105);
  fNovaTemeljnica = new QWidget;
  fNovaTemeljnica->setObjectName("fNovaTemeljnica");
  fStaraTemeljnica = new QWidget;
  fStaraTemeljnica->setObjectName("fStaraTemeljnica");
  fKreiranjeTemeljnice->addTab(fNovaTemeljnica, QString::fromUtf8("Kreiranje temeljn."));
  fKreiranjeTemeljnice->addTab(fStaraTemeljnica, QString::fromUtf8("Priključi na obstoječo"));

  Label1 = MakeLabel(fNovaTemeljnica, "Label1", "&Poslovni dogodek:", 8, 10, 88, 13);
  fPoslDog = Make<TwwDBLookupCombo>(fNovaTemeljnica, "fPoslDog", 104, 5, 89, 21);
  Label1->setBuddy(fPoslDog);
  Label3 = MakeLabel(fNovaTemeljnica, "Label3", "Datum:", 63, 36, 34, 13);
  fDatum = Make<TDateEdit>(fNovaTemeljnica, "fDatum", 104, 28, 57, 21);
  Label2 = MakeLabel(fNovaTemeljnica, "Label2", "Referent:", 53, 59, 44, 13);
  fReferent = Make<TwwDBLookupCombo>(fNovaTemeljnica, "fReferent", 104, 51, 89, 21);

  Label10 = MakeLabel(fStaraTemeljnica, "Label10", "Temeljnica:", 43, 30, 54, 13);
  fTemeljnica = Make<TwwDBLookupCombo>(fStaraTemeljnica, "fTemeljnica", 104, 24, 89, 21);

  ProgressBar = Make<QProgressBar>(this, "ProgressBar", 8, 128, 321, 16);
  ProgressBar->setRange(0, 100);
  ProgressBar->setValue(0);
  ProgressBar->setTextVisible(false);

  bPrenos = Make<QPushButton>(this, "bPrenos", 40, 160, 75, 25);
  bPrenos->setText("Prenos");
  bKonec = Make<QPushButton>(this, "bKonec", 200, 160, 75, 25);
  bKonec->setText("Konec");
  connect(bPrenos, &QPushButton::clicked, this, Guarded([this] { bPrenosClick(); }));
  connect(bKonec, &QPushButton::clicked, this, Guarded([this] { bKonecClick(); }));

  LookupLists.SetupSelectors(*fPoslDog, *fReferent, *fTemeljnica);

  // The page control first, its fields in their order, then the buttons.
  QWidget::setTabOrder(fKreiranjeTemeljnice, fPoslDog);
  QWidget::setTabOrder(fPoslDog, fDatum);
  QWidget::setTabOrder(fDatum, fReferent);
  QWidget::setTabOrder(fReferent, fTemeljnica);
  QWidget::setTabOrder(fTemeljnica, bPrenos);
  QWidget::setTabOrder(bPrenos, bKonec);
  // The progress bar never takes the focus, but it has its place last in the order: Qt
  // orders only widgets that can take the focus.
  ProgressBar->setFocusPolicy(Qt::TabFocus);
  QWidget::setTabOrder(bKonec, ProgressBar);
  ProgressBar->setFocusPolicy(Qt::NoFocus);

  fKreiranjeTemeljnice->setCurrentWidget(fNovaTemeljnica);
}

void TMain::FormCreate() { ReadStoredLogin(); }

void TMain::BindDataModule(TDataSif& module) {
  dataSif_ = &module;
  LookupLists.SetDatabase(&module.Database);
}

// The stored login goes into SQLUserName and SQLPassword; a login that cannot be read is
// recorded in the error log and the window opens all the same.
void TMain::ReadStoredLogin() { GetUserNameAndPassword(SQLUserName, SQLPassword); }

void TMain::bPrenosClick() {
  if (!dataSif_) throw Exception("The data module is not created.");
  RunTransfer(*this, TLedger{dataSif_->Database, dataSif_->UpdateHstmt, dataSif_->qQueryFind, dataSif_->qQuery0});
}

void TMain::bKonecClick() { close(); }

void TMain::FillPrenos() { prenos::FillPrenos(tbPrenos, TAscii, OpenDialog.FileName); }

std::string TMain::PoslDogText() const { return fPoslDog->Text(); }
std::string TMain::ReferentText() const { return fReferent->Text(); }
std::string TMain::TemeljnicaText() const { return fTemeljnica->Text(); }
std::string TMain::DatumText() const { return fDatum->Text(); }

bool TMain::AttachToExistingJournal() const {
  return fKreiranjeTemeljnice->currentWidget() == fStaraTemeljnica;
}

bool TMain::AskForFile() { return OpenDialog.Execute(); }

void TMain::SetProgress(int position) { ProgressBar->setValue(position); }

void TMain::SetWaitCursor(bool wait) {
  if (wait == waitCursor_) return;
  waitCursor_ = wait;
  if (wait)
    QApplication::setOverrideCursor(Qt::WaitCursor);
  else
    QApplication::restoreOverrideCursor();
}

void TMain::ShowInformation(const std::string& title, const std::string& text) {
  QMessageBox box(QMessageBox::Information, FromCp1250(title), FromCp1250(text), QMessageBox::Ok, this);
  box.setObjectName("InformationBox");
  box.exec();
}

void TMain::ShowError(const std::string& text) { ShowErrorBox(text); }

}  // namespace prenos
