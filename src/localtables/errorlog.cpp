// The error log's table, its records, and the details text of a statement sender.
#include "localtables/errorlog.h"

#include <cctype>

#include "platform/datetime.h"
#include "platform/exceptions.h"

namespace prenos {
namespace {

TActiveNamesHook& ActiveNamesHook() {
  static TActiveNamesHook hook;
  return hook;
}

TErrorLogWatch*& CurrentWatch() {
  static TErrorLogWatch* watch = nullptr;
  return watch;
}

// Where a connection-string value that starts at start ends: a braced value runs to its
// closing brace ("}}" stands for a brace inside it), any other to ";" or the end.
size_t ValueEnd(const std::string& text, size_t start) {
  if (start < text.size() && text[start] == '{') {
    for (size_t j = start + 1; j < text.size(); ++j) {
      if (text[j] != '}') continue;
      if (j + 1 < text.size() && text[j + 1] == '}') {
        ++j;
        continue;
      }
      return j + 1;
    }
    return text.size();
  }
  const size_t end = text.find(';', start);
  return end == std::string::npos ? text.size() : end;
}

// A connection string that reached a message keeps its login name but never its
// password: every "PWD=" value (braced or up to ";" or the end) becomes "***".
std::string HidePasswords(std::string text) {
  for (size_t i = 0; i + 4 <= text.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(text[i])) != 'P' ||
        std::toupper(static_cast<unsigned char>(text[i + 1])) != 'W' ||
        std::toupper(static_cast<unsigned char>(text[i + 2])) != 'D' || text[i + 3] != '=')
      continue;
    const size_t start = i + 4;
    const size_t end = ValueEnd(text, start);
    text.replace(start, end - start, "***");
    i = start + 2;
  }
  return text;
}

void AddErrorFields(TTable& table) {
  table.AddFieldDef("Cas", TFieldType::DateTime);
  table.AddFieldDef("FormName", TFieldType::String, 20);
  table.AddFieldDef("ControlName", TFieldType::String, 20);
  table.AddFieldDef("SenderName", TFieldType::String, 20);
  table.AddFieldDef("ObjectName", TFieldType::String, 100);
  table.AddFieldDef("Operation", TFieldType::String, 30);
  table.AddFieldDef("ExceptObject", TFieldType::String, 20);
  table.AddFieldDef("BuildNo", TFieldType::SmallInt);
  table.AddFieldDef("Error", TFieldType::String, 255);
  table.AddFieldDef("SenderProp", TFieldType::Memo, 1);
}

void SetFields(TTable& table, const std::exception* e, const TComponent* sender,
               const std::string& operation, std::optional<int16_t> buildNo) {
  table.FieldByName("Cas").SetAsDateTime(Now());
  if (const TActiveNamesHook& hook = ActiveNamesHook()) {
    if (std::optional<TActiveNames> names = hook()) {
      table.FieldByName("FormName").SetAsString(names->FormName);
      if (!names->ControlName.empty())
        table.FieldByName("ControlName").SetAsString(names->ControlName);
    }
  }
  if (sender) {
    table.FieldByName("SenderName").SetAsString(sender->ClassName());
    table.FieldByName("ObjectName").SetAsString(sender->Name());
  }
  table.FieldByName("Operation").SetAsString(operation);
  if (e) {
    table.FieldByName("ExceptObject").SetAsString(ExceptionClassName(*e));
    table.FieldByName("Error").SetAsString(HidePasswords(e->what()));
  }
  if (buildNo) table.FieldByName("BuildNo").SetAsInteger(*buildNo);
  std::string details;
  try {
    if (sender) sender->AppendErrorDetails(details);
  } catch (...) {
  }
  table.FieldByName("SenderProp").SetAsString(HidePasswords(details));
}

}  // namespace

TErrorLogWatch::TErrorLogWatch() : outer_(CurrentWatch()) { CurrentWatch() = this; }
TErrorLogWatch::~TErrorLogWatch() { CurrentWatch() = outer_; }

void TErrorLogWatch::Note(const std::string& operation, const std::string& error) {
  if (seen_) return;
  seen_ = true;
  operation_ = operation;
  error_ = error;
}

void SetActiveNamesHook(TActiveNamesHook hook) { ActiveNamesHook() = std::move(hook); }

void OpenErrorTable(TTable& table) {
  try {
    table.Open();
    return;
  } catch (const ELocalTable& e) {
    // Only a table that is not there is made; one that exists but fails to open keeps
    // its records and the failure goes to the caller.
    if (!e.Missing()) throw;
  }
  table.Close();
  table.ClearFieldDefs();
  AddErrorFields(table);
  table.ClearIndexDefs();
  table.CreateTable();
  table.Open();
}

void LogError(const std::exception* e, const TComponent* sender, const std::string& operation,
              std::optional<int16_t> buildNo) noexcept {
  try {
    if (e && IsExactlyEAbort(*e)) return;
    if (TErrorLogWatch* watch = CurrentWatch())
      watch->Note(operation, e ? HidePasswords(e->what()) : std::string());
    TTable table;
    table.SetTableName(kErrorTableName);
    OpenErrorTable(table);
    table.Append();
    try {
      SetFields(table, e, sender, operation, buildNo);
    } catch (...) {
      // The fields set so far are still stored.
    }
    table.Post();
    table.Close();
  } catch (...) {
    // The record is lost; the caller goes on as if it had been written.
  }
}

void LogErrorAbort(const std::exception* e, const TComponent* sender,
                   const std::string& operation) {
  LogError(e, sender, operation);
  throw EAbort();
}

std::string SenderDetails(const TComponent* sender) {
  std::string out;
  try {
    if (sender) sender->AppendErrorDetails(out);
  } catch (...) {
  }
  return out;
}

}  // namespace prenos
