// The main window TMain: two tabs (a new journal, or attach to an existing one), the
// business event, date and clerk, the journal, the progress bar and the two buttons.
// It owns the local tables of the import and gives a run what it reads and sets.
#pragma once

#include <QWidget>
#include <memory>
#include <optional>
#include <string>

#include "app/error_window.h"
#include "app/lookup_lists.h"
#include "app/open_dialog.h"
#include "platform/component.h"
#include "transfer/import.h"
#include "transfer/run_undo.h"
#include "transfer/run_view.h"

class QAction;
class QLabel;
class QMenu;
class QMenuBar;
class QProgressBar;
class QPushButton;
class QTabWidget;

namespace prenos {

class TDataSif;
class TDateEdit;
class TwwDBLookupCombo;

class TMain : public QWidget, public TComponent, public TRunView {
  Q_OBJECT
 public:
  explicit TMain(QWidget* parent = nullptr);
  ~TMain() override;
  const char* ClassName() const override { return "TMain"; }

  // The menu bar above the designed client area, and its menus and commands.
  QMenuBar* MenuBar;
  QMenu* mPrenos;
  QMenu* mPomoc;
  QAction* aPredogled;
  QAction* aZgodovina;
  QAction* aTabelaNapak;
  QAction* aKonec;
  QAction* aOProgramu;
  // The designed window's area: the controls below keep their designed positions in it.
  QWidget* ClientArea;

  // Controls, named as their object names; the window owns them.
  QTabWidget* fKreiranjeTemeljnice;
  QWidget* fNovaTemeljnica;
  QLabel* Label1;
  TwwDBLookupCombo* fPoslDog;
  QLabel* Label3;
  TDateEdit* fDatum;
  QLabel* Label2;
  TwwDBLookupCombo* fReferent;
  QWidget* fStaraTemeljnica;
  QLabel* Label10;
  TwwDBLookupCombo* fTemeljnica;
  QProgressBar* ProgressBar;
  QPushButton* bPrenos;
  QPushButton* bKonec;

  // Non-visual components.
  TOpenDialog OpenDialog;
  TImportTables ImportTables;
  TTable& tbPrenos;
  TTable& TAscii;
  // The selectors' lookup lists (business events, clerks, journals).
  TLookupLists LookupLists;
  TwwOEDataSet& tbLookPoslDog;
  TwwOEDataSet& tbLookZaposlen;
  TwwOEDataSet& tbTemeStev;

  // Runs while the window is created.
  void FormCreate();
  // The data module, created after the window: bound here once it exists, with the
  // lookup lists' connection.
  void BindDataModule(TDataSif& module);
  // "Prenos": the transfer run of the chosen file into the ledger (transfer/run.h).
  void bPrenosClick();
  // "Konec": closes the window, which ends the program.
  void bKonecClick();
  // Imports the dialog's file into tbPrenos through TAscii.
  void FillPrenos() override;

  // "Predogled…": the window's run of a chosen file rolled back at its end, shown in the
  // preview window; its "Knjiži" then books that file as "Prenos" does.
  void ShowPreview();
  // "Zgodovina prenosov…": the run journal's window (runs left running by a program that
  // ended are settled against the ledger first, when it can be reached).
  void ShowHistory();
  // "Tabela napak…": the error table, all of it or the records of one run.
  void ShowErrorTable(const std::optional<TErrorFilter>& filter);
  // "O programu…".
  void ShowAbout();
  std::string AboutText() const;
  // Undoes a booked run on a fresh connection with the stored login.
  TUndoResult UndoRun(const TRunRecord& run);
  // The run journal, opened on first use.
  TRunJournal& Journal();

  // TRunView
  std::string PoslDogText() const override;
  std::string ReferentText() const override;
  std::string TemeljnicaText() const override;
  std::string DatumText() const override;
  bool AttachToExistingJournal() const override;
  bool AskForFile() override;
  std::string FileName() const override { return OpenDialog.FileName; }
  void SetProgress(int position) override;
  void SetWaitCursor(bool wait) override;
  void ShowInformation(const std::string& title, const std::string& text) override;
  void ShowError(const std::string& text) override;
  TTable& StagingTable() override { return tbPrenos; }

 private:
  void CreateMenu();
  void CreateControls();
  void ReadStoredLogin();
  void Reconnect();

  bool waitCursor_ = false;
  bool previewing_ = false;
  bool bookPreviewed_ = false;
  TDataSif* dataSif_ = nullptr;
  std::unique_ptr<TRunJournal> journal_;
};

}  // namespace prenos
