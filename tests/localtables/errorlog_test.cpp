// The error log on real table files: the table made on the first record, the field
// rules of a record, what is never recorded, and a damaged or locked table that is
// neither re-created nor a failure for the caller.
#include "localtables/errorlog.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

#include "platform/datetime.h"
#include "platform/exceptions.h"
#include "support/error_records.h"

namespace fs = std::filesystem;
using namespace prenos;
using prenos::testing::ErrorRecords;
using prenos::testing::ErrorTableFile;
using prenos::testing::TempPrefix;

namespace {

class EUserAbort : public EAbort {
 public:
  using EAbort::EAbort;
  const char* ClassName() const noexcept override { return "EUserAbort"; }
};

std::string FileBytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The result of one query by the sqlite3 library, outside the table store. It may write:
// a record cut off by a kill leaves a journal that the next user rolls back.
std::string SqliteScalar(const fs::path& file, const std::string& sql) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
  sqlite3_stmt* st = nullptr;
  std::string out;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK &&
      sqlite3_step(st) == SQLITE_ROW)
    out = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
  else
    out = std::string("(error) ") + sqlite3_errmsg(db);
  sqlite3_finalize(st);
  sqlite3_close(db);
  return out;
}

struct HookReset {
  ~HookReset() { SetActiveNamesHook({}); }
};

}  // namespace

TEST(ErrorLog, TheFirstRecordCreatesTheTableWithItsTenFields) {
  TempPrefix prefix;
  ASSERT_FALSE(fs::exists(ErrorTableFile()));
  const TDateTime before = Now();
  const EConvertError e("'x' is not a valid integer value");
  LogError(&e, &Application(), "StrZeroInt");
  const TDateTime after = Now();

  EXPECT_EQ(ErrorTableFile(), prefix.Dir() / "drive_c" / "TorvikError.db");
  ASSERT_TRUE(fs::exists(ErrorTableFile()));
  {
    TTable t;
    t.SetTableName("c:\\TorvikError");
    t.Open();
    struct Want {
      const char* name;
      TFieldType type;
      int size;
    };
    const Want want[] = {
        {"Cas", TFieldType::DateTime, 0},         {"FormName", TFieldType::String, 20},
        {"ControlName", TFieldType::String, 20},  {"SenderName", TFieldType::String, 20},
        {"ObjectName", TFieldType::String, 100},  {"Operation", TFieldType::String, 30},
        {"ExceptObject", TFieldType::String, 20}, {"BuildNo", TFieldType::SmallInt, 0},
        {"Error", TFieldType::String, 255},       {"SenderProp", TFieldType::Memo, 1}};
    ASSERT_EQ(t.FieldCount(), 10);
    for (int i = 0; i < 10; ++i) {
      EXPECT_EQ(t.Fields(i).FieldName(), want[i].name);
      EXPECT_EQ(t.Fields(i).DataType(), want[i].type) << want[i].name;
      if (want[i].type == TFieldType::String) {
        EXPECT_EQ(t.Fields(i).Size(), want[i].size) << want[i].name;
      }
    }
    ASSERT_EQ(t.RecordCount(), 1);
    const TDateTime cas = t.FieldByName("Cas").AsDateTime();
    // The table keeps whole seconds.
    EXPECT_GE(cas, before - 1.0 / 86400);
    EXPECT_LE(cas, after + 1.0 / 86400);
  }
  const auto r = ErrorRecords().at(0);
  EXPECT_EQ(r.at("FormName"), std::nullopt);  // no GUI hook: no window
  EXPECT_EQ(r.at("ControlName"), std::nullopt);
  EXPECT_EQ(r.at("SenderName"), "TApplication");
  EXPECT_EQ(r.at("ObjectName"), std::nullopt);  // the application object has no name
  EXPECT_EQ(r.at("Operation"), "StrZeroInt");
  EXPECT_EQ(r.at("ExceptObject"), "EConvertError");
  EXPECT_EQ(r.at("BuildNo"), std::nullopt);
  EXPECT_EQ(r.at("Error"), "'x' is not a valid integer value");
  EXPECT_EQ(r.at("SenderProp"), std::nullopt);  // not a statement or data set

  // Records are only appended, in order, and no table stays open between them: the file
  // can be locked exclusively right after each record.
  TComponent owner(nullptr, "DataSif");
  TComponent named(&owner, "UpdateHstmt");
  const std::runtime_error plain("disk full");
  LogError(&plain, &named, "HstmtExecute-UpdateHstmt");
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(ErrorTableFile().c_str(), &db), SQLITE_OK);
  EXPECT_EQ(sqlite3_exec(db, "BEGIN EXCLUSIVE; COMMIT;", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(db);
  const auto all = ErrorRecords();
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0].at("Operation"), "StrZeroInt");
  EXPECT_EQ(all[1].at("SenderName"), "TComponent");
  EXPECT_EQ(all[1].at("ObjectName"), "UpdateHstmt");
  EXPECT_EQ(all[1].at("ExceptObject"), "std::runtime_error");
  EXPECT_EQ(all[1].at("Error"), "disk full");
}

