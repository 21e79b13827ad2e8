// Store tables on real SQLite files: definitions, appending, reading, conversions,
// failures, file placement and sharing a file between table objects and tools.
#include "localtables/table.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "platform/convert.h"
#include "platform/datetime.h"
#include "support/prefix_fixture.h"

namespace prenos {
namespace {

namespace fs = std::filesystem;

class TableTest : public testing::PrefixTest {
 protected:
  void SetUp() override {
    PrefixTest::SetUp();
    SetFormatSettings(FormatSettings{});  // decimal '.', dates d.m.y with '.'
  }

  // A table "Mix" in alias "Test" with one field of every type.
  static void DefineMix(TTable& t) {
    t.SetDatabaseName("Test");
    t.SetTableName("Mix");
    t.ClearFieldDefs();
    t.AddFieldDef("Num", TFieldType::Integer);
    t.AddFieldDef("Small", TFieldType::SmallInt);
    t.AddFieldDef("KzRacuna", TFieldType::String, 10);
    t.AddFieldDef("Amount", TFieldType::Float);
    t.AddFieldDef("Day", TFieldType::Date);
    t.AddFieldDef("Stamp", TFieldType::DateTime);
    t.AddFieldDef("Notes", TFieldType::Memo, 1);
    t.ClearIndexDefs();
  }

