// Opening the lookup table and the search of a typed text, with the SELECT rewrite that
// makes a query data set list its rows from that text on.
#include "controls/lookup_search.h"

#include <cctype>

#include "localtables/errorlog.h"
#include "odbc/dataset/oequery.h"
#include "platform/convert.h"
#include "platform/exceptions.h"
#include "platform/text_case.h"
#include "sqlsupport/literals.h"

namespace prenos {
namespace {

bool IdentifierChar(char c) {
  const auto u = static_cast<unsigned char>(c);
  return std::isalnum(u) || c == '_' || c == '$' || c == '#' || c == '@' || u >= 0x80;
}

// Whether text[pos] stands outside every single-quoted literal (a doubled quote inside a
// literal closes and reopens it, which comes to the same).
bool OutsideLiterals(std::string_view text, size_t pos) {
  bool inside = false;
  for (size_t i = 0; i < pos; ++i)
    if (text[i] == '\'') inside = !inside;
  return !inside;
}

// The first position of word in text that is a whole word (no identifier character
// right before or after it) outside the literals, so that WHERE is not found in
// SOMEWHERE, nor KLJUC in VKLJUC, nor ORDER BY in a text searched before; npos when there
// is none.
size_t FindWord(std::string_view text, std::string_view word) {
  for (size_t p = text.find(word); p != std::string_view::npos; p = text.find(word, p + 1)) {
    if (!OutsideLiterals(text, p)) continue;
    const bool startOk = p == 0 || !IdentifierChar(text[p - 1]) || !IdentifierChar(word.front());
    const size_t end = p + word.size();
    const bool endOk =
        end == text.size() || !IdentifierChar(text[end]) || !IdentifierChar(word.back());
    if (startOk && endOk) return p;
  }
  return std::string_view::npos;
}

bool EndsWithWord(std::string_view text, std::string_view word) {
  if (text.size() < word.size() || text.compare(text.size() - word.size(), word.size(), word) != 0)
    return false;
  return text.size() == word.size() || !IdentifierChar(text[text.size() - word.size() - 1]);
}

// Digits around ":" as h:mm or h:mm:ss, each part in range.
bool IsTimeText(const std::string& s) {
  const std::string t = Trim(s);
  int parts[3] = {0, 0, 0};
  int count = 0;
  size_t start = 0;
  while (count < 3) {
    const size_t colon = t.find(':', start);
    const std::string piece =
        t.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
    int32_t v = 0;
    if (piece.empty() || piece.size() > 2 || !TryStrToInt(piece, v) || v < 0) return false;
    parts[count++] = v;
    if (colon == std::string::npos) break;
    start = colon + 1;
  }
  if (count < 2 || (count == 3 && t.find(':', start) != std::string::npos)) return false;
  return parts[0] < 24 && parts[1] < 60 && parts[2] < 60;
}

constexpr size_t kClauseLimit = 2048;

}  // namespace

bool wwOpenTable(db::TDataSet* dataSet) {
  if (!dataSet) return false;
  if (dataSet->Active()) return true;
  try {
    dataSet->Open();
  } catch (const std::exception& e) {
    LogError(&e, dataSet, "wwOpenTable-" + dataSet->Name(), 0);
  } catch (...) {
    LogError(nullptr, dataSet, "wwOpenTable-" + dataSet->Name(), 0);
  }
  return dataSet->Active();
}

std::string JoinedSearchSQL(const std::vector<std::string>& lines) {
  std::string joined;
  for (const std::string& line : lines) joined.append(" ").append(line);
  return UpperCase(std::move(joined));
}

std::string SearchSQL(const std::vector<std::string>& lines, const std::string& fieldName,
                      const std::string& text) {
  // Every search rewrites the statement; the pieces are views of the joined lines and the
  // texts grow in place, so a search costs a handful of copies whatever its length.
  const std::string rest = JoinedSearchSQL(lines);
  const std::string field = UpperCase(fieldName);
  const auto trimmed = [](std::string_view s) { return TrimRightView(TrimLeftView(s)); };
  const auto trimRight = [](std::string& s) { s.erase(TrimRightView(s).size()); };

  std::string_view select = rest, order;
  if (const size_t p = FindWord(rest, "ORDER BY"); p != std::string::npos) {
    order = select.substr(p, kClauseLimit);
    select = select.substr(0, p);
  }
  std::string condition;
  if (const size_t p = FindWord(select, "WHERE"); p != std::string::npos) {
    // Trimmed on the left once; whatever is cut from its end below cannot expose blanks
    // there, so trimming the right end again is the whole trim.
    condition = trimmed(select.substr(p + 5, kClauseLimit));
    select = select.substr(0, p);
    // The condition of an earlier search on this field, and whatever follows it, goes.
    if (const size_t f = FindWord(condition, field); f != std::string::npos) {
      condition.erase(f);
      trimRight(condition);
    }
  }

  while (!condition.empty() && condition.back() == '(') {
    condition.pop_back();
    trimRight(condition);
  }
  if (EndsWithWord(condition, "OR")) condition.erase(condition.size() - 2);
  std::string newCondition;
  if (!trimmed(condition).empty())
    newCondition.append(condition).append(EndsWithWord(condition, "AND") ? " " : " AND ");
  newCondition.append(field).append(" >= '").append(QuoteSQL(text)).append("'");

  std::string sql(trimmed(select));
  sql.append(" WHERE ").append(trimmed(newCondition)).append(" ").append(trimmed(order));
  return sql;
}

bool IsSearchValue(const db::TField& field, const std::string& text) {
  using db::TFieldType;
  switch (field.DataType()) {
    case TFieldType::ftSmallint:
    case TFieldType::ftWord:
    case TFieldType::ftInteger:
    case TFieldType::ftLargeint: {
      int64_t v = 0;
      return TryStrToInt64(Trim(text), v);
    }
    case TFieldType::ftFloat:
    case TFieldType::ftCurrency: {
      double v = 0;
      return TryStrToFloat(text, v);
    }
    case TFieldType::ftDate: {
      TDateTime v;
      return TryStrToDate(text, v);
    }
    case TFieldType::ftTime: return IsTimeText(text);
    case TFieldType::ftDateTime: {
      // A date, optionally followed by a blank and a time.
      const std::string t = Trim(text);
      const size_t blank = t.find(' ');
      TDateTime v;
      if (blank == std::string::npos) return TryStrToDate(t, v);
      return TryStrToDate(t.substr(0, blank), v) && IsTimeText(t.substr(blank + 1));
    }
    default: return true;
  }
}

TSearchResult SearchLookupTable(db::TDataSet& table, const std::string& fieldName,
                                const std::string& text, bool caseSensitive) {
  TSearchResult result;
  const db::TField& field = table.FieldByName(fieldName);
  if (!table.IsEmpty() && field.AsString() == text) {
    result.Found = true;
    return result;
  }
  std::string searched = text;
  if (field.DataType() == db::TFieldType::ftString && field.Size() > 0 &&
      searched.size() > static_cast<size_t>(field.Size()))
    searched.resize(static_cast<size_t>(field.Size()));
  if (searched.empty() || !IsSearchValue(field, searched)) return result;
  result.Queried = true;
  result.Text = searched;

  auto* query = dynamic_cast<TwwOEDataSet*>(&table);
  if (!query) {
    db::TLocateOptions options;
    options.PartialKey = true;
    options.CaseInsensitive = !caseSensitive;
    result.Found = table.Locate(fieldName, db::TVariant(searched), options);
    return result;
  }

  // The database compares: the list starts at the first row not below the text in the
  // database's collation, and the text is found when that row begins with it.
  const std::string name = field.FieldName();
  const std::vector<std::string> before = query->SQL();
  const std::string fallback = JoinedSearchSQL(before);
  query->SetSQL({SearchSQL(before, name, searched)});
  try {
    query->Open();
  } catch (...) {
    query->SetSQL({fallback});
    try {
      throw;
    } catch (const std::exception& e) {
      LogError(&e, query, "KveloFindRecord", 0);
    } catch (...) {
      LogError(nullptr, query, "KveloFindRecord", 0);
    }
    // The list goes on showing rows, now of the statement from before the search.
    wwOpenTable(query);
    return result;
  }
  const std::string first = query->FieldByName(name).AsString();
  result.Found = UpperCase(first.substr(0, searched.size())) == UpperCase(searched);
  return result;
}

}  // namespace prenos
