// The history window: list, details and the undo of a booked run.
#include "app/history_window.h"

#include <QHBoxLayout>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/exception_handler.h"
#include "app/journal_dialogs.h"
#include "app/record_list.h"
#include "controls/qt_text.h"
#include "localtables/errorlog_read.h"
#include "transfer/run_texts.h"

namespace prenos {
namespace {

std::string BaseName(const std::string& path) {
  const size_t cut = path.find_last_of("\\/");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

QTableWidgetItem* Number(const std::string& text) {
  auto* item = new QTableWidgetItem(FromCp1250(text));
  item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
  return item;
}

}  // namespace

std::string RunDetailsText(const TRunRecord& r) {
  std::string t = "Prenos " + std::to_string(r.Id) + ": " + RunStateText(r.State) + "\n";
  t += "Za\xE8"
       "etek: " +
       DateTimeText(r.Started) + (r.Ended ? ", konec: " + DateTimeText(r.Ended) : "") + "\n";
  t += "Datoteka: " + r.FileName + " (" + std::to_string(r.FileSize) + " bajtov)\n";
  t += "SHA-256: " + r.Sha256 + "\n";
  t += "Zapisov: " + std::to_string(r.Records) + "\n";
  t += std::string(r.AttachedToExisting ? "Priklju\xE8"
                                          "eno na obstoje\xE8"
                                          "o temeljnico"
                                        : "Nova temeljnica") +
       ", poslovni dogodek " + r.PoslDog + ", datum " + (r.Date ? DateText(r.Date) : "") +
       ", referent " + r.Referent + "\n";
  if (!r.Journal.empty()) {
    t += "Temeljnica: " + r.Journal + (r.CreatedHeader ? " (glavo je ustvaril ta prenos)" : "") +
         "\n";
    t += "Pozicije: " + std::to_string(r.FirstPoz) + "\x96" + std::to_string(r.LastPoz) +
         ", vrstic " + std::to_string(r.Lines) + ", breme " + AmountText(r.Debit) + ", dobro " +
         AmountText(r.Credit) + "\n";
  }
  if (!r.NewSubjects.empty()) {
    t += "Dodani subjekti (" + std::to_string(r.NewSubjects.size()) + "):";
    for (const std::string& s : r.NewSubjects) t += " " + s;
    t += "\n";
  }
  if (!r.FailedStep.empty()) t += "Korak: " + r.FailedStep + "\n";
  if (!r.Failure.empty()) t += "Napaka: " + r.Failure + "\n";
  if (r.UndoneAt) t += "Razveljavljeno: " + DateTimeText(r.UndoneAt) + "\n";
  t += "Uporabnik: " + r.User + "\n";
  std::vector<TErrorRecord> errors;
  try {
    errors = RecordsBetween(ReadErrorRecords(), r.Started, r.Ended ? r.Ended : Now());
  } catch (const std::exception& e) {
    t += "Tabele napak ni mogo\xE8"
         "e prebrati: " +
         std::string(e.what()) + "\n";
  }
  if (!errors.empty()) {
    t += "\nZapisi v tabeli napak (" + std::to_string(errors.size()) + "):\n";
    for (const TErrorRecord& e : errors)
      t += DateTimeText(e.Cas) + "  " + e.Operation + ": " + FirstLineOf(e.Error) + "\n";
  }
  return t;
}

THistoryWindow::THistoryWindow(QWidget* parent, TRunJournal& journal, TUndo undo,
                               TShowErrors showErrors)
    : QDialog(parent),
      journal_(journal),
      undo_(std::move(undo)),
      showErrors_(std::move(showErrors)) {
  setObjectName("HistoryWindow");
  setWindowTitle(QStringLiteral("Zgodovina prenosov"));
  resize(780, 460);

  const TRecordList records = MakeRecordList(
      this, {QStringLiteral("Čas"), QStringLiteral("Datoteka"), QStringLiteral("Temeljnica"),
             QStringLiteral("Vrstic"), QStringLiteral("Breme"), QStringLiteral("Dobro"),
             QStringLiteral("Izid"), QStringLiteral("Uporabnik")});
  List = records.List;
  Details = records.Details;

  bRazveljavi = new QPushButton(QStringLiteral("&Razveljavi"), this);
  bRazveljavi->setObjectName("bRazveljavi");
  bNapake = new QPushButton(QStringLiteral("&Napake prenosa…"), this);
  bNapake->setObjectName("bNapake");
  bZapri = new QPushButton(QStringLiteral("&Zapri"), this);
  bZapri->setObjectName("bZapri");
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(bRazveljavi);
  buttons->addWidget(bNapake);
  buttons->addStretch();
  buttons->addWidget(bZapri);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(records.Splitter);
  layout->addLayout(buttons);

  connect(List, &QTableWidget::itemSelectionChanged, this, Guarded([this] { ShowSelected(); }));
  connect(bRazveljavi, &QPushButton::clicked, this, Guarded([this] { UndoSelected(); }));
  connect(bNapake, &QPushButton::clicked, this, Guarded([this] {
            if (const TRunRecord* r = Selected(); r && showErrors_) showErrors_(*r);
          }));
  connect(bZapri, &QPushButton::clicked, this, &QDialog::accept);
  Reload();
}

void THistoryWindow::Reload() {
  const int64_t keep = Selected() ? Selected()->Id : 0;
  runs_ = journal_.List();
  List->setRowCount(static_cast<int>(runs_.size()));
  for (int i = 0; i < List->rowCount(); ++i) {
    const TRunRecord& r = runs_[static_cast<size_t>(i)];
    const bool lines = !r.Journal.empty() && r.Lines > 0;
    List->setItem(i, 0, new QTableWidgetItem(FromCp1250(DateTimeText(r.Started))));
    List->setItem(i, 1, new QTableWidgetItem(FromCp1250(BaseName(r.FileName))));
    List->setItem(i, 2, new QTableWidgetItem(FromCp1250(r.Journal)));
    List->setItem(i, 3, Number(lines ? std::to_string(r.Lines) : ""));
    List->setItem(i, 4, Number(lines ? AmountText(r.Debit) : ""));
    List->setItem(i, 5, Number(lines ? AmountText(r.Credit) : ""));
    List->setItem(i, 6, new QTableWidgetItem(FromCp1250(RunStateText(r.State))));
    List->setItem(i, 7, new QTableWidgetItem(FromCp1250(r.User)));
    List->item(i, 0)->setToolTip(FromCp1250(r.FileName));
  }
  List->resizeColumnsToContents();
  if (!(keep && Select(keep)) && !runs_.empty()) List->selectRow(0);
  ShowSelected();
}

bool THistoryWindow::Select(int64_t id) {
  for (size_t i = 0; i < runs_.size(); ++i)
    if (runs_[i].Id == id) {
      List->selectRow(static_cast<int>(i));
      return true;
    }
  return false;
}

const TRunRecord* THistoryWindow::Selected() const {
  const int row = List->currentRow();
  return row >= 0 && row < static_cast<int>(runs_.size()) ? &runs_[static_cast<size_t>(row)]
                                                          : nullptr;
}

void THistoryWindow::ShowSelected() {
  const TRunRecord* r = Selected();
  Details->setPlainText(r ? FromCp1250(RunDetailsText(*r))
                          : QStringLiteral("V dnevniku prenosov ni prenosov."));
  bRazveljavi->setEnabled(r && r->State == TRunState::Booked && r->Lines > 0);
  bNapake->setEnabled(r != nullptr);
}

void THistoryWindow::UndoSelected() {
  const TRunRecord* r = Selected();
  if (!r || r->State != TRunState::Booked || !undo_) return;
  const TRunRecord run = *r;
  if (!ConfirmUndo(this, run)) return;
  const TUndoResult result = undo_(run);
  Reload();
  QMessageBox box(result.Done ? QMessageBox::Information : QMessageBox::Warning,
                  QStringLiteral("Razveljavi prenos"),
                  result.Done
                      ? FromCp1250("Prenos je razveljavljen: iz temeljnice " + run.Journal +
                                   " je izbrisanih " + std::to_string(run.Lines) + " vrstic.")
                      : FromCp1250(result.Reason),
                  QMessageBox::Ok, this);
  box.setObjectName("UndoResult");
  box.exec();
}

}  // namespace prenos