TEST(ErrorLog, TheSilentAbortIsNotRecordedButAClassDerivedFromItIs) {
  TempPrefix prefix;
  const EAbort abort;
  LogError(&abort, &Application(), "sqlExecute");
  EXPECT_FALSE(fs::exists(ErrorTableFile()));  // not even the table is made
  EXPECT_TRUE(ErrorRecords().empty());

  const EUserAbort derived("stopped by the user");
  LogError(&derived, &Application(), "sqlExecute");
  LogError(&abort, &Application(), "sqlExecute");
  const auto records = ErrorRecords();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].at("ExceptObject"), "EUserAbort");
  EXPECT_EQ(records[0].at("Error"), "stopped by the user");

  // LogErrorAbort records (unless it is handed the abort itself) and then aborts with
  // exactly EAbort.
  try {
    const EConvertError e("bad");
    LogErrorAbort(&e, &Application(), "NovaStevGlavC-Teme");
    ADD_FAILURE() << "no abort";
  } catch (const EAbort& a) {
    EXPECT_TRUE(IsExactlyEAbort(a));
  }
  EXPECT_THROW(LogErrorAbort(&abort, &Application(), "x"), EAbort);
  const auto after = ErrorRecords();
  ASSERT_EQ(after.size(), 2u);
  EXPECT_EQ(after[1].at("Operation"), "NovaStevGlavC-Teme");
}

