// The INSERT builder.
#include "sqlsupport/insertsql.h"

#include "platform/exceptions.h"
#include "sqlsupport/literals.h"

namespace prenos {
namespace {

// A value as its literal, at the end of values.
void AppendValue(std::string& values, const TVarRec& v) {
  using K = TVarRec::TKind;
  switch (v.Kind()) {
    case K::SmallInt:
    case K::Integer: values += std::to_string(v.IntValue()); return;
    case K::Single:
    case K::Double:
    case K::Currency: values += FloatToStrSQL(v.FloatValue()); return;
    case K::String: values.append("'").append(QuoteSQL(v.Text())).append("'"); return;
    case K::DateTime:
      if (v.FloatValue() == 0)
        values += "null";
      else
        values.append("'").append(DateTimeToStrSQL(v.FloatValue())).append("'");
      return;
    default: values += "null"; return;
  }
}

}  // namespace

void InsertSQL(const std::string& table, const TNameValueList& list, std::string& batch) {
  if (list.size() % 2 != 0) return;
  std::string names, values;
  for (size_t i = 0; i < list.size(); i += 2) {
    // A name that is not a text is the caller's mistake; refuse before the batch changes.
    if (list[i].Kind() != TVarRec::TKind::String)
      throw Exception("InsertSQL: entry " + std::to_string(i) + " of the list for " + table +
                      " is not a column name");
    if (i > 0) {
      names += ',';
      values += ',';
    }
    names += list[i].Text();
    AppendValue(values, list[i + 1]);
  }
  // Appended piece by piece: the batch grows by a statement a row, without temporaries.
  batch.append("INSERT INTO ").append(table).append("(").append(names);
  batch.append(") VALUES (").append(values).append("); ");
}

}  // namespace prenos
