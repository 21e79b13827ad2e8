// Counting and summing a run's lines in the ledger with plain T-SQL SELECTs.
#include "transfer/booked_lines.h"

#include <charconv>
#include <cmath>

#include "platform/convert.h"
#include "platform/exceptions.h"
#include "sqlsupport/literals.h"

namespace prenos {

TCurrency AmountFromText(const std::string& raw) {
  // Drivers may pad the text or write a float with its exponent (" 9.00000000000000E+0000").
  const std::string text = Trim(raw);
  if (text.empty()) return {};
  double value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size())
    throw EConvertError("'" + text + "' is not a valid floating point value");
  // A floating sum (SQLite's REAL) is rounded back to the four decimals the ledger keeps.
  return TCurrency{std::llround(value * 10000.0)};
}

namespace {

std::vector<std::string> SingleRow(THstmt& query, std::string sql, int columns) {
  query.Close();
  query.SetSQL(std::move(sql));
  query.Execute();
  std::vector<std::string> row;
  if (query.FetchNext())
    for (int i = 1; i <= columns; ++i) row.push_back(query.ColString(i));
  query.Close();
  row.resize(columns);
  return row;
}

}  // namespace

TBookedLines LinesInLedger(THstmt& query, const std::string& journal, int firstPoz, int lastPoz) {
  const std::vector<std::string> row = SingleRow(
      query,
      "SELECT COUNT(*), SUM(Debet), SUM(Kredit) FROM TemePoz WHERE Kljuc = '" + QuoteSQL(journal) +
          "' AND Poz >= " + std::to_string(firstPoz) + " AND Poz <= " + std::to_string(lastPoz),
      3);
  TBookedLines out;
  out.Count = Trim(row[0]).empty() ? 0 : StrToInt(Trim(row[0]));
  out.Debit = AmountFromText(row[1]);
  out.Credit = AmountFromText(row[2]);
  return out;
}

int JournalLineCount(THstmt& query, const std::string& journal) {
  const std::vector<std::string> row =
      SingleRow(query, "SELECT COUNT(*) FROM TemePoz WHERE Kljuc = '" + QuoteSQL(journal) + "'", 1);
  return Trim(row[0]).empty() ? 0 : StrToInt(Trim(row[0]));
}

}  // namespace prenos
