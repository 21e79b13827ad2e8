// The README's picture of the history window with a few runs of a working day, drawn
// offscreen into a fresh prefix: history_screenshot OUTPUT.png
#include <QApplication>
#include <QPixmap>
#include <QTableWidget>
#include <QTemporaryDir>
#include <cstdio>

#include "app/history_window.h"
#include "platform/convert.h"
#include "transfer/run_journal.h"

using namespace prenos;

int main(int argc, char* argv[]) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: history_screenshot OUTPUT.png\n");
    return 2;
  }
  QTemporaryDir prefix;
  qputenv("STELVAR_PREFIX", prefix.path().toUtf8());
  // An office in Slovenia: decimal comma, thousands with a full stop.
  SetFormatSettings(FormatSettings{',', '.', '.', FormatSettings::DateOrder::DMY});
  TRunJournal journal;
  const TDateTime day = EncodeDate(2026, 12, 3);
  struct Run {
    int hour, minute;
    const char* file;
    const char* key;
    int lines;
    int64_t amount;
    TRunState state;
    const char* failure;
  };
  const Run runs[] = {
      {8, 12, "c:\\prenosi\\izdani_racuni_1201.txt", "26KA00003", 38, 507963400, TRunState::Undone,
       ""},
      {8, 20, "c:\\prenosi\\izdani_racuni_1201.txt", "26KA00004", 38, 507963400, TRunState::Booked,
       ""},
      {9, 5, "c:\\prenosi\\izdani_racuni_1201.txt", "", 0, 0, TRunState::Cancelled,
       "Datoteka je bila \x9E"
       "e knji\x9E"
       "ena (prenos 2); ponoven prenos ni bil potrjen."},
      {10, 41, "c:\\prenosi\\prejeti_racuni_1202.txt", "", 0, 0, TRunState::Failed,
       "could not connect to server: Connection refused"},
      {10, 47, "c:\\prenosi\\prejeti_racuni_1202.txt", "26KA00005", 24, 184250000,
       TRunState::Booked, ""},
      {11, 30, "c:\\prenosi\\blagajna_dec.txt", "26KA00002", 6, 12780000, TRunState::Booked, ""},
  };
  for (const Run& r : runs) {
    TRunRecord rec;
    rec.Started = day + EncodeTime(r.hour, r.minute, 0, 0);
    rec.Ended = rec.Started + 20.0 / 86400;
    rec.FileName = r.file;
    rec.FileSize = 2250 * (r.lines ? r.lines / 2 : 19);
    rec.Sha256 = "9f2c5e1a7b0d4c3e8f6a2b1c0d9e8f7a6b5c4d3e2f1a0b9c8d7e6f5a4b3c2d1e";
    rec.Records = r.lines / 2;
    rec.PoslDog = "KA";
    rec.Date = EncodeDate(2026, 11, 30);
    rec.Referent = "07";
    rec.Journal = r.key;
    rec.CreatedHeader = std::string(r.key) != "26KA00002";
    rec.AttachedToExisting = !rec.CreatedHeader;
    rec.FirstPoz = r.lines ? (rec.CreatedHeader ? 1 : 13) : 0;
    rec.LastPoz = r.lines ? rec.FirstPoz + r.lines - 1 : 0;
    rec.Lines = r.lines;
    rec.Debit = rec.Credit = TCurrency{r.amount};
    if (r.lines) rec.NewSubjects = {"P0417", "P0522"};
    rec.State = r.state;
    rec.Failure = r.failure;
    if (r.state == TRunState::Failed) rec.FailedStep = "Povezava z bazo";
    if (r.state == TRunState::Undone) rec.UndoneAt = day + EncodeTime(8, 18, 0, 0);
    rec.User = "ana";
    journal.Insert(rec);
  }
  THistoryWindow window(nullptr, journal, {}, {});
  window.resize(820, 470);
  window.show();
  window.Select(5);  // the second booked run of the day
  QApplication::processEvents();
  const QString out = QString::fromLocal8Bit(argv[1]);
  const bool saved = window.grab().save(out);
  std::printf("%s %s\n", saved ? "wrote" : "could not write", argv[1]);
  return saved ? 0 : 1;
}
