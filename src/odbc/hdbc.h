// The connection component: stored login and options, connect and disconnect with their
// notifications, driver information, and the table of parameter sizes per driver.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "odbc/hbase.h"
#include "odbc/henv.h"

namespace prenos {

// Column sizes a parameter gets when the driver cannot describe it, per driver.
struct TDriverRec {
  std::string Key;  // DBMS name ";" driver file name
  SQLUINTEGER CharSize = 255;
  SQLUINTEGER VarcharSize = 255;
  SQLUINTEGER LongVarcharSize = 2147483647;
  SQLUINTEGER BinarySize = 255;
  SQLUINTEGER VarbinarySize = 255;
  SQLUINTEGER LongVarbinarySize = 2147483647;
  SQLUINTEGER DecimalSize = 15;
  SQLUINTEGER NumericSize = 15;
  SQLUINTEGER TimestampSize = 19;
  SQLSMALLINT DecimalDigits = 15;
  SQLSMALLINT NumericDigits = 15;
  SQLSMALLINT TimestampDigits = 0;
};

class THdbc : public THbase {
 public:
  explicit THdbc(TComponent* owner = nullptr, std::string name = {});
  ~THdbc() override;

  const char* ClassName() const override { return "THdbc"; }

  bool Init() override;
  bool Terminate() override;

  void Connect();
  void Disconnect();

  // Stored properties. Setting the login texts only stores them: they take effect at the
  // next Connect.
  bool Connected() const { return connected_; }
  void SetConnected(bool value);
  const std::string& Driver() const { return driver_; }
  void SetDriver(std::string value) { driver_ = std::move(value); }
  const std::string& DataSource() const { return dataSource_; }
  void SetDataSource(std::string value) { dataSource_ = std::move(value); }
  const std::string& UserName() const { return userName_; }
  void SetUserName(std::string value) { userName_ = std::move(value); }
  const std::string& Password() const { return password_; }
  void SetPassword(std::string value) { password_ = std::move(value); }
  // Further keyword=value pairs of the connection string, one per line, used as given.
  const std::vector<std::string>& Attributes() const { return attributes_; }
  void SetAttributes(std::vector<std::string> lines) { attributes_ = std::move(lines); }
  SQLUINTEGER IsolationLevel() const { return isolationLevel_; }
  void SetIsolationLevel(SQLUINTEGER value);
  SQLUSMALLINT InfoPrompt() const { return infoPrompt_; }
  void SetInfoPrompt(SQLUSMALLINT value) { infoPrompt_ = value; }
  SQLUINTEGER CursorLib() const { return cursorLib_; }
  // Disconnects first when connected: the cursor library changes only while unconnected.
  void SetCursorLib(SQLUINTEGER value);
  TConnectionPooling ConnectionPooling() const;
  void SetConnectionPooling(TConnectionPooling value);
  std::string Version() const { return "5.05"; }
  void SetVersion(const std::string&) {}

  TNotifyEvent BeforeConnect, AfterConnect, BeforeDisconnect, AfterDisconnect;

  // The connection string SQLDriverConnect receives. A value holding ";", "{" or "}",
  // or starting or ending with a blank, goes in braces with "}" doubled; other values
  // are inserted as they are.
  std::string ConnectionString() const;

  // Whether the driver supports one ODBC function (connects first).
  bool GetFunctions(SQLUSMALLINT functionId);
  // SQLGetInfo as text / 32-bit number (connects first); empty / 0 when it fails.
  std::string GetInfoString(SQLUSMALLINT infoType);
  SQLUINTEGER GetInfoInteger(SQLUSMALLINT infoType);
  // Connects if needed; true when SQLDescribeParam is not available.
  bool DescribeParamUnsupported();
  // DBMS name ";" driver file name.
  std::string DriverKey();
  // First entry whose key equals the given one ignoring letter case; nullptr if none.
  TDriverRec* FindDriver(const std::string& key);
  std::vector<TDriverRec>& DriverTable() { return driverTable_; }
  TDriverRec& AddDriver(const std::string& key);

  // The connection handle, allocated first when needed.
  SQLHDBC Handle();
  bool Allocated() const { return allocated_; }
  SQLRETURN RetCode() const { return retCode_; }
  SQLSMALLINT HandleType() const override { return SQL_HANDLE_DBC; }
  SQLHANDLE RawHandle() const override { return hdbc_; }

  // Allocated statements of this connection.
  TChildren Children;

 protected:
  virtual void DoBeforeConnect();
  virtual void DoAfterConnect();
  virtual void DoBeforeDisconnect();
  virtual void DoAfterDisconnect();
  // Connects when Connected was set while loading; an EODBC is shown in the error dialog.
  void Loaded() override;

 private:
  void FillDriverTable();
  // Sets an unsigned connection attribute when the driver holds another value; raises
  // when the driver refuses it.
  void ChangeAttribute(SQLINTEGER attribute, SQLUINTEGER value);

  SQLHDBC hdbc_ = SQL_NULL_HDBC;
  bool allocated_ = false;
  SQLRETURN retCode_ = SQL_SUCCESS;
  bool connected_ = false;
  bool storedConnected_ = false;
  TConnectionPooling pendingPooling_ = TConnectionPooling::cpDefault;
  bool poolingPending_ = false;
  bool describeParamUnsupported_ = false;
  std::vector<TDriverRec> driverTable_;

  std::string driver_, dataSource_, userName_, password_;
  std::vector<std::string> attributes_;
  SQLUINTEGER isolationLevel_ = SQL_TXN_READ_COMMITTED;
  SQLUSMALLINT infoPrompt_ = SQL_DRIVER_NOPROMPT;
  SQLUINTEGER cursorLib_ = SQL_CUR_USE_DRIVER;
};

// The "hDbc --> " line of an error record's details for a component that uses a
// connection; left out when reading the connection fails.
template <class TUser>
void AppendConnectionLine(const TUser& user, std::string& out) {
  try {
    const THdbc* hdbc = user.hDbc();
    out += "hDbc --> " + (hdbc ? hdbc->Name() : std::string()) + "\r\n";
  } catch (...) {
  }
}

}  // namespace prenos
