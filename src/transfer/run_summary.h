// What one transfer run booked (or, as a preview, would book), and the texts of the
// boxes that tell the user so. Texts are Windows-1250.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/datetime.h"
#include "sqlsupport/varrec.h"

namespace prenos {

// One posting line written into TemePoz.
struct TPostedLine {
  int Poz = 0;
  std::string Konto, ProtiKonto, Subjekt,
      Oddelek;                           // account, counter account, partner and cost-centre names
  std::string Dokument;                  // document number
  TDateTime DatumDok = 0, DatumVal = 0;  // document and value dates
  std::string Opomba;                    // description (Vsebina)
  TCurrency Debet, Kredit;
};

struct TRunSummary {
  enum class TOutcome { Running, Booked, Failed, Cancelled, Preview };
  TOutcome Outcome = TOutcome::Running;
  std::string FileName;                  // the file chosen (as the view gave it)
  std::string Journal;                   // journal key, empty until drawn/attached
  bool AttachedToExisting = false;       // the second tab
  bool CreatedHeader = false;            // this run wrote the journal's Teme header
  int FirstPoz = 0, LastPoz = 0;         // positions written (0,0 when none)
  int Lines = 0;                         // posting lines written
  int64_t Records = 0;                   // staged records
  int Skipped = 0;                       // records that gave no line (zero amount or no account)
  TCurrency Debit, Credit;               // totals of the lines written
  std::vector<std::string> NewSubjects;  // codes registered in Subjekt, in order
  std::vector<TPostedLine> Posted;       // filled only with TRunOptions::CollectLines
  std::string FailedStep;                // Slovenian name of the step that failed, when Failed
  std::string Failure;                   // first line of the driver's / the failure's message
};

// "Prenos knjižb zaključen !" and the box shown when a run booked nothing.
inline constexpr const char* kTransferDoneText =
    "Prenos knji\x9E"
    "b zaklju\xE8"
    "en !";
inline constexpr const char* kTransferFailedText =
    "Prenos knji\x9E"
    "b ni uspel: ni\xE8 ni bilo knji\x9E"
    "eno.";

// The completion box text: "Prenos knjižb zaključen !" (for a preview, a heading saying
// that nothing was booked) then the journal, positions, totals in the user's number
// format, a warning when they differ, skipped records and new subjects.
std::string SummaryText(const TRunSummary& summary);

// The failure box text: nothing was booked, the step and the message that failed, and
// where the details are.
std::string FailureText(const TRunSummary& summary);

// An amount with two decimals in the user's number format (decimal and thousand separators).
std::string FormatAmount(TCurrency amount);

// The text up to its first line break.
std::string FirstLine(const std::string& text);

}  // namespace prenos
