// The error table's window: a list, the selected record whole, filter and copy.
#include "app/error_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/exception_handler.h"
#include "app/record_list.h"
#include "controls/qt_text.h"
#include "transfer/run_texts.h"

namespace prenos {

TErrorWindow::TErrorWindow(QWidget* parent, std::optional<TErrorFilter> filter)
    : QDialog(parent), filter_(std::move(filter)) {
  setObjectName("ErrorWindow");
  setWindowTitle(QStringLiteral("Tabela napak"));
  resize(720, 440);

  const TRecordList records = MakeRecordList(
      this, {QStringLiteral("Čas"), QStringLiteral("Operacija"), QStringLiteral("Napaka")});
  List = records.List;
  Details = records.Details;

  OnlyRun = new QCheckBox(this);
  OnlyRun->setObjectName("OnlyRun");
  OnlyRun->setVisible(filter_.has_value());
  if (filter_) {
    OnlyRun->setText(QStringLiteral("&Samo napake: ") + FromCp1250(filter_->Caption));
    OnlyRun->setChecked(true);
  }
  bKopiraj = new QPushButton(QStringLiteral("&Kopiraj"), this);
  bKopiraj->setObjectName("bKopiraj");
  bZapri = new QPushButton(QStringLiteral("&Zapri"), this);
  bZapri->setObjectName("bZapri");

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(OnlyRun);
  buttons->addStretch();
  buttons->addWidget(bKopiraj);
  buttons->addWidget(bZapri);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(records.Splitter);
  layout->addLayout(buttons);

  connect(List, &QTableWidget::itemSelectionChanged, this, Guarded([this] { ShowSelected(); }));
  connect(OnlyRun, &QCheckBox::toggled, this, Guarded([this] { Fill(); }));
  connect(bKopiraj, &QPushButton::clicked, this,
          Guarded([this] { QApplication::clipboard()->setText(SelectedText()); }));
  connect(bZapri, &QPushButton::clicked, this, &QDialog::accept);
  Reload();
}

void TErrorWindow::Reload() {
  all_ = ReadErrorRecords();
  Fill();
}

void TErrorWindow::Fill() {
  shown_ =
      filter_ && OnlyRun->isChecked() ? RecordsBetween(all_, filter_->From, filter_->To) : all_;
  List->setRowCount(static_cast<int>(shown_.size()));
  for (int i = 0; i < List->rowCount(); ++i) {
    const TErrorRecord& r = shown_[static_cast<size_t>(i)];
    List->setItem(i, 0, new QTableWidgetItem(FromCp1250(DateTimeText(r.Cas))));
    List->setItem(i, 1, new QTableWidgetItem(FromCp1250(r.Operation)));
    List->setItem(i, 2, new QTableWidgetItem(FromCp1250(FirstLineOf(r.Error))));
  }
  List->resizeColumnToContents(0);
  List->setColumnWidth(1, 200);
  bKopiraj->setEnabled(!shown_.empty());
  if (!shown_.empty()) List->selectRow(0);
  ShowSelected();
}

QString TErrorWindow::SelectedText() const {
  const int row = List->currentRow();
  if (row < 0 || row >= static_cast<int>(shown_.size())) return {};
  const TErrorRecord& r = shown_[static_cast<size_t>(row)];
  return FromCp1250(
      "\xC8"
      "as: " +
      DateTimeText(r.Cas) + "\n" + ErrorRecordText(r));
}

void TErrorWindow::ShowSelected() {
  Details->setPlainText(shown_.empty() ? QStringLiteral("V tabeli napak ni zapisov.")
                                       : SelectedText());
}

}  // namespace prenos