TEST(ErrorLog, FieldRulesNoExceptionCutsBuildNoAndTheWindowHook) {
  TempPrefix prefix;
  HookReset reset;
  LogError(nullptr, &Application(), "ReplicateStr");

  const std::string longMessage(300, 'm');
  const EDatabaseError big(std::string(254, 'a') +
                           "\x8a"
                           "bc");  // Š at the cut
  const std::string longOperation = "GetMaxValueInTable-Pozicija-TemePoz-Temeljnica = '02KA00001'";
  TComponent longName(nullptr, std::string(120, 'n'));
  LogError(&big, &longName, longOperation);

  const EDatabaseError e300(longMessage);
  LogError(&e300, nullptr, "wwOpenTable-tbLookPoslDog", 0);

  SetActiveNamesHook([] { return std::optional<TActiveNames>({"fPrenos", "fDatum"}); });
  LogError(nullptr, &Application(), "with focus");
  SetActiveNamesHook([] { return std::optional<TActiveNames>({"fPrenos", ""}); });
  LogError(nullptr, &Application(), "no focus");
  SetActiveNamesHook([] { return std::optional<TActiveNames>(); });
  LogError(nullptr, &Application(), "no window");
  SetActiveNamesHook([]() -> std::optional<TActiveNames> { throw std::runtime_error("gone"); });
  LogError(nullptr, &Application(), "hook fails");

  const auto r = ErrorRecords();
  ASSERT_EQ(r.size(), 7u);
  EXPECT_EQ(r[0].at("ExceptObject"), std::nullopt);
  EXPECT_EQ(r[0].at("Error"), std::nullopt);
  EXPECT_EQ(r[0].at("Operation"), "ReplicateStr");

  EXPECT_EQ(r[1].at("Error"), std::string(254, 'a') + "\x8a");
  EXPECT_EQ(r[1].at("Operation"), longOperation.substr(0, 30));
  EXPECT_EQ(r[1].at("ObjectName"), std::string(100, 'n'));
  EXPECT_EQ(r[1].at("BuildNo"), std::nullopt);

  EXPECT_EQ(r[2].at("Error"), longMessage.substr(0, 255));
  EXPECT_EQ(r[2].at("BuildNo"), "0");
  EXPECT_EQ(r[2].at("SenderName"), std::nullopt);  // no sender

  EXPECT_EQ(r[3].at("FormName"), "fPrenos");
  EXPECT_EQ(r[3].at("ControlName"), "fDatum");
  EXPECT_EQ(r[4].at("FormName"), "fPrenos");
  EXPECT_EQ(r[4].at("ControlName"), std::nullopt);
  EXPECT_EQ(r[5].at("FormName"), std::nullopt);
  EXPECT_EQ(r[5].at("Operation"), "no window");
  // A failing step leaves the fields after it unset; the record is still stored.
  EXPECT_TRUE(r[6].at("Cas").has_value());
  EXPECT_EQ(r[6].at("Operation"), std::nullopt);
}

TEST(ErrorLog, APasswordInAConnectionStringIsNeverWritten) {
  TempPrefix prefix;
  const EDatabaseError e(
      "Cannot connect: DSN=MSStelvar;UID=sa;PWD=Skrivnost1;DRIVER=SQL Server; "
      "or pwd=drugo");
  LogError(&e, &Application(), "Connect");
  const auto r = ErrorRecords();
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0].at("Error"),
            "Cannot connect: DSN=MSStelvar;UID=sa;PWD=***;DRIVER=SQL Server; or pwd=***");
  EXPECT_EQ(FileBytes(ErrorTableFile()).find("Skrivnost1"), std::string::npos);

  // A braced password is hidden whole, its ";" and doubled "}}" included; a brace never
  // closed hides the rest of the text.
  const EDatabaseError braced("DSN=MSStelvar;PWD={se;cr}}et};DRIVER=SQL Server; PWD={od;prto");
  {
    const TErrorLogWatch watch;
    LogError(&braced, &Application(), "Connect");
    EXPECT_TRUE(watch.Seen());
    EXPECT_EQ(watch.Operation(), "Connect");
    EXPECT_EQ(watch.Error(), "DSN=MSStelvar;PWD=***;DRIVER=SQL Server; PWD=***");
    LogError(&e, &Application(), "Drugic");
    EXPECT_EQ(watch.Operation(), "Connect") << "the first record is kept";
  }
  const auto all = ErrorRecords();
  ASSERT_EQ(all.size(), 3u);
  EXPECT_EQ(all[1].at("Error"), "DSN=MSStelvar;PWD=***;DRIVER=SQL Server; PWD=***");
  for (const char* secret : {"se;cr", "et}", "od;prto"})
    EXPECT_EQ(FileBytes(ErrorTableFile()).find(secret), std::string::npos) << secret;
}

