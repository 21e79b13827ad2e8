// The main window's controls, their designed layout and its few handlers.
#include "app/main_window.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QTabWidget>

#include "app/datasif.h"
#include "app/date_edit.h"
#include "app/exception_handler.h"
#include "app/history_window.h"
#include "app/journal_dialogs.h"
#include "app/preview_window.h"
#include "controls/lookup_combo.h"
#include "controls/qt_text.h"
#include "localtables/errorlog.h"
#include "platform/prefix.h"
#include "prenos_version.h"
#include "settings/credentials.h"
#include "transfer/import.h"
#include "transfer/journal_observer.h"
#include "transfer/run.h"
#include "transfer/run_journal.h"
#include "transfer/run_resolution.h"
#include "transfer/run_texts.h"

namespace prenos {
namespace {

template <class W>
W* Make(QWidget* parent, const char* name, int left, int top, int width, int height) {
  auto* w = new W(parent);
  w->setObjectName(name);
  w->setGeometry(left, top, width, height);
  return w;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const char* caption, int left, int top,
                  int width, int height) {
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

  OpenDialog.Title = "Izberi datoteko za prenos cenika";
  OpenDialog.DefaultExt = "*.TXT";
  OpenDialog.FileName = kAsciiDefaultFile;

  CreateMenu();
  CreateControls();
  // The designed 345 x 221 is the client area; the menu bar sits above it.
  const int menuHeight = MenuBar->sizeHint().height();
  MenuBar->setGeometry(0, 0, 345, menuHeight);
  ClientArea->setGeometry(0, menuHeight, 345, 221);
  setFixedSize(345, 221 + menuHeight);
  FormCreate();
}

TMain::~TMain() = default;

// Alt+P belongs to the designed "&Poslovni dogodek:", so the menus take Alt+R and Alt+M.
void TMain::CreateMenu() {
  MenuBar = new QMenuBar(this);
  MenuBar->setObjectName("MenuBar");
  mPrenos = MenuBar->addMenu(QStringLiteral("P&renos"));
  mPrenos->setObjectName("mPrenos");
  // "Predogled…" comes first: a look at a file before "Prenos" books it.
  aPredogled = mPrenos->addAction(QStringLiteral("&Predogled…"));
  aPredogled->setObjectName("aPredogled");
  aPredogled->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
  aZgodovina = mPrenos->addAction(QStringLiteral("&Zgodovina prenosov…"));
  aZgodovina->setObjectName("aZgodovina");
  aZgodovina->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
  aTabelaNapak = mPrenos->addAction(QStringLiteral("&Tabela napak…"));
  aTabelaNapak->setObjectName("aTabelaNapak");
  aTabelaNapak->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
  mPrenos->addSeparator();
  aKonec = mPrenos->addAction(QStringLiteral("&Konec"));
  aKonec->setObjectName("aKonec");
  aKonec->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
  mPomoc = MenuBar->addMenu(QStringLiteral("Po&moč"));
  mPomoc->setObjectName("mPomoc");
  aOProgramu = mPomoc->addAction(QStringLiteral("&O programu…"));
  aOProgramu->setObjectName("aOProgramu");
  aOProgramu->setShortcut(QKeySequence(Qt::Key_F1));
  // The shortcuts work from anywhere in the window, the menus closed.
  for (QAction* a : {aPredogled, aZgodovina, aTabelaNapak, aKonec, aOProgramu}) addAction(a);
  connect(aPredogled, &QAction::triggered, this, Guarded([this] { ShowPreview(); }));
  connect(aZgodovina, &QAction::triggered, this, Guarded([this] { ShowHistory(); }));
  connect(aTabelaNapak, &QAction::triggered, this,
          Guarded([this] { ShowErrorTable(std::nullopt); }));
  connect(aKonec, &QAction::triggered, this, Guarded([this] { bKonecClick(); }));
  connect(aOProgramu, &QAction::triggered, this, Guarded([this] { ShowAbout(); }));
}

void TMain::CreateControls() {
  ClientArea = new QWidget(this);
  ClientArea->setObjectName("ClientArea");
  fKreiranjeTemeljnice = Make<QTabWidget>(ClientArea, "fKreiranjeTemeljnice", 8, 8, 321, 105);
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

  ProgressBar = Make<QProgressBar>(ClientArea, "ProgressBar", 8, 128, 321, 16);
  ProgressBar->setRange(0, 100);
  ProgressBar->setValue(0);
  ProgressBar->setTextVisible(false);

  bPrenos = Make<QPushButton>(ClientArea, "bPrenos", 40, 160, 75, 25);
  bPrenos->setText("Prenos");
  bKonec = Make<QPushButton>(ClientArea, "bKonec", 200, 160, 75, 25);
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

// The run journal listens to every run: a file booked before is booked again only after
// "Ponoven prenos" is answered "Da".
void TMain::bPrenosClick() {
  if (!dataSif_) throw Exception("The data module is not created.");
  TJournalObserver journal(Journal(), *this, dataSif_->qQueryFind,
                           [this](const TRunRecord& earlier) { return AskRebook(this, earlier); });
  TRunOptions options;
  options.Observer = &journal;
  RunTransfer(
      *this,
      TLedger{dataSif_->Database, dataSif_->UpdateHstmt, dataSif_->qQueryFind, dataSif_->qQuery0},
      options);
}

void TMain::bKonecClick() { close(); }

void TMain::ShowPreview() {
  if (!dataSif_) throw Exception("The data module is not created.");
  // Every file may be previewed; the warning in the window stands for the rebook question.
  TJournalObserver observer(
      Journal(), *this, dataSif_->qQueryFind, [](const TRunRecord&) { return true; }, true);
  TRunOptions options;
  options.Preview = true;
  options.CollectLines = true;
  options.Observer = &observer;
  TRunSummary summary;
  {
    const QScopedValueRollback quiet(previewing_, true);
    summary = RunTransfer(*this, dataSif_->Ledger(), options);
  }
  if (summary.Outcome != TRunSummary::TOutcome::Preview)
    return;  // cancelled, or its error box was shown
  TPreviewWindow preview(this, summary, observer.Recorder().Earlier());
  if (preview.exec() != QDialog::Accepted) return;
  const QScopedValueRollback again(bookPreviewed_, true);
  bPrenosClick();
}

void TMain::FillPrenos() { prenos::FillPrenos(tbPrenos, TAscii, OpenDialog.FileName); }

std::string TMain::PoslDogText() const { return fPoslDog->Text(); }
std::string TMain::ReferentText() const { return fReferent->Text(); }
std::string TMain::TemeljnicaText() const { return fTemeljnica->Text(); }
std::string TMain::DatumText() const { return fDatum->Text(); }

bool TMain::AttachToExistingJournal() const {
  return fKreiranjeTemeljnice->currentWidget() == fStaraTemeljnica;
}

// "Knjiži" of the preview books the file just previewed without asking for it again.
bool TMain::AskForFile() { return bookPreviewed_ || OpenDialog.Execute(); }

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
  // A preview's summary is the preview window itself.
  if (previewing_) return;
  QMessageBox box(QMessageBox::Information, FromCp1250(title), FromCp1250(text), QMessageBox::Ok,
                  this);
  box.setObjectName("InformationBox");
  box.exec();
}

void TMain::ShowError(const std::string& text) { ShowErrorBox(text); }

TRunJournal& TMain::Journal() {
  if (!journal_) journal_ = std::make_unique<TRunJournal>();
  return *journal_;
}

void TMain::Reconnect() {
  if (!dataSif_) throw Exception("The data module is not created.");
  dataSif_->Database.SetConnected(false);
  dataSif_->Database.SetUserName(SQLUserName);
  dataSif_->Database.SetPassword(SQLPassword);
  dataSif_->Database.SetConnected(true);
}

void TMain::ShowHistory() {
  TRunJournal& journal = Journal();
  // Settling needs the ledger; without it the rows stay "poteka" and the window opens.
  if (!journal.Running().empty() && dataSif_) {
    try {
      Reconnect();
      ResolveInterruptedRuns(journal, dataSif_->qQueryFind);
    } catch (const std::exception& e) {
      LogError(&e, &dataSif_->qQueryFind, "RazresiPrekinjenePrenose");
    }
  }
  THistoryWindow history(
      this, journal, [this](const TRunRecord& run) { return UndoRun(run); },
      [this](const TRunRecord& run) {
        ShowErrorTable(
            TErrorFilter{"prenos " + std::to_string(run.Id) + ", " + DateTimeText(run.Started),
                         run.Started, run.Ended ? run.Ended : Now()});
      });
  history.exec();
}

TUndoResult TMain::UndoRun(const TRunRecord& run) {
  try {
    Reconnect();
  } catch (const std::exception& e) {
    LogError(&e, dataSif_ ? &dataSif_->Database : nullptr, "RazveljaviPrenos");
    return {false,
            "Povezava z bazo ni uspela, ni\xE8"
            "esar ni bilo izbrisano: " +
                std::string(e.what()) +
                "\nPodrobnosti so v tabeli napak (Prenos \xBB Tabela napak)."};
  }
  return prenos::UndoRun(Journal(), run.Id, dataSif_->Database, dataSif_->qQueryFind);
}

void TMain::ShowErrorTable(const std::optional<TErrorFilter>& filter) {
  TErrorWindow errors(this, filter);
  errors.exec();
}

std::string TMain::AboutText() const {
  std::string version = PRENOS_VERSION;
  std::string t =
      "Prenos knji\x9E"
      "b\nRazli\xE8"
      "ica " +
      (version.empty() ? std::string("(razvojna)") : version) +
      "\n\nVir podatkov: " + (dataSif_ ? dataSif_->Database.DataSource() : std::string()) +
      "\nMapa predpone: " + PathToText(PrefixDir()) + "\n\nLokalne tabele:";
  std::filesystem::path errors = MapWindowsPath(kErrorTableName);
  errors += ".db";
  std::filesystem::path staging = AliasDir(kPrenosAlias) / "Prenos.db";
  t += "\n  tabela napak: " + PathToText(errors);
  t += "\n  dnevnik prenosov: " + PathToText(TRunJournal::FilePath());
  t += "\n  uvo\x9E"
       "eni zapisi: " +
       PathToText(staging);
  return t;
}

void TMain::ShowAbout() {
  QMessageBox box(QMessageBox::Information, QStringLiteral("O programu"), FromCp1250(AboutText()),
                  QMessageBox::Ok, this);
  box.setObjectName("AboutBox");
  box.exec();
}

}  // namespace prenos
