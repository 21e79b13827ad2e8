// The INSERT builder.
#include "sqlsupport/insertsql.h"

#include "platform/exceptions.h"
#include "sqlsupport/literals.h"

namespace prenos {
namespace {

std::string ValueText(const TVarRec& v) {
  using K = TVarRec::TKind;
  switch (v.Kind()) {
    case K::SmallInt:
    case K::Integer: return std::to_string(v.IntValue());
    case K::Single:
    case K::Double:
    case K::Currency: return FloatToStrSQL(v.FloatValue());
    case K::String: return "'" + QuoteSQL(v.Text()) + "'";
    case K::DateTime:
      return v.FloatValue() == 0 ? "null" : "'" + DateTimeToStrSQL(v.FloatValue()) + "'";
    default: return "null";
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
    values += ValueText(list[i + 1]);
  }
  batch += "INSERT INTO " + table + "(" + names + ") VALUES (" + values + "); ";
}

}  // namespace prenos
