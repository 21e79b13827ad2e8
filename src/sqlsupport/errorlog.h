// The error log: one record per failure in the local error table "c:\TorvikError", which
// is created on its first record and only ever appended to.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <string>

#include "localtables/table.h"
#include "platform/component.h"

namespace prenos {

inline constexpr const char* kErrorTableName = "c:\\TorvikError";

// Names of the active window and of its focused control (empty when no control has the
// focus). The GUI installs a hook that returns them, or nothing when no window is active;
// without a hook FormName and ControlName stay empty.
struct TActiveNames {
  std::string FormName;
  std::string ControlName;
};
using TActiveNamesHook = std::function<std::optional<TActiveNames>()>;
void SetActiveNamesHook(TActiveNamesHook hook);

// Opens table as the error table (no alias, default type), creating it with its ten
// fields when it does not exist. A table that exists but cannot be opened (damaged,
// locked, unreadable) is never re-created: the failure propagates.
void OpenErrorTable(TTable& table);

// Appends one record about e (may be null) raised while sender (may be null) did
// operation. Nothing is written for exactly EAbort (a class derived from it is recorded).
// Never raises: a record that cannot be stored is lost. buildNo goes into BuildNo (the
// lookup selector writes 0); without it BuildNo stays empty.
void LogError(const std::exception* e, const TComponent* sender, const std::string& operation,
              std::optional<int16_t> buildNo = std::nullopt) noexcept;

// LogError, then the silent abort EAbort.
[[noreturn]] void LogErrorAbort(const std::exception* e, const TComponent* sender,
                                const std::string& operation);

// While a watch lives, LogError also notes here the first record it writes, so that the
// caller can tell the user what was recorded. Watches nest: the innermost one notes.
class TErrorLogWatch {
 public:
  TErrorLogWatch();
  ~TErrorLogWatch();
  TErrorLogWatch(const TErrorLogWatch&) = delete;
  TErrorLogWatch& operator=(const TErrorLogWatch&) = delete;

  bool Seen() const { return seen_; }
  const std::string& Operation() const { return operation_; }
  const std::string& Error() const { return error_; }  // the message, passwords hidden

  void Note(const std::string& operation, const std::string& error);

 private:
  TErrorLogWatch* outer_;
  bool seen_ = false;
  std::string operation_, error_;
};

// The SenderProp text of a sender: connection and SQL of a statement or a query data set,
// lines ending in CR LF; empty for any other sender.
std::string SenderDetails(const TComponent* sender);

}  // namespace prenos
