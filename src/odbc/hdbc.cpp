// The connection component.
#include "odbc/hdbc.h"

#include <cstring>

#include "odbc/odbcconvert.h"

namespace prenos {
namespace {

bool NeedsBraces(const std::string& v) {
  return !v.empty() &&
         (v.find_first_of(";{}") != std::string::npos || v.front() == ' ' || v.back() == ' ');
}

// A keyword's value as the connection string carries it.
std::string ConnValue(const std::string& v) {
  if (!NeedsBraces(v)) return v;
  std::string out = "{";
  for (char ch : v) {
    out += ch;
    if (ch == '}') out += '}';
  }
  return out + "}";
}

}  // namespace

THdbc::THdbc(TComponent* owner, std::string name) : THbase(owner, std::move(name)) {
  FillDriverTable();
  Announce();
}

THdbc::~THdbc() {
  try {
    Terminate();
  } catch (...) {
    // A destructor cannot report; the handles are gone either way.
  }
  Withdraw();
}

void THdbc::FillDriverTable() {
  driverTable_.clear();
  AddDriver("Default");
  {
    auto& d = AddDriver("Microsoft SQL Server;sqlsrv32.dll");
    d.TimestampSize = 23;
    d.TimestampDigits = 3;
  }
  AddDriver("Oracle;msorcl32.dll").VarcharSize = 2000;
  AddDriver("Oracle8;sqoci32.dll").VarcharSize = 2000;
  {
    auto& d = AddDriver("SQL Server;sysybnt.dll");
    d.VarcharSize = 30;
    d.VarbinarySize = 8;
    d.TimestampSize = 23;
    d.TimestampDigits = 3;
  }
  {
    auto& d = AddDriver("Adaptive Server Anywhere;dbodbc6w.dll");
    d.CharSize = d.VarcharSize = d.BinarySize = d.VarbinarySize = 32767;
    d.TimestampSize = 26;
    d.TimestampDigits = 6;
  }
  {
    auto& d = AddDriver("Informix;iclit09a.dll");
    d.CharSize = 32767;
    d.TimestampSize = 25;
    d.TimestampDigits = 5;
  }
  {
    auto& d = AddDriver("InterBase;iscdrv32.dll");
    d.CharSize = 32767;
    d.VarcharSize = 32765;
  }
  AddDriver("Access;odbcjt32.dll").LongVarbinarySize = 1073741823;
  {
    auto& d = AddDriver("dBase;odbcjt32.dll");
    d.CharSize = d.VarcharSize = d.BinarySize = d.VarbinarySize = 254;
    d.LongVarcharSize = d.LongVarbinarySize = 1073741823;
  }
  {
    auto& d = AddDriver("Paradox;odbcjt32.dll");
    d.BinarySize = d.VarbinarySize = 254;
    d.LongVarcharSize = d.LongVarbinarySize = 1073741823;
  }
  {
    auto& d = AddDriver("Visual FoxPro;vfpodbc.dll");
    d.CharSize = d.VarcharSize = d.BinarySize = d.VarbinarySize = 254;
  }
  {
    auto& d = AddDriver("FoxPro;odbcjt32.dll");
    d.CharSize = d.VarcharSize = d.BinarySize = d.VarbinarySize = 254;
  }
}

TDriverRec& THdbc::AddDriver(const std::string& key) {
  driverTable_.push_back(TDriverRec{});
  driverTable_.back().Key = key;
  return driverTable_.back();
}

TDriverRec* THdbc::FindDriver(const std::string& key) {
  for (auto& d : driverTable_)
    if (SameText(d.Key, key)) return &d;
  return nullptr;
}

bool THdbc::Init() {
  if (allocated_) return true;
  THenv& env = GlobalEnv();
  if (poolingPending_) {
    poolingPending_ = false;
    env.SetConnectionPooling(pendingPooling_);
  }
  SQLHDBC h = SQL_NULL_HDBC;
  retCode_ = SQLAllocHandle(SQL_HANDLE_DBC, env.Handle(), &h);
  // A failed allocation is recorded on the environment handle.
  if (!TODBCError::IsSuccess(retCode_)) env.Error.RaiseError(&env, retCode_);
  hdbc_ = h;
  env.Children.AddChild(this);
  allocated_ = true;
  SetCursorLib(cursorLib_);
  THbase::Init();
  return true;
}

SQLHDBC THdbc::Handle() {
  Init();
  return hdbc_;
}

std::string THdbc::ConnectionString() const {
  std::string s;
  if (!dataSource_.empty()) s += "DSN=" + ConnValue(dataSource_) + ";";
  if (!userName_.empty()) s += "UID=" + ConnValue(userName_) + ";";
  if (!password_.empty()) s += "PWD=" + ConnValue(password_) + ";";
  if (!driver_.empty()) s += "DRIVER=" + ConnValue(driver_) + ";";
  for (const auto& line : attributes_) s += line + ";";
  return s;
}

void THdbc::Connect() {
  Init();
  if (connected_) return;
  DoBeforeConnect();
  SetCursorLib(cursorLib_);
  THenv& env = GlobalEnv();
  if (infoPrompt_ == SQL_DRIVER_NOPROMPT && driver_.empty() && attributes_.empty()) {
    retCode_ =
        SQLConnect(hdbc_, (SQLCHAR*)dataSource_.c_str(), SQL_NTS, (SQLCHAR*)userName_.c_str(),
                   SQL_NTS, (SQLCHAR*)password_.c_str(), SQL_NTS);
  } else {
    const std::string cs = ConnectionString();
    SQLCHAR out[256] = {0};
    SQLSMALLINT outLength = 0;
    retCode_ = SQLDriverConnect(hdbc_, env.ParentWindow, (SQLCHAR*)cs.c_str(), SQL_NTS, out,
                                sizeof out, &outLength, infoPrompt_);
  }
  if (!TODBCError::IsSuccess(retCode_)) env.Error.RaiseError(this, retCode_);
  connected_ = true;
  SetIsolationLevel(isolationLevel_);
  describeParamUnsupported_ = !GetFunctions(SQL_API_SQLDESCRIBEPARAM);
  DoAfterConnect();
}

void THdbc::Disconnect() {
  if (!connected_) return;
  DoBeforeDisconnect();
  Children.TerminateAll();
  retCode_ = SQLDisconnect(hdbc_);
  if (!TODBCError::IsSuccess(retCode_)) GlobalEnv().Error.RaiseError(this, retCode_);
  connected_ = false;
  DoAfterDisconnect();
}

bool THdbc::Terminate() {
  THbase::Terminate();
  if (!allocated_) return true;
  Children.TerminateAll();
  if (connected_) Disconnect();
  THenv& env = GlobalEnv();
  env.Children.RemoveChild(this);
  retCode_ = SQLFreeHandle(SQL_HANDLE_DBC, hdbc_);
  // Whatever the driver manager answers, this object no longer holds the handle.
  if (!TODBCError::IsSuccess(retCode_)) {
    try {
      env.Error.RaiseError(this, retCode_);
    } catch (...) {
      hdbc_ = SQL_NULL_HDBC;
      allocated_ = false;
      throw;
    }
  }
  hdbc_ = SQL_NULL_HDBC;
  allocated_ = false;
  return true;
}

void THdbc::SetConnected(bool value) {
  if (Loading()) {
    storedConnected_ = value;
    return;
  }
  if (value)
    Connect();
  else
    Disconnect();
}

void THdbc::Loaded() {
  THbase::Loaded();
  if (!storedConnected_) return;
  storedConnected_ = false;
  try {
    Connect();
  } catch (EODBC& e) {
    e.ShowDialog("Cannot connect " + Name() + " to database.");
  }
}

void THdbc::ChangeAttribute(SQLINTEGER attribute, SQLUINTEGER value) {
  SQLULEN current = 0;
  retCode_ = SQLGetConnectAttr(hdbc_, attribute, &current, sizeof current, nullptr);
  if (TODBCError::IsSuccess(retCode_) && current != value) {
    retCode_ = SQLSetConnectAttr(hdbc_, attribute, reinterpret_cast<SQLPOINTER>(SQLULEN{value}),
                                 SQL_IS_UINTEGER);
    if (!TODBCError::IsSuccess(retCode_)) GlobalEnv().Error.RaiseError(this, retCode_);
  }
}

void THdbc::SetCursorLib(SQLUINTEGER value) {
  if (connected_) Disconnect();
  cursorLib_ = value;
  if (allocated_) ChangeAttribute(SQL_ATTR_ODBC_CURSORS, value);
}

void THdbc::SetIsolationLevel(SQLUINTEGER value) {
  isolationLevel_ = value;
  if (allocated_) ChangeAttribute(SQL_ATTR_TXN_ISOLATION, value);
}

TConnectionPooling THdbc::ConnectionPooling() const { return GlobalEnv().ConnectionPooling(); }

void THdbc::SetConnectionPooling(TConnectionPooling value) {
  if (Loading()) {
    pendingPooling_ = value;
    poolingPending_ = true;
    return;
  }
  GlobalEnv().SetConnectionPooling(value);
}

bool THdbc::GetFunctions(SQLUSMALLINT functionId) {
  if (functionId == SQL_API_ALL_FUNCTIONS || functionId == SQL_API_ODBC3_ALL_FUNCTIONS)
    throw EQuarnel("Cannot return information for more than one function at a time.");
  Connect();
  SQLUSMALLINT supported = 0;
  retCode_ = SQLGetFunctions(hdbc_, functionId, &supported);
  return TODBCError::IsSuccess(retCode_) && supported != 0;
}

std::string THdbc::GetInfoString(SQLUSMALLINT infoType) {
  Connect();
  SQLCHAR buffer[256] = {0};
  SQLSMALLINT length = 0;
  retCode_ = SQLGetInfo(hdbc_, infoType, buffer, sizeof buffer, &length);
  if (!TODBCError::IsSuccess(retCode_)) return {};
  const char* p = reinterpret_cast<const char*>(buffer);
  return std::string(p, strnlen(p, sizeof buffer));
}

SQLUINTEGER THdbc::GetInfoInteger(SQLUSMALLINT infoType) {
  Connect();
  SQLUINTEGER value = 0;
  SQLSMALLINT length = 0;
  retCode_ = SQLGetInfo(hdbc_, infoType, &value, sizeof value, &length);
  return TODBCError::IsSuccess(retCode_) ? value : 0;
}

bool THdbc::DescribeParamUnsupported() {
  Connect();
  return describeParamUnsupported_;
}

std::string THdbc::DriverKey() {
  return GetInfoString(SQL_DBMS_NAME) + ";" + GetInfoString(SQL_DRIVER_NAME);
}

void THdbc::DoBeforeConnect() {
  if (BeforeConnect) BeforeConnect(this);
}
void THdbc::DoAfterConnect() {
  if (AfterConnect) AfterConnect(this);
}
void THdbc::DoBeforeDisconnect() {
  if (BeforeDisconnect) BeforeDisconnect(this);
}
void THdbc::DoAfterDisconnect() {
  if (AfterDisconnect) AfterDisconnect(this);
}

}  // namespace prenos
