// "Zgodovina prenosov": the run journal's runs newest first, the details of the selected
// run (what it added, its failure, its error records), and its undo.
#pragma once

#include <QDialog>
#include <functional>
#include <vector>

#include "transfer/run_journal.h"
#include "transfer/run_undo.h"

class QPlainTextEdit;
class QPushButton;
class QTableWidget;

namespace prenos {

class THistoryWindow : public QDialog {
  Q_OBJECT
 public:
  // Undoes a run on the ledger (the window asks for confirmation first and reports the
  // result); opens the error table filtered to a run.
  using TUndo = std::function<TUndoResult(const TRunRecord& run)>;
  using TShowErrors = std::function<void(const TRunRecord& run)>;

  THistoryWindow(QWidget* parent, TRunJournal& journal, TUndo undo, TShowErrors showErrors);

  // Reads the journal again and fills the list.
  void Reload();
  const std::vector<TRunRecord>& Runs() const { return runs_; }
  // Selects the row of run id; false when it is not listed.
  bool Select(int64_t id);
  // "Razveljavi" on the selected run.
  void UndoSelected();

  QTableWidget* List;
  QPlainTextEdit* Details;
  QPushButton* bRazveljavi;
  QPushButton* bNapake;
  QPushButton* bZapri;

 private:
  const TRunRecord* Selected() const;
  void ShowSelected();

  TRunJournal& journal_;
  TUndo undo_;
  TShowErrors showErrors_;
  std::vector<TRunRecord> runs_;
};

// The details of a run as the history shows them, with the error records written while
// it went on (Windows-1250).
std::string RunDetailsText(const TRunRecord& run);

}  // namespace prenos
