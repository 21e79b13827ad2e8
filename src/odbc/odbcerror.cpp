// Diagnostic records, the EODBC exception, and the teardown of a lost link.
#include "odbc/odbcerror.h"

#include <cstring>

#include "odbc/hdbc.h"
#include "odbc/henv.h"
#include "odbc/hstmt.h"

namespace prenos {
namespace {

std::string UpToNul(const SQLCHAR* text, size_t capacity) {
  const char* p = reinterpret_cast<const char*>(text);
  return std::string(p, strnlen(p, capacity));
}

// Sets an environment's Shutdown for the duration of a teardown and puts the previous
// value back, also when the teardown fails.
class ShutdownScope {
 public:
  explicit ShutdownScope(THenv& env) : env_(env), previous_(env.Shutdown) { env_.Shutdown = true; }
  ~ShutdownScope() { env_.Shutdown = previous_; }
  ShutdownScope(const ShutdownScope&) = delete;
  ShutdownScope& operator=(const ShutdownScope&) = delete;

 private:
  THenv& env_;
  bool previous_;
};

}  // namespace

bool IsLinkFailure(const std::string& sqlState) {
  return sqlState.rfind("08", 0) == 0 || sqlState == "57P01" || sqlState == "57P02" ||
         sqlState == "57P03";
}

std::vector<TErrorRec> TODBCError::GetErrorList(SQLRETURN retCode) {
  std::vector<TErrorRec> list;
  if (retCode == SQL_ERROR || retCode == SQL_SUCCESS_WITH_INFO) {
    SQLRETURN rc = SQL_SUCCESS;
    for (SQLSMALLINT record = 1;; ++record) {
      SQLCHAR state[6] = {0};
      SQLCHAR message[256] = {0};
      SQLINTEGER native = 0;
      SQLSMALLINT length = 0;
      rc = SQLGetDiagRec(HandleType, Handle, record, state, &native, message, sizeof message,
                         &length);
      if (!IsSuccess(rc)) break;
      list.push_back(
          TErrorRec{UpToNul(state, sizeof state), native, UpToNul(message, sizeof message)});
    }
    if (list.empty() || rc != SQL_NO_DATA)
      list.push_back(TErrorRec{"", 0, "Unable to Retrieve ODBC Error"});
  } else if (retCode == SQL_INVALID_HANDLE) {
    list.push_back(TErrorRec{"", 0, "Invalid ODBC Handle"});
  } else if (retCode == SQL_NO_DATA) {
    list.push_back(TErrorRec{"", 0, "No Data Found"});
  } else {
    list.push_back(TErrorRec{"", 0, "ODBC Return Code " + std::to_string(retCode)});
  }
  return list;
}

void TODBCError::RaiseError(THbase* owner, SQLRETURN retCode) {
  if (Env && Env->Shutdown) return;
  HandleType = owner ? owner->HandleType() : SQL_HANDLE_ENV;
  Handle = owner ? owner->RawHandle() : SQL_NULL_HANDLE;
  EODBC error(owner, GetErrorList(retCode), retCode);
  if (auto* stmt = dynamic_cast<THstmt*>(owner); stmt && stmt->AsyncOn()) stmt->SwitchAsyncOff();
  throw error;
}

EODBC::EODBC(THbase* owner, std::vector<TErrorRec> list, SQLRETURN retCode)
    : EQuarnel(list.empty() ? std::string() : list.front().Message),
      state_(std::make_shared<State>()) {
  if (owner) state_->owner = owner->LifeToken();
  state_->retCode = retCode;
  state_->list = std::move(list);
}

THbase* EODBC::Owner() const { return state_->owner ? *state_->owner : nullptr; }

bool EODBC::Next() {
  const int count = static_cast<int>(state_->list.size());
  if (state_->index >= count) return false;
  return ++state_->index < count;
}

bool EODBC::Prior() {
  if (state_->index < 0) return false;
  return --state_->index >= 0;
}

std::string EODBC::SqlState() const {
  const auto& l = state_->list;
  return state_->index >= 0 && state_->index < static_cast<int>(l.size())
             ? l[state_->index].SqlState
             : "";
}

SQLINTEGER EODBC::NativeError() const {
  const auto& l = state_->list;
  return state_->index >= 0 && state_->index < static_cast<int>(l.size())
             ? l[state_->index].NativeError
             : 0;
}

std::string EODBC::ErrorMsg() const {
  const auto& l = state_->list;
  return state_->index >= 0 && state_->index < static_cast<int>(l.size()) ? l[state_->index].Message
                                                                          : "";
}

void EODBC::ShowDialog(const std::string& text) {
  auto& handler = GlobalEnv().Error.ErrorDialog;
  if (handler) handler(*this, text);
}

// Runs when the last copy of the exception goes: a lost link takes the connection
// concerned (or, for an environment failure, every connection) down with raising
// suppressed, so that its next use connects again.
EODBC::State::~State() {
  try {
    bool lost = false;
    for (const TErrorRec& r : list) lost = lost || IsLinkFailure(r.SqlState);
    if (!lost) return;
    THbase* o = owner ? *owner : nullptr;
    THenv& env = GlobalEnv();
    if (!o || o->Destroying()) {
      ShutdownScope quiet(env);
      env.Terminate();
    } else if (auto* e = dynamic_cast<THenv*>(o)) {
      ShutdownScope quiet(*e);
      e->Terminate();
    } else if (auto* c = dynamic_cast<THdbc*>(o)) {
      ShutdownScope quiet(env);
      c->Terminate();
    } else if (auto* s = dynamic_cast<THstmt*>(o)) {
      if (THdbc* dbc = s->hDbc()) {
        ShutdownScope quiet(env);
        dbc->Terminate();
      }
    }
  } catch (...) {
    // The check runs while an exception object is freed: it must not raise.
  }
}

}  // namespace prenos
