// The preview window's layout and contents.
#include "app/preview_window.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "controls/qt_text.h"
#include "transfer/run_texts.h"

namespace prenos {
namespace {

QTableWidgetItem* Item(const std::string& cp1250, bool number = false) {
  auto* item = new QTableWidgetItem(FromCp1250(cp1250));
  item->setFlags(item->flags() & ~Qt::ItemIsEditable);
  if (number) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
  return item;
}

QString JournalText(const TRunSummary& s) {
  if (s.Lines == 0)
    return QStringLiteral("Datoteka ne da nobene postavke: ni\u010D ne bi bilo knji\u017Eeno.");
  const QString key = FromCp1250(s.Journal);
  return (s.CreatedHeader ? QStringLiteral("Nova temeljnica ") + key
                          : QStringLiteral("Obstoje\u010Da temeljnica ") + key) +
         QStringLiteral(", postavke od %1 do %2 (%3)").arg(s.FirstPoz).arg(s.LastPoz).arg(s.Lines);
}

}  // namespace

TPreviewWindow::TPreviewWindow(QWidget* parent, const TRunSummary& s,
                               const std::optional<TRunRecord>& earlier)
    : QDialog(parent) {
  setObjectName("PreviewWindow");
  setWindowTitle(QStringLiteral("Predogled prenosa: ") + FromCp1250(s.FileName));
  resize(900, 480);

  Warning = new QLabel(this);
  Warning->setObjectName("Warning");
  Warning->setWordWrap(true);
  Warning->setStyleSheet("color: #a00000; font-weight: bold");
  if (earlier)
    Warning->setText(
        QStringLiteral(
            "Ta datoteka je \u017Ee bila knji\u017Eena %1 v temeljnico %2 (%3 vrstic, prenos %4).")
            .arg(FromCp1250(DateTimeText(earlier->Started)), FromCp1250(earlier->Journal))
            .arg(earlier->Lines)
            .arg(earlier->Id));
  Warning->setVisible(earlier.has_value());

  Journal = new QLabel(JournalText(s), this);
  Journal->setObjectName("Journal");

  const QStringList headers{QStringLiteral("Poz."),
                            QStringLiteral("Konto"),
                            QStringLiteral("Protikonto"),
                            QStringLiteral("Partner"),
                            QStringLiteral("Stro\u0161kovno mesto"),
                            QStringLiteral("Dokument"),
                            QStringLiteral("Datum dok."),
                            QStringLiteral("Datum val."),
                            QStringLiteral("Opis"),
                            QStringLiteral("Debet"),
                            QStringLiteral("Kredit")};
  Lines =
      new QTableWidget(static_cast<int>(s.Posted.size()), static_cast<int>(headers.size()), this);
  Lines->setObjectName("Lines");
  Lines->setHorizontalHeaderLabels(headers);
  Lines->verticalHeader()->hide();
  Lines->setSelectionBehavior(QAbstractItemView::SelectRows);
  for (int row = 0; row < static_cast<int>(s.Posted.size()); ++row) {
    const TPostedLine& l = s.Posted[static_cast<size_t>(row)];
    const std::string cells[] = {std::to_string(l.Poz),
                                 l.Konto,
                                 l.ProtiKonto,
                                 l.Subjekt,
                                 l.Oddelek,
                                 l.Dokument,
                                 l.DatumDok ? DateText(l.DatumDok) : "",
                                 l.DatumVal ? DateText(l.DatumVal) : "",
                                 l.Opomba,
                                 AmountText(l.Debet),
                                 AmountText(l.Kredit)};
    for (int col = 0; col < static_cast<int>(std::size(cells)); ++col)
      Lines->setItem(row, col, Item(cells[col], col == 0 || col >= 9));
  }
  Lines->resizeColumnsToContents();

  Totals = new QLabel(QStringLiteral("Skupaj: debet %1, kredit %2")
                          .arg(FromCp1250(AmountText(s.Debit)), FromCp1250(AmountText(s.Credit))),
                      this);
  Totals->setObjectName("Totals");
  if (s.Debit.Value != s.Credit.Value)
    Totals->setText(Totals->text() + QStringLiteral(" \u2013 debet in kredit se ne ujemata"));

  QString subjects = QStringLiteral("Novi subjekti: ");
  if (s.NewSubjects.empty()) subjects += QStringLiteral("ni jih");
  for (size_t i = 0; i < s.NewSubjects.size(); ++i)
    subjects += (i ? ", " : "") + FromCp1250(s.NewSubjects[i]);
  Subjects = new QLabel(subjects, this);
  Subjects->setObjectName("Subjects");
  Subjects->setWordWrap(true);
  Skipped = new QLabel(QStringLiteral("Presko\u010Deni zapisi (znesek 0 ali brez konta): %1 od %2")
                           .arg(s.Skipped)
                           .arg(static_cast<qlonglong>(s.Records)),
                       this);
  Skipped->setObjectName("Skipped");

  bKnjizi = new QPushButton(QStringLiteral("&Knji\u017Ei"), this);
  bKnjizi->setObjectName("bKnjizi");
  bZapri = new QPushButton(QStringLiteral("&Zapri"), this);
  bZapri->setObjectName("bZapri");
  bZapri->setDefault(true);
  bKnjizi->setEnabled(s.Lines > 0);
  connect(bKnjizi, &QPushButton::clicked, this, &QDialog::accept);
  connect(bZapri, &QPushButton::clicked, this, &QDialog::reject);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(bKnjizi);
  buttons->addWidget(bZapri);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Warning);
  layout->addWidget(Journal);
  layout->addWidget(Lines, 1);
  layout->addWidget(Totals);
  layout->addWidget(Subjects);
  layout->addWidget(Skipped);
  layout->addLayout(buttons);
}

}  // namespace prenos
