// The journal header and the 21 columns of a posting line.
#include "transfer/posting.h"

#include <cstdio>

#include "platform/convert.h"
#include "sqlsupport/batch.h"
#include "sqlsupport/insertsql.h"
#include "transfer/numbering.h"
#include "transfer/run_failure.h"
#include "transfer/subjects.h"

namespace prenos {

TDateTime TransferDate = 0;

std::string YearS(int count, TDateTime date) {
  if (count <= 0) return {};
  int year = 0, month = 0, day = 0;
  DecodeDate(date, year, month, day);
  // Up to two year letters give the year in two digits, more give all four.
  char text[32];
  const char sep = CurrentFormatSettings().DateSeparator;
  if (count <= 2)
    std::snprintf(text, sizeof text, "%02d%c%02d%c%02d", year % 100, sep, month, sep, day);
  else
    std::snprintf(text, sizeof text, "%04d%c%02d%c%02d", year, sep, month, sep, day);
  return std::string(text).substr(0, static_cast<size_t>(count));
}

void FillPoz(const TPostingSource& source, std::string& kljuc, int& poz, const std::string& side,
             const std::string& account, const std::string& counterAccount) {
  if (account.empty()) return;
  TTable& staged = source.Staged;
  const double znesek = staged.FieldByName("Znesek").AsFloat();
  if (znesek == 0) return;
  const std::string vKljuc = "R" + side + staged.FieldByName("KDokm").AsString().substr(0, 7);

  if (kljuc.empty()) {
    const std::string prefix = YearS(2, TransferDate) + source.PoslDog;
    kljuc = InStep(run_step::kJournalKey, [&] {
      return NovaStevGlavC(source.Ledger.qQueryFind, "Teme", "Kljuc", prefix);
    });
    InsertSQL(
        "Teme",
        {"Kljuc", kljuc, "PoslDog", source.PoslDog, "Datum", TVarRec::DateTime(TransferDate),
         "Referent", source.Referent, "UserZap", source.Referent, "UserSpre", source.Referent},
        SQLBatch);
    if (source.Summary) {
      source.Summary->Journal = kljuc;
      source.Summary->CreatedHeader = true;
    }
    poz = InStep(run_step::kPosition,
                 [&] { return NovaStevPozN(source.Ledger.qQueryFind, "TemePoz", kljuc, 1); });
  }

  const TCurrency amount{RoundHalfEven(znesek * 10000)};
  const bool debit = side == "D";
  const TCurrency debet = debit ? amount : TCurrency{};
  const TCurrency kredit = debit ? TCurrency{} : amount;

  SendPending(source.Ledger, false, run_step::kSend);

  const std::string dokument = std::to_string(staged.FieldByName("DsKup_Knj").AsInteger());
  const TDateTime datZap = staged.FieldByName("DatZap").AsDateTime();
  // The partner is looked up before the cost centre; either may register a subject.
  std::vector<std::string>* registered = source.Summary ? &source.Summary->NewSubjects : nullptr;
  const std::string subjekt =
      SubjNaziv(source.Ledger, staged.FieldByName("KKupDob").AsString(), registered);
  const std::string oddelek =
      SubjNaziv(source.Ledger, staged.FieldByName("KStrM").AsString(), registered);
  const std::string opomba = staged.FieldByName("Vsebina").AsString();
  const TDateTime datVal = staged.FieldByName("DatVal").AsDateTime();
  InsertSQL("TemePoz", {"Kljuc",       kljuc,
                        "Poz",         poz,
                        "Konto",       account,
                        "ProtiKonto",  counterAccount,
                        "Subjekt",     subjekt,
                        "Oddelek",     oddelek,
                        "Dokument",    dokument,
                        "VezniDok",    dokument,
                        "VKljuc",      vKljuc,
                        "DokumentTuj", dokument,
                        "DatumDok",    TVarRec::DateTime(datZap),
                        "DatumDDV",    TVarRec::DateTime(datZap),
                        "DatumVal",    TVarRec::DateTime(datVal),
                        "Opomba",      opomba,
                        "UserZap",     source.Referent,
                        "UserSpre",    source.Referent,
                        "Valuta",      "SIT",
                        "Debet",       debet,
                        "ValDebet",    debet,
                        "Kredit",      kredit,
                        "ValKredit",   kredit},
            SQLBatch);
  if (TRunSummary* s = source.Summary) {
    if (s->Lines++ == 0) s->FirstPoz = poz;
    s->LastPoz = poz;
    s->Debit.Value += debet.Value;
    s->Credit.Value += kredit.Value;
    if (source.CollectLines)
      s->Posted.push_back({poz, account, counterAccount, subjekt, oddelek, dokument, datZap, datVal,
                           opomba, debet, kredit});
  }
  ++poz;
}

}  // namespace prenos
