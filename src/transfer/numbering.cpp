// Drawing journal keys and position numbers from the ledger's largest stored values.
#include "transfer/numbering.h"

#include <exception>

#include "localtables/errorlog.h"
#include "platform/component.h"
#include "platform/convert.h"
#include "platform/exceptions.h"
#include "sqlsupport/batch.h"
#include "sqlsupport/literals.h"

namespace prenos {

std::string GetMaxValueInTable(THstmt& qQueryFind, const std::string& column,
                               const std::string& table, const std::string& condition) {
  std::string result;
  try {
    qQueryFind.Close();
    std::string sql = "SELECT MAX(" + column + ") AS MaxValue FROM " + table;
    if (!condition.empty()) sql += " WHERE " + condition;
    qQueryFind.SetSQL(std::move(sql));
    HstmtExecute(qQueryFind, false);
    if (qQueryFind.FetchNext()) result = qQueryFind.ColString(1);
    qQueryFind.Close();
  } catch (const std::exception& e) {
    LogErrorAbort(&e, &qQueryFind, "GetMaxValueInTable-" + column + "-" + table + "-" + condition);
  } catch (...) {
    LogErrorAbort(nullptr, &qQueryFind,
                  "GetMaxValueInTable-" + column + "-" + table + "-" + condition);
  }
  return result;
}

std::string NovaStevGlavC(THstmt& qQueryFind, const std::string& table, const std::string& column,
                          const std::string& prefix) {
  try {
    // The prefix is a value inside a literal: its quotes are doubled like any text's.
    const std::string condition = column + " LIKE '" + QuoteSQL(prefix) + "%'";
    const std::string largest = GetMaxValueInTable(qQueryFind, column, table, condition);
    if (largest.empty()) return prefix + "00001";
    // The sequence stands at characters 5 to 9, which fits a two-digit year followed by a
    // two-character business event.
    const std::string sequence = largest.size() > 4 ? largest.substr(4, 5) : std::string();
    const int32_t next = StrToInt(sequence) + 1;
    // A sixth digit would sort below the five-digit keys, so the next draw would find
    // 99999 again and hand out the same key twice: the draw fails instead.
    if (next > 99999) throw EConvertError("No journal key after " + largest);
    return prefix + StrZeroInt(next, 5);
  } catch (const std::exception& e) {
    LogErrorAbort(&e, &Application(), "NovaStevGlavC-" + table);
  } catch (...) {
    LogErrorAbort(nullptr, &Application(), "NovaStevGlavC-" + table);
  }
}

int NovaStevPozN(THstmt& qQueryFind, const std::string& table, const std::string& key, int start) {
  try {
    const std::string condition = "Kljuc = '" + QuoteSQL(key) + "'";
    return start + StrToIntZero(GetMaxValueInTable(qQueryFind, "Poz", table, condition));
  } catch (const std::exception& e) {
    // The silent abort of the look-up was recorded there and is not recorded again.
    LogErrorAbort(&e, &Application(), "NovaStevPozN-" + table);
  } catch (...) {
    LogErrorAbort(nullptr, &Application(), "NovaStevPozN-" + table);
  }
}

int StrToIntZero(const std::string& text) {
  const std::string trimmed = Trim(text);
  int32_t value = 0;
  if (trimmed.empty() || !TryStrToInt(trimmed, value)) return 0;
  return value;
}

std::string ReplicateStr(char c, int count) {
  try {
    return count > 0 ? std::string(static_cast<size_t>(count), c) : std::string();
  } catch (const std::exception& e) {
    LogError(&e, &Application(), "ReplicateStr");
  } catch (...) {
    LogError(nullptr, &Application(), "ReplicateStr");
  }
  return {};
}

std::string StrZeroInt(int number, int width) {
  try {
    const std::string digits = std::to_string(number);
    return ReplicateStr('0', width - static_cast<int>(digits.size())) + digits;
  } catch (const std::exception& e) {
    LogError(&e, &Application(), "StrZeroInt");
  } catch (...) {
    LogError(nullptr, &Application(), "StrZeroInt");
  }
  return {};
}

}  // namespace prenos