  static std::string MessageOf(const std::function<void()>& f) {
    try {
      f();
    } catch (const ELocalTable& e) {
      return e.Message();
    }
    return "(no ELocalTable)";
  }
};

TEST_F(TableTest, CreatesAppendsAndReadsEveryType) {
  TTable t;
  DefineMix(t);
  t.CreateTable();
  t.Open();
  EXPECT_TRUE(t.Active());
  EXPECT_TRUE(t.Eof());
  EXPECT_EQ(t.RecordCount(), 0);
  ASSERT_EQ(t.FieldCount(), 7);
  EXPECT_EQ(t.Fields(2).FieldName(), "KzRacuna");
  EXPECT_EQ(t.Fields(2).DataType(), TFieldType::String);
  EXPECT_EQ(t.Fields(2).Size(), 10);
  EXPECT_EQ(t.Fields(6).DataType(), TFieldType::Memo);

  const TDateTime day = EncodeDate(2002, 3, 10);
  const TDateTime stamp = EncodeDate(2002, 3, 15) + EncodeTime(13, 45, 30, 0);
  t.Append();
  t.FieldByName("Num").SetAsInteger(-2147483648LL);
  t.FieldByName("Small").SetAsString("-123");
  t.FieldByName("KzRacuna").SetAsString("1200");
  t.FieldByName("Amount").SetAsFloat(1234.56);
  t.FieldByName("Day").SetAsDateTime(day + 0.75);  // a date field keeps the date only
  t.FieldByName("Stamp").SetAsDateTime(stamp);
  t.FieldByName("Notes").SetAsString("line 1\r\nline 2  ");
  t.Post();
  t.Append();
  t.FieldByName("Num").SetAsString("42");
  t.FieldByName("Amount").SetAsString("-0.5");
  t.FieldByName("Day").SetAsString("31.12.2002");
  t.FieldByName("Stamp").SetAsString("2002-12-31 23:59:58");
  t.Post();
  t.Close();

  TTable r;
  r.SetDatabaseName("Test");
  r.SetTableName("Mix");
  r.Open();
  EXPECT_EQ(r.RecordCount(), 2);
  EXPECT_FALSE(r.Eof());
  EXPECT_EQ(r.FieldByName("Num").AsInteger(), -2147483647 - 1);
  EXPECT_EQ(r.FieldByName("Small").AsInteger(), -123);
  EXPECT_EQ(r.FieldByName("Small").AsString(), "-123");
  EXPECT_EQ(r.FieldByName("KzRacuna").AsString(), "1200");
  EXPECT_EQ(r.FieldByName("KzRacuna").AsInteger(), 1200);
  EXPECT_DOUBLE_EQ(r.FieldByName("Amount").AsFloat(), 1234.56);
  EXPECT_EQ(r.FieldByName("Amount").AsString(), "1234.56");
  EXPECT_EQ(r.FieldByName("Day").AsDateTime(), day);
  EXPECT_EQ(r.FieldByName("Day").AsString(), "10.03.2002");
  EXPECT_NEAR(r.FieldByName("Stamp").AsDateTime(), stamp, 1e-9);
  EXPECT_EQ(r.FieldByName("Stamp").AsString(), "15.03.2002 13:45:30");
  EXPECT_EQ(r.FieldByName("Notes").AsString(), "line 1\r\nline 2  ");
  r.Next();
  EXPECT_FALSE(r.Eof());
  EXPECT_EQ(r.FieldByName("Num").AsInteger(), 42);
  EXPECT_TRUE(r.FieldByName("Small").IsNull());
  EXPECT_DOUBLE_EQ(r.FieldByName("Amount").AsFloat(), -0.5);
  EXPECT_EQ(r.FieldByName("Day").AsDateTime(), EncodeDate(2002, 12, 31));
  EXPECT_NEAR(r.FieldByName("Stamp").AsDateTime(),
              EncodeDate(2002, 12, 31) + EncodeTime(23, 59, 58, 0), 1e-9);
  r.Next();
  EXPECT_TRUE(r.Eof());
  // Past the end the last record stays current; First goes back.
  EXPECT_EQ(r.FieldByName("Num").AsInteger(), 42);
  r.First();
  EXPECT_EQ(r.FieldByName("Num").AsInteger(), -2147483647 - 1);
}

TEST_F(TableTest, FieldsAreFoundWithoutRegardToCase) {
  TTable t;
  DefineMix(t);
  t.CreateTable();
  t.Open();
  EXPECT_EQ(&t.FieldByName("KZRacuna"), &t.FieldByName("KzRacuna"));
  EXPECT_EQ(&t.FieldByName("kzracuna"), t.FindField("KZRACUNA"));
  EXPECT_EQ(t.FieldByName("kzracuna").FieldName(), "KzRacuna");
  EXPECT_EQ(t.FindField("KzRacun"), nullptr);
  const std::string msg = MessageOf([&] { t.FieldByName("Konto"); });
  EXPECT_NE(msg.find("'Konto'"), std::string::npos) << msg;
  EXPECT_NE(msg.find(":Test:Mix"), std::string::npos) << msg;
  // Two definitions whose names differ only in case are one name twice.
  t.Close();
  EXPECT_THROW(t.AddFieldDef("NUM", TFieldType::Integer), ELocalTable);
}

TEST_F(TableTest, StringsAreCutAndReadWithoutTrailingBlanks) {
  TTable t;
  DefineMix(t);
  t.CreateTable();
  t.Open();
  t.Append();
  t.FieldByName("KzRacuna").SetAsString("12345678901234");
  t.FieldByName("Notes").SetAsString("memo keeps blanks   ");
  t.Post();
  t.Append();
  t.FieldByName("KzRacuna").SetAsString("ab   ");
  t.Post();
  t.Append();
  t.FieldByName("KzRacuna").SetAsString("          ");
  t.Post();
  t.Append();
  t.FieldByName("KzRacuna").SetAsString("  x");
  t.Post();
  t.First();
  EXPECT_EQ(t.FieldByName("KzRacuna").AsString(), "1234567890");
  EXPECT_EQ(t.FieldByName("Notes").AsString(), "memo keeps blanks   ");
  t.Next();
  EXPECT_EQ(t.FieldByName("KzRacuna").AsString(), "ab");
  t.Next();
  // All blanks: stored, not null, but reads as the empty text.
  EXPECT_FALSE(t.FieldByName("KzRacuna").IsNull());
  EXPECT_EQ(t.FieldByName("KzRacuna").AsString(), "");
  t.Next();
  EXPECT_EQ(t.FieldByName("KzRacuna").AsString(), "  x");
  t.Close();

  // The file holds the texts as cut, blanks included.
  const std::string rows = Sqlite(Prefix() / "aliases/Test/Mix.db",
                                  "SELECT '[' || KzRacuna || ']' FROM Mix ORDER BY rowid");
  EXPECT_EQ(rows, "[1234567890]\n[ab   ]\n[          ]\n[  x]\n");
}

TEST_F(TableTest, EmptyFieldsReadAsEmptyTextZeroAndDateZero) {
  TTable t;
  DefineMix(t);
  t.CreateTable();
  t.Open();
  t.Append();
  t.FieldByName("Small").SetAsString("");
  t.FieldByName("Num").SetAsInteger(5);
  t.FieldByName("Num").SetAsString("");  // the empty text clears a number too
  t.FieldByName("KzRacuna").SetAsString("");
  t.Post();
  t.First();
  for (int i = 0; i < t.FieldCount(); ++i) {
    TField& f = t.Fields(i);
    SCOPED_TRACE(f.FieldName());
    EXPECT_TRUE(f.IsNull());
    EXPECT_EQ(f.AsString(), "");
    EXPECT_EQ(f.AsFloat(), 0.0);
    EXPECT_EQ(f.AsDateTime(), 0.0);
  }
  EXPECT_EQ(t.FieldByName("Small").AsInteger(), 0);
  t.Close();
  EXPECT_EQ(
      Sqlite(Prefix() / "aliases/Test/Mix.db",
             "SELECT count(*) FROM Mix WHERE Small IS NULL AND Num IS NULL AND KzRacuna IS NULL"),
      "1\n");
}

TEST_F(TableTest, TextsThatDoNotConvertRaiseAndKeepTheValue) {
  TTable t;
  DefineMix(t);
  t.CreateTable();
  t.Open();
  t.Append();
  t.FieldByName("Num").SetAsInteger(7);
  t.FieldByName("Amount").SetAsFloat(2.5);
  t.FieldByName("Day").SetAsDateTime(EncodeDate(2002, 1, 2));

  std::string msg = MessageOf([&] { t.FieldByName("Num").SetAsString("12x"); });
  EXPECT_NE(msg.find("'12x' is not a valid integer value"), std::string::npos) << msg;
  EXPECT_NE(msg.find(":Test:Mix"), std::string::npos) << msg;
  EXPECT_NE(msg.find("'Num'"), std::string::npos) << msg;
  msg = MessageOf([&] { t.FieldByName("Amount").SetAsString("1,5"); });
  EXPECT_NE(msg.find("'1,5' is not a valid floating point value"), std::string::npos) << msg;
  msg = MessageOf([&] { t.FieldByName("Day").SetAsString("31.02.2002"); });
  EXPECT_NE(msg.find("'31.02.2002' is not a valid date"), std::string::npos) << msg;
  msg = MessageOf([&] { t.FieldByName("Small").SetAsInteger(40000); });
  EXPECT_NE(msg.find("40000 is not in the range -32768 to 32767"), std::string::npos) << msg;
  EXPECT_THROW(t.FieldByName("Num").SetAsInteger(2147483648LL), ELocalTable);
  EXPECT_THROW(t.FieldByName("Num").SetAsFloat(NAN), ELocalTable);
  EXPECT_THROW(t.FieldByName("Day").SetAsInteger(3), ELocalTable);
  EXPECT_THROW(t.FieldByName("Num").SetAsDateTime(1.0), ELocalTable);
  EXPECT_THROW(t.FieldByName("Stamp").SetAsDateTime(EncodeDate(9999, 12, 31) + 1), ELocalTable);

  // Nothing was lost by the failed settings.
  t.Post();
  t.First();
  EXPECT_EQ(t.FieldByName("Num").AsInteger(), 7);
  EXPECT_EQ(t.FieldByName("Amount").AsFloat(), 2.5);
  EXPECT_EQ(t.FieldByName("Day").AsDateTime(), EncodeDate(2002, 1, 2));
  EXPECT_TRUE(t.FieldByName("Small").IsNull());
  EXPECT_EQ(t.RecordCount(), 1);
}

TEST_F(TableTest, MissingTablesAreToldApart) {
  TTable t;
  t.SetDatabaseName("Test");
  t.SetTableName("Nowhere");
  try {
    t.Open();
    FAIL() << "opened a missing table";
  } catch (const ELocalTable& e) {
    EXPECT_TRUE(e.Missing());
    EXPECT_STREQ(e.ClassName(), "ELocalTable");
    EXPECT_NE(e.Message().find("Nowhere"), std::string::npos) << e.Message();
    EXPECT_NE(dynamic_cast<const EDatabaseError*>(&e), nullptr);
  }
  EXPECT_FALSE(t.Active());
  EXPECT_FALSE(fs::exists(Prefix() / "aliases/Test/Nowhere.db"));  // opening creates nothing

  // A file that is not a table file is not "missing": it is damaged.
  WriteFile("aliases/Test/Junk.db", std::string(2048, 'x'));
  t.SetTableName("Junk");
  try {
    t.Open();
    FAIL() << "opened a damaged table";
  } catch (const ELocalTable& e) {
    EXPECT_FALSE(e.Missing());
    EXPECT_NE(e.Message().find("Junk"), std::string::npos) << e.Message();
  }
  // A table file of that name without the table in it counts as missing.
  Sqlite(Prefix() / "aliases/Test/Other.db", "CREATE TABLE Something (a INTEGER)");
  t.SetTableName("Other");
  try {
    t.Open();
    FAIL() << "opened a table that is not in its file";
  } catch (const ELocalTable& e) {
    EXPECT_TRUE(e.Missing());
  }

  // Operations on a closed table raise instead of doing nothing.
  EXPECT_THROW(t.Append(), ELocalTable);
  EXPECT_THROW(t.First(), ELocalTable);
  EXPECT_THROW(t.RecordCount(), ELocalTable);
  EXPECT_THROW(t.FieldByName("a"), ELocalTable);
}

TEST_F(TableTest, CreateReplacesTheTableOfThatName) {
  TTable t;
  DefineMix(t);
  t.CreateTable();
  t.Open();
  for (int i = 0; i < 3; ++i) {
    t.Append();
    t.FieldByName("Num").SetAsInteger(i);
    t.Post();
  }
  EXPECT_THROW(t.CreateTable(), ELocalTable);  // not while open
  EXPECT_THROW(t.SetTableName("Else"), ELocalTable);
  t.Close();

  t.ClearFieldDefs();
  t.AddFieldDef("Other", TFieldType::String, 5);
  t.CreateTable();
  t.Open();
  EXPECT_EQ(t.RecordCount(), 0);
  ASSERT_EQ(t.FieldCount(), 1);
  EXPECT_EQ(t.Fields(0).FieldName(), "Other");
  EXPECT_EQ(t.FindField("Num"), nullptr);
  t.Close();

  // Whatever else held the file name is replaced too.
  WriteFile("aliases/Test/Mix.db", "not a table file at all");
  DefineMix(t);
  t.CreateTable();
  t.Open();
  EXPECT_EQ(t.RecordCount(), 0);
  EXPECT_EQ(t.FieldCount(), 7);

  // Definitions that cannot make a table are refused before anything is touched.
  t.Close();
  t.ClearFieldDefs();
  EXPECT_THROW(t.CreateTable(), ELocalTable);
  EXPECT_THROW(t.AddFieldDef("S", TFieldType::String, 0), ELocalTable);
  EXPECT_THROW(t.AddFieldDef("", TFieldType::Integer), ELocalTable);
  t.Open();
  EXPECT_EQ(t.FieldCount(), 7);
}

TEST_F(TableTest, AppendCancelAndCloseDiscardOnlyTheOpenRecord) {
  TTable t;
  DefineMix(t);
  t.CreateTable();
  t.Open();
  EXPECT_THROW(t.Post(), ELocalTable);  // nothing being appended
  EXPECT_THROW(t.FieldByName("Num").SetAsInteger(1), ELocalTable);

  t.Append();
  t.FieldByName("Num").SetAsInteger(1);
  t.Post();
  t.Append();
  t.FieldByName("Num").SetAsInteger(2);
  t.Cancel();
  EXPECT_FALSE(t.Appending());
  EXPECT_EQ(t.FieldByName("Num").AsInteger(), 1);  // back on the posted record
  t.Append();
  t.FieldByName("Num").SetAsInteger(3);
  t.Append();  // posts the modified record first
  t.Append();  // an untouched record is dropped, not stored empty
  t.FieldByName("Num").SetAsInteger(4);
  t.Close();  // discards the record being appended

  t.Open();
  std::vector<int> seen;
  for (; !t.Eof(); t.Next()) seen.push_back(t.FieldByName("Num").AsInteger());
  EXPECT_EQ(seen, (std::vector<int>{1, 3}));

  // Moving while appending posts the modified record.
  t.Append();
  t.FieldByName("Num").SetAsInteger(5);
  t.First();
  EXPECT_EQ(t.RecordCount(), 3);

  // A required field without a value is refused with its name.
  t.Close();
  t.SetTableName("Req");
  t.ClearFieldDefs();
  t.AddFieldDef("Must", TFieldType::Integer, 0, true);
  t.CreateTable();
  t.Open();
  t.Append();
  const std::string msg = MessageOf([&] { t.Post(); });
  EXPECT_NE(msg.find("'Must' must have a value"), std::string::npos) << msg;
  t.FieldByName("Must").SetAsInteger(1);
  t.Post();
  EXPECT_EQ(t.RecordCount(), 1);
}

TEST_F(TableTest, TablesLiveWhereTheirNamesPoint) {
  TTable alias;
  DefineMix(alias);
  alias.SetDatabaseName("TorvikTemp");
  alias.SetTableName("Prenos");
  EXPECT_EQ(alias.FilePath(), Prefix() / "aliases/TorvikTemp/Prenos.db");
  alias.CreateTable();
  EXPECT_TRUE(fs::is_regular_file(Prefix() / "aliases/TorvikTemp/Prenos.db"));
  TTable otherCase;
  otherCase.SetDatabaseName("TorvikTemp");
  otherCase.SetTableName("PRENOS");
  EXPECT_EQ(otherCase.FilePath(), Prefix() / "aliases/TorvikTemp/Prenos.db");

  TTable win;
  DefineMix(win);
  win.SetDatabaseName("");
  win.SetTableName("c:\\TorvikError");
  EXPECT_EQ(win.DisplayName(), "c:\\TorvikError");
  win.CreateTable();
  EXPECT_TRUE(fs::is_regular_file(Prefix() / "drive_c/TorvikError.db"));
  win.Open();
  win.Append();
  win.FieldByName("Num").SetAsInteger(9);
  win.Post();
  win.Close();
  // The same table under another spelling of its path.
  TTable again;
  again.SetTableName("C:\\torvikerror");
  again.Open();
  EXPECT_EQ(again.FieldByName("Num").AsInteger(), 9);
  again.Close();

  TTable posix;
  DefineMix(posix);
  posix.SetDatabaseName("");
  const fs::path dir = Prefix() / "elsewhere";
  posix.SetTableName((dir / "Log").string());
  posix.CreateTable();
  EXPECT_TRUE(fs::is_regular_file(dir / "Log.db"));
  posix.SetTableName((dir / "Named.db").string());
  EXPECT_EQ(posix.FilePath(), dir / "Named.db");

  TTable unnamed;
  EXPECT_THROW(unnamed.Open(), ELocalTable);
}

TEST_F(TableTest, AnotherObjectSeesPostedRows) {
  TTable a;
  DefineMix(a);
  a.CreateTable();
  a.Open();
  for (int i = 1; i <= 3; ++i) {
    a.Append();
    a.FieldByName("Num").SetAsInteger(i);
    a.Post();
  }
  // Posted but not yet read or closed by a: another object still sees the rows, and
  // can append on its own without waiting for a.
  TTable b;
  DefineMix(b);
  b.Open();
  EXPECT_EQ(b.RecordCount(), 3);
  b.Append();
  b.FieldByName("Num").SetAsInteger(4);
  b.Post();
  a.Append();
  a.FieldByName("Num").SetAsInteger(5);
  a.Post();
  b.First();
  std::vector<int> seen;
  for (; !b.Eof(); b.Next()) seen.push_back(b.FieldByName("Num").AsInteger());
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 4, 5}));
  EXPECT_EQ(a.RecordCount(), 5);
  // A table open elsewhere is not re-created under its feet.
  TTable c;
  DefineMix(c);
  EXPECT_THROW(c.CreateTable(), ELocalTable);
  a.Close();
  b.Close();

  // Each record written by opening, appending, posting and closing, as a log does.
  for (int i = 0; i < 5; ++i) {
    TTable log;
    DefineMix(log);
    log.Open();
    log.Append();
    log.FieldByName("Num").SetAsInteger(100 + i);
    log.Post();
    log.Close();
  }
  EXPECT_EQ(Sqlite(Prefix() / "aliases/Test/Mix.db", "SELECT count(*), max(Num) FROM Mix"),
            "10|104\n");
}

