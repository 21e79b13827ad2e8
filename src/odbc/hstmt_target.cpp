// The table that row edits write to and its primary columns: from TargetTable or the
// result's description, and from the driver's catalog.
#include <algorithm>

#include "odbc/hstmt.h"
#include "platform/convert.h"

namespace prenos {
namespace {

const char* kNoTable = "Unable to determine table name:  set TargetTable property.";

// The word after the first " FROM " of a statement (line breaks count as blanks), up to
// the next blank outside double quotes; empty when there is none.
std::string TableAfterFrom(const std::string& sql) {
  std::string text = sql;
  for (size_t p; (p = text.find("\r\n")) != std::string::npos;) text.replace(p, 2, " ");
  std::replace_if(
      text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n' || c == '\t'; }, ' ');
  const size_t from = UpperCase(text).find(" FROM ");
  if (from == std::string::npos) return {};
  size_t start = text.find_first_not_of(' ', from + 6);
  if (start == std::string::npos) return {};
  bool quoted = false;
  size_t end = start;
  for (; end < text.size() && (quoted || text[end] != ' '); ++end)
    if (text[end] == '"') quoted = !quoted;
  return text.substr(start, end - start);
}

// A character attribute of a result column; false when the driver refuses it.
bool ColumnText(SQLHSTMT h, SQLUSMALLINT col, SQLUSMALLINT field, std::string& out) {
  SQLCHAR buffer[256] = {0};
  SQLSMALLINT length = 0;
  if (!TODBCError::IsSuccess(
          SQLColAttribute(h, col, field, buffer, sizeof buffer, &length, nullptr)))
    return false;
  out = reinterpret_cast<const char*>(buffer);
  return true;
}

}  // namespace

void THstmt::SetTargetTable(std::string value) { targetTable_ = std::move(value); }

std::string THstmt::TableName() {
  const std::string target = Trim(targetTable_);
  if (!target.empty()) {
    schemaName_.clear();
    tableName_ = target;
    return tableName_;
  }
  BindCols();
  if (!ColumnText(hstmt_, 1, SQL_DESC_SCHEMA_NAME, schemaName_)) schemaName_.clear();
  if (!ColumnText(hstmt_, 1, SQL_DESC_TABLE_NAME, tableName_)) throw EQuarnel(kNoTable);
  if (tableName_.empty()) {
    // The text names the table as SQL does, schema included.
    schemaName_.clear();
    tableName_ = TableAfterFrom(sql_);
  }
  if (tableName_.empty()) throw EQuarnel(kNoTable);
  return tableName_;
}

std::string THstmt::QualifiedTableName() {
  TableName();
  const std::string table = QuoteIdentifier(tableName_);
  return schemaName_.empty() ? table : QuoteIdentifier(schemaName_) + "." + table;
}

void THstmt::FindPrimaryColumns() {
  TableName();
  THstmt keys(nullptr, Name() + "Keys");
  keys.SethDbc(hdbc_);
  const SQLHSTMT h = keys.Handle();
  // A catalog name from the driver is exact. A name from TargetTable or from the SQL
  // text is written as SQL writes it, so where the driver can read catalog arguments as
  // identifiers (case folded unless quoted) it gets the name as the generated
  // statements spell it.
  std::string reported;
  const bool fromText = !Trim(targetTable_).empty() ||
                        !ColumnText(hstmt_, 1, SQL_DESC_TABLE_NAME, reported) || reported.empty();
  std::string table = tableName_;
  if (fromText && SQLSetStmtAttr(h, SQL_ATTR_METADATA_ID, reinterpret_cast<SQLPOINTER>(SQL_TRUE),
                                 SQL_IS_UINTEGER) == SQL_SUCCESS)
    table = QuoteIdentifier(table);
  auto* schema = schemaName_.empty() ? nullptr : reinterpret_cast<SQLCHAR*>(schemaName_.data());
  const SQLSMALLINT schemaLength = schema ? SQL_NTS : 0;
  auto* tableArg = reinterpret_cast<SQLCHAR*>(table.data());

  bool found = false;
  const auto mark = [&](const std::string& name) {
    const int i = IndexOfText(name, colNames_);
    if (i < 0) return;
    cols_[static_cast<size_t>(i)].Primary = true;
    found = true;
  };
  if (TODBCError::IsSuccess(SQLSpecialColumns(h, SQL_BEST_ROWID, nullptr, 0, schema, schemaLength,
                                              tableArg, SQL_NTS, SQL_SCOPE_CURROW, SQL_NULLABLE)))
    while (keys.FetchNext())
      if (keys.ColInteger(8) != SQL_PC_PSEUDO) mark(keys.ColString(2));
  if (found) return;
  keys.Close();
  if (TODBCError::IsSuccess(SQLPrimaryKeys(h, nullptr, 0, schema, schemaLength, tableArg, SQL_NTS)))
    while (keys.FetchNext()) mark(keys.ColString(4));
}

std::string THstmt::PrimaryColumns() {
  BindCols();
  if (std::none_of(cols_.begin(), cols_.end(), [](const TColRec& c) { return c.Primary; }))
    FindPrimaryColumns();
  std::string names;
  for (const TColRec& c : cols_)
    if (c.Primary) names += c.Name + ";";
  return names;
}

}  // namespace prenos
