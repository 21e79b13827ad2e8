// The texts of the completion and failure boxes of a transfer run.
#include "transfer/run_summary.h"

#include <cstdlib>

#include "platform/convert.h"

namespace prenos {
namespace {

constexpr size_t kSubjectsShown = 10;

// The lines written, totals, warning, skipped records and new subjects.
void AppendBooked(const TRunSummary& s, std::string& out) {
  if (s.Lines == 0) {
    out += s.Records == 0 ? "Ni\xE8 ni bilo knji\x9E"
                            "eno: datoteka nima zapisov.\n"
                          : "Ni\xE8 ni bilo knji\x9E"
                            "eno: noben zapis ne da postavke.\n";
  } else {
    out += "Temeljnica: " + s.Journal +
           (s.CreatedHeader ? " (nova)\n"
                            : " (obstoje\xE8"
                              "a)\n");
    out += "Postavke: od " + std::to_string(s.FirstPoz) + " do " + std::to_string(s.LastPoz) +
           ", skupaj " + std::to_string(s.Lines) + "\n";
    out += "Debet: " + FormatAmount(s.Debit) + "\n";
    out += "Kredit: " + FormatAmount(s.Credit) + "\n";
    if (s.Debit.Value != s.Credit.Value)
      out += "Opozorilo: debet in kredit se ne ujemata (razlika " +
             FormatAmount(TCurrency{s.Debit.Value - s.Credit.Value}) + ").\n";
  }
  out +=
      "Presko\xE8"
      "eni zapisi (znesek 0 ali brez konta): " +
      std::to_string(s.Skipped) + "\n";
  if (s.NewSubjects.empty()) return;
  out += "Novi subjekti (" + std::to_string(s.NewSubjects.size()) + "): ";
  for (size_t i = 0; i < s.NewSubjects.size() && i < kSubjectsShown; ++i)
    out += (i ? ", " : "") + s.NewSubjects[i];
  if (s.NewSubjects.size() > kSubjectsShown)
    out +=
        " in \x9A"
        "e " +
        std::to_string(s.NewSubjects.size() - kSubjectsShown);
  out += "\n";
}

}  // namespace

std::string FormatAmount(TCurrency amount) {
  // Ten-thousandths to hundredths, halves to the even neighbour as amounts are rounded.
  const int64_t v = amount.Value;
  int64_t cents = v / 100;
  const int64_t rest = std::llabs(v % 100);
  if (rest > 50 || (rest == 50 && cents % 2 != 0)) cents += v < 0 ? -1 : 1;
  const bool negative = cents < 0;
  const std::string digits = std::to_string(negative ? -cents : cents);
  const std::string whole = digits.size() > 2 ? digits.substr(0, digits.size() - 2) : "0";
  const std::string fraction = digits.size() >= 2 ? digits.substr(digits.size() - 2) : "0" + digits;
  const FormatSettings& fs = CurrentFormatSettings();
  std::string grouped;
  for (size_t i = 0; i < whole.size(); ++i) {
    if (i > 0 && fs.ThousandSeparator && (whole.size() - i) % 3 == 0)
      grouped += fs.ThousandSeparator;
    grouped += whole[i];
  }
  return (negative ? "-" : "") + grouped + fs.DecimalSeparator + fraction;
}

std::string FirstLine(const std::string& text) {
  return text.substr(0, text.find_first_of("\r\n"));
}

std::string SummaryText(const TRunSummary& summary) {
  std::string out;
  if (summary.Outcome == TRunSummary::TOutcome::Preview)
    out =
        "Preizkus prenosa knji\x9E"
        "b: ni\xE8 ni bilo knji\x9E"
        "eno.\nKnji\x9E"
        "eno bi bilo:\n";
  else
    out = std::string(kTransferDoneText) + "\n";
  AppendBooked(summary, out);
  out.pop_back();
  return out;
}

std::string FailureText(const TRunSummary& summary) {
  return std::string(kTransferFailedText) + "\nKorak: " + summary.FailedStep +
         "\nNapaka: " + summary.Failure +
         "\nPodrobnosti so v tabeli napak (Prenos \xBB Tabela napak).";
}

}  // namespace prenos
