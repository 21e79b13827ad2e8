// "Tabela napak": the error table for people, newest first, the whole record of the
// selected row, the records of one run when opened from the history, and a copy button.
#pragma once

#include <QDialog>
#include <optional>
#include <vector>

#include "localtables/errorlog_read.h"

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

namespace prenos {

// A run's time span: only the error records written while it went on are shown.
struct TErrorFilter {
  std::string Caption;  // "prenos 12, 03.12.2026 10:15" (Windows-1250)
  TDateTime From = 0, To = 0;
};

class TErrorWindow : public QDialog {
  Q_OBJECT
 public:
  explicit TErrorWindow(QWidget* parent = nullptr,
                        std::optional<TErrorFilter> filter = std::nullopt);

  // Reads the table again and fills the list.
  void Reload();
  // The records listed, in their order.
  const std::vector<TErrorRecord>& Shown() const { return shown_; }
  // The selected record as the copy button copies it.
  QString SelectedText() const;

  QTableWidget* List;
  QPlainTextEdit* Details;
  QCheckBox* OnlyRun;  // shown only with a filter
  QPushButton* bKopiraj;
  QPushButton* bZapri;

 private:
  void Fill();
  void ShowSelected();

  std::optional<TErrorFilter> filter_;
  std::vector<TErrorRecord> all_, shown_;
};

}  // namespace prenos
