// SQL lines of the query component, and the DatabaseName and picture masks of the form
// the grid and lookup controls use.
#include "odbc/dataset/oequery.h"

namespace prenos {

void TCustomOEQuery::SetSQL(std::vector<std::string> lines) {
  lines_ = std::move(lines);
  std::string text;
  for (const std::string& line : lines_) text += line + "\r\n";
  SetSQLText(text);
}

std::string TwwOEDataSet::DatabaseName() const { return hDbc() ? hDbc()->Name() : std::string(); }

void TwwOEDataSet::SetDatabaseName(const std::string& name) {
  if (!Owner()) return;
  if (auto* connection = dynamic_cast<THdbc*>(Owner()->FindComponent(name))) SethDbc(connection);
}

void TwwOEDataSet::AppendErrorDetails(std::string& out) const {
  out += "DatabaseName --> " + DatabaseName() + "\r\n";
  out += "TableName --> " + TableName() + "\r\n";
  AppendConnectionLine(*this, out);
  std::string sql = "SQL -->";
  for (const std::string& line : SQL()) sql += " " + line;
  out += sql + "\r\n";
}

bool TwwOEDataSet::MatchesMask(const std::string& text, const std::string& mask) {
  // Plain backtracking over "*"; masks are short.
  std::function<bool(size_t, size_t)> match = [&](size_t t, size_t m) -> bool {
    if (m == mask.size()) return t == text.size();
    const char c = mask[m];
    if (c == '*') return match(t, m + 1) || (t < text.size() && match(t + 1, m));
    if (t == text.size()) return false;
    const unsigned char x = static_cast<unsigned char>(text[t]);
    const bool ok = c == '#'   ? std::isdigit(x) != 0
                    : c == '?' ? (std::isalpha(x) != 0 || x >= 0x80)
                    : c == '&' ? true
                               : text[t] == c;
    return ok && match(t + 1, m + 1);
  };
  return match(0, 0);
}

void TwwOEDataSet::DoBeforePost() {
  if (ValidateWithMask) {
    for (const std::string& line : PictureMasks) {
      const size_t tab = line.find('\t');
      if (tab == std::string::npos) continue;
      db::TField* field = FindField(line.substr(0, tab));
      std::string mask = line.substr(tab + 1);
      if (const size_t next = mask.find('\t'); next != std::string::npos) mask.erase(next);
      if (!field || field->IsNull() || MatchesMask(field->AsString(), mask)) continue;
      if (!OnInvalidValue)
        throw EDatabaseError("Invalid value for field '" + field->FieldName() + "'");
      OnInvalidValue(*this, *field);
    }
  }
  TOEQuery::DoBeforePost();
}

}  // namespace prenos
