// "Predogled": what a file would book, from a run rolled back at its end: the lines with
// their totals, the journal key, the subjects it would add, the records it skips and a
// warning when the file was booked before; "Knjiži" books the file for real.
#pragma once

#include <QDialog>
#include <optional>

#include "transfer/run_journal.h"
#include "transfer/run_summary.h"

class QLabel;
class QPushButton;
class QTableWidget;

namespace prenos {

class TPreviewWindow : public QDialog {
  Q_OBJECT
 public:
  // summary: a preview run's, with its lines collected; earlier: the booked run of the
  // same file, when there is one. Accepted when "Knjiži" was pressed.
  TPreviewWindow(QWidget* parent, const TRunSummary& summary,
                 const std::optional<TRunRecord>& earlier);

  QLabel* Journal;
  QLabel* Warning;  // hidden unless the file was booked before
  QTableWidget* Lines;
  QLabel* Totals;
  QLabel* Subjects;
  QLabel* Skipped;
  QPushButton* bKnjizi;
  QPushButton* bZapri;
};

}  // namespace prenos