TEST_F(TableTest, TheFileIsAPlainSqliteDatabase) {
  TTable t;
  DefineMix(t);
  t.CreateTable();
  t.Open();
  t.Append();
  t.FieldByName("Num").SetAsInteger(123);
  t.FieldByName("KzRacuna").SetAsString(std::string("\x8a\x9e\xe8 \x80\xff", 6));  // Šžč €ÿ
  t.FieldByName("Amount").SetAsFloat(0.07);
  t.FieldByName("Day").SetAsDateTime(EncodeDate(2002, 3, 10));
  t.FieldByName("Stamp").SetAsDateTime(EncodeDate(1899, 12, 29) - 0.5);
  t.Post();
  t.Close();

  const fs::path file = Prefix() / "aliases/Test/Mix.db";
  int status = -1;
  EXPECT_EQ(Sqlite(file, "PRAGMA integrity_check", &status), "ok\n");
  EXPECT_EQ(status, 0);
  EXPECT_EQ(
      Sqlite(file, "SELECT Num, Amount, Day, Stamp, hex(KzRacuna), typeof(KzRacuna) FROM Mix"),
      "123|0.07|2002-03-10|1899-12-29 12:00:00|C5A0C5BEC48D20E282ACCB99|text\n");
  // Texts are stored as UTF-8, so any tool reads them.
  EXPECT_EQ(Sqlite(file, "SELECT KzRacuna FROM Mix"), "Šžč €˙\n");
  EXPECT_EQ(
      Sqlite(file, "SELECT group_concat(name || ' ' || type, ', ') FROM pragma_table_info('Mix')"),
      "Num INTEGER, Small SMALLINT, KzRacuna VARCHAR(10), Amount FLOAT, Day DATE, "
      "Stamp DATETIME, Notes TEXT\n");
  // A closed table is one file: no log or journal is left beside it.
  EXPECT_EQ(Sqlite(file, "PRAGMA journal_mode"), "wal\n");
  for (const char* side : {"-journal", "-wal", "-shm"})
    EXPECT_FALSE(fs::exists(file.string() + side)) << side;

  // Rows another program writes while the table is open are read, and its bad values
  // are reported.
  t.Open();
  Sqlite(file, "INSERT INTO Mix (Num, Day, KzRacuna) VALUES (77, '2003-04-05', 'cli')");
  t.Next();
  ASSERT_FALSE(t.Eof());
  EXPECT_EQ(t.FieldByName("Num").AsInteger(), 77);
  EXPECT_EQ(t.FieldByName("Day").AsDateTime(), EncodeDate(2003, 4, 5));
  EXPECT_EQ(t.FieldByName("KzRacuna").AsString(), "cli");
  t.First();
  EXPECT_EQ(t.FieldByName("KzRacuna").AsString(), std::string("\x8a\x9e\xe8 \x80\xff", 6));
  EXPECT_NEAR(t.FieldByName("Stamp").AsDateTime(), EncodeDate(1899, 12, 29) - 0.5, 1e-9);
  t.Close();
  Sqlite(file, "INSERT INTO Mix (Day, Num) VALUES ('yesterday', 1), (NULL, 4294967296)");
  t.Open();
  t.Next();
  t.Next();
  ASSERT_FALSE(t.Eof());
  // The record is readable; only the value that does not fit raises when it is read.
  EXPECT_EQ(t.FieldByName("Num").AsInteger(), 1);
  EXPECT_FALSE(t.FieldByName("Day").IsNull());
  const std::string msg = MessageOf([&] { t.FieldByName("Day").AsDateTime(); });
  EXPECT_NE(msg.find("'Day'"), std::string::npos) << msg;
  EXPECT_NE(msg.find("'yesterday'"), std::string::npos) << msg;
  EXPECT_THROW(t.FieldByName("Day").AsString(), ELocalTable);
  t.Next();
  EXPECT_THROW(t.FieldByName("Num").AsInteger(), ELocalTable);
  EXPECT_EQ(t.FieldByName("Num").AsFloat(), 4294967296.0);
  t.Close();
  // Even with such a value in its first record the table opens and takes records.
  Sqlite(file, "DELETE FROM Mix WHERE Day IS NOT 'yesterday'");
  t.Open();
  t.Append();
  t.FieldByName("Num").SetAsInteger(8);
  t.Post();
  EXPECT_EQ(t.RecordCount(), 2);
}

