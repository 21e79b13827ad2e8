// The undo of a booked run, checked and deleted inside one ledger transaction.
#include "transfer/run_undo.h"

#include <exception>

#include "localtables/errorlog.h"
#include "sqlsupport/literals.h"
#include "sqlsupport/transaction.h"
#include "transfer/booked_lines.h"
#include "transfer/run_texts.h"

namespace prenos {
namespace {

std::string FirstLine(const std::string& text) {
  return text.substr(0, text.find_first_of("\r\n"));
}

std::string Positions(const TRunRecord& run) {
  return "pozicije " + std::to_string(run.FirstPoz) + "\x96" + std::to_string(run.LastPoz);
}

std::string NotBooked(const TRunRecord& run) {
  switch (run.State) {
    case TRunState::Undone:
      return "Prenos je bil razveljavljen \x9E"
             "e " +
             DateTimeText(run.UndoneAt) + ".";
    case TRunState::Running:
      return "Prenos \x9A"
             "e poteka.";
    default:
      return "Prenos ni bil knji\x9E"
             "en (" +
             RunStateText(run.State) +
             "): ni\xE8"
             "esar ni za razveljaviti.";
  }
}

void Execute(THstmt& statement, std::string sql) {
  statement.Close();
  statement.SetSQL(std::move(sql));
  statement.Execute();
}

}  // namespace

std::string UndoQuestion(const TRunRecord& run) {
  std::string text = "Razveljavim prenos datoteke " + run.FileName + " z dne " +
                     DateTimeText(run.Started) + "?\n\nIz temeljnice " + run.Journal +
                     " bo izbrisanih " + std::to_string(run.Lines) + " vrstic (" + Positions(run) +
                     "), breme " + AmountText(run.Debit) + ", dobro " + AmountText(run.Credit) +
                     ".";
  if (run.CreatedHeader)
    text +=
        "\nGlava temeljnice bo izbrisana, \xE8"
        "e v njej ne ostane nobena vrstica.";
  if (!run.NewSubjects.empty())
    text += "\nSubjekti, ki jih je prenos dodal (" + std::to_string(run.NewSubjects.size()) +
            "), ostanejo v knjigi, ker jih lahko uporabljajo \x9A"
            "e druge tabele.";
  return text;
}

TUndoResult UndoRun(TRunJournal& journal, int64_t id, THdbc& connection, THstmt& statement) {
  const std::optional<TRunRecord> found = journal.Find(id);
  if (!found) return {false, "Prenosa " + std::to_string(id) + " ni v dnevniku prenosov."};
  TRunRecord run = *found;
  if (run.State != TRunState::Booked) return {false, NotBooked(run)};
  if (run.Lines == 0 || run.Journal.empty())
    return {false,
            "Prenos ni zapisal nobene vrstice: ni\xE8"
            "esar ni za razveljaviti."};

  const std::string key = "'" + QuoteSQL(run.Journal) + "'";
  try {
    TTransaction transaction(connection);
    const TBookedLines booked{run.Lines, run.Debit, run.Credit};
    const TBookedLines now = LinesInLedger(statement, run.Journal, run.FirstPoz, run.LastPoz);
    if (!(now == booked))
      return {false, "Vrstice temeljnice " + run.Journal + " (" + Positions(run) +
                         ") so se od prenosa spremenile: prenos je zapisal " +
                         std::to_string(booked.Count) + " vrstic, breme " +
                         AmountText(booked.Debit) + ", dobro " + AmountText(booked.Credit) +
                         "; zdaj jih je " + std::to_string(now.Count) + ", breme " +
                         AmountText(now.Debit) + ", dobro " + AmountText(now.Credit) +
                         ". Ni\xE8"
                         "esar ni bilo izbrisano."};
    Execute(statement, "DELETE FROM TemePoz WHERE Kljuc = " + key +
                           " AND Poz >= " + std::to_string(run.FirstPoz) +
                           " AND Poz <= " + std::to_string(run.LastPoz));
    statement.Close();
    if (run.CreatedHeader && JournalLineCount(statement, run.Journal) == 0) {
      Execute(statement, "DELETE FROM Teme WHERE Kljuc = " + key);
      statement.Close();
    }
    transaction.Commit();
  } catch (const std::exception& e) {
    LogError(&e, &statement, "RazveljaviPrenos");
    return {false,
            "Razveljavitev ni uspela, ni\xE8"
            "esar ni bilo izbrisano: " +
                FirstLine(e.what()) +
                "\nPodrobnosti so v tabeli napak (Prenos \xBB Tabela napak)."};
  }
  run.State = TRunState::Undone;
  run.UndoneAt = Now();
  journal.Update(run);
  return {true, {}};
}

}  // namespace prenos