TEST(ErrorLog, ATableThatExistsButCannotBeOpenedIsNeverRecreated) {
  TempPrefix prefix;
  const EConvertError e("first");

  // Damaged: not a table file at all.
  fs::create_directories(prefix.Dir() / "drive_c");
  const std::string garbage =
      "this is not a table file, but somebody's records " + std::string(5000, '#');
  { std::ofstream(ErrorTableFile(), std::ios::binary) << garbage; }
  LogError(&e, &Application(), "damaged");  // returns: the caller goes on
  EXPECT_EQ(FileBytes(ErrorTableFile()), garbage);
  EXPECT_THROW(LogErrorAbort(&e, &Application(), "damaged"), EAbort);
  EXPECT_EQ(FileBytes(ErrorTableFile()), garbage);

  // Not a file: a folder in its place.
  fs::remove(ErrorTableFile());
  fs::create_directory(ErrorTableFile());
  LogError(&e, &Application(), "folder");
  EXPECT_TRUE(fs::is_directory(ErrorTableFile()));
  EXPECT_TRUE(fs::is_empty(ErrorTableFile()));
  fs::remove(ErrorTableFile());

  // Locked by another program: the one record is lost, the earlier ones stay, and the
  // next record after the lock goes in.
  LogError(&e, &Application(), "before");
  ASSERT_EQ(ErrorRecords().size(), 1u);
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(ErrorTableFile().c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
  LogError(&e, &Application(), "while locked");
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_close(db);
  LogError(&e, &Application(), "after");
  const auto r = ErrorRecords();
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(r[0].at("Operation"), "before");
  EXPECT_EQ(r[1].at("Operation"), "after");
}

TEST(ErrorLog, KillingTheProcessWhileRecordsAreWrittenLeavesASoundTable) {
  TempPrefix prefix;
  const EConvertError e("written in a loop");
  LogError(&e, &Application(), "parent");
  for (int round = 0; round < 3; ++round) {
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      // Writes until killed, and dies with the test should the test die first.
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      close(ready[0]);
      for (int n = 0; n < 100000; ++n) {
        LogError(&e, &Application(), "child");
        if (n == 20) (void)!write(ready[1], "x", 1);
      }
      _exit(0);
    }
    close(ready[1]);
    char c = 0;
    const bool started = read(ready[0], &c, 1) == 1;
    close(ready[0]);
    // Kill it wherever it is: between records, appending, or committing.
    usleep(static_cast<useconds_t>(round * 700));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(started);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(SqliteScalar(ErrorTableFile(), "PRAGMA integrity_check"), "ok");
  }
  const size_t before = ErrorRecords().size();
  EXPECT_GT(before, 60u);
  LogError(&e, &Application(), "parent again");
  const auto r = ErrorRecords();
  ASSERT_EQ(r.size(), before + 1);
  EXPECT_EQ(r.front().at("Operation"), "parent");
  EXPECT_EQ(r.back().at("Operation"), "parent again");
  for (const auto& rec : r) EXPECT_EQ(rec.at("Error"), "written in a loop");
}

TEST(ErrorLog, AnExistingTableWithWindows1250RowsIsKeptAndReadsBack) {
  TempPrefix prefix;
  LogError(nullptr, &Application(), "first");
  // A record as earlier versions wrote it: the message in Windows-1250 bytes.
  EXPECT_EQ(
      SqliteScalar(ErrorTableFile(),
                   "INSERT INTO TorvikError (Operation, Error) VALUES "
                   "('legacy', CAST(X'8A6F6C61206A65207A61707274612E' AS TEXT)) RETURNING 'ok'"),
      "ok");
  const EConvertError e(
      "Napaka v vrstici 2, polje Znesek (mesta 169\x96"
      "185):\n'\x9a' ni \xe8"
      "ist");
  LogError(&e, &Application(), "new");
  const auto r = ErrorRecords();
  ASSERT_EQ(r.size(), 3u);
  EXPECT_EQ(r[0].at("Operation"), "first");
  EXPECT_EQ(r[1].at("Error"), "\x8aola je zaprta.");  // Šola je zaprta.
  EXPECT_EQ(r[2].at("Error"), e.Message());
  // New records are UTF-8 in the file.
  EXPECT_EQ(SqliteScalar(ErrorTableFile(), "SELECT Error FROM TorvikError WHERE Operation = 'new'"),
            "Napaka v vrstici 2, polje Znesek (mesta 169–185):\n'š' ni čist");
}