TEST_F(TableTest, RowsEarlierVersionsWroteAsWindows1250ReadBackBesideUtf8Rows) {
  TTable t;
  DefineMix(t);
  t.CreateTable();
  const fs::path file = Prefix() / "aliases/Test/Mix.db";
  // Earlier versions stored the code page's bytes as they were: Šžč and "čšž", whose
  // bytes happen to be valid UTF-8 of a character the code page lacks.
  Sqlite(file,
         "INSERT INTO Mix (Num, KzRacuna, Notes) VALUES "
         "(1, CAST(X'8A9EE8' AS TEXT), CAST(X'E89A9E' AS TEXT)), (2, 'abc', CAST(X'81' AS TEXT))");
  t.Open();
  t.Append();
  t.FieldByName("Num").SetAsInteger(3);
  t.FieldByName("KzRacuna").SetAsString("\x8a\x9e\xe8");
  t.FieldByName("Notes").SetAsString("\xe8\x9a\x9e\x81");  // with a byte the code page leaves empty
  t.Post();
  t.First();
  const std::vector<std::pair<std::string, std::string>> want = {
      {"\x8a\x9e\xe8", "\xe8\x9a\x9e"}, {"abc", "\x81"}, {"\x8a\x9e\xe8", "\xe8\x9a\x9e\x81"}};
  for (const auto& [kz, notes] : want) {
    ASSERT_FALSE(t.Eof());
    EXPECT_EQ(t.FieldByName("KzRacuna").AsString(), kz);
    EXPECT_EQ(t.FieldByName("Notes").AsString(), notes);
    t.Next();
  }
  EXPECT_TRUE(t.Eof());
  t.Close();
  EXPECT_EQ(Sqlite(file, "SELECT hex(KzRacuna), hex(Notes) FROM Mix ORDER BY Num"),
            "8A9EE8|E89A9E\n616263|81\nC5A0C5BEC48D|C48DC5A1C5BEC281\n");
}

}  // namespace
}  // namespace prenos
