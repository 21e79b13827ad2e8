// Text files read as tables: one record per line in "Field1", bytes kept exactly.
#include <gtest/gtest.h>

#include <vector>

#include "localtables/table.h"
#include "support/prefix_fixture.h"

namespace prenos {
namespace {

namespace fs = std::filesystem;

class TextTableTest : public testing::PrefixTest {
 protected:
  // Every line of the text table at path (a Windows or POSIX name), read to the end.
  static std::vector<std::string> ReadAll(const std::string& path, int64_t* count = nullptr) {
    TTable t;
    t.SetTableType(TTableType::Text);
    t.SetTableName(path);
    t.Open();
    if (count) *count = t.RecordCount();
    std::vector<std::string> lines;
    for (; !t.Eof(); t.Next()) lines.push_back(t.FieldByName("field1").AsString());
    return lines;
  }
};

TEST_F(TextTableTest, LinesBecomeRecordsWithTheirBytes) {
  std::string high;
  for (int b = 0x80; b <= 0xFF; ++b) high += static_cast<char>(b);
  const std::string content = "first\r\n  blanks kept   \r\n\r\nunix end\n" + high + "\nmid\rcr\n" +
                              std::string("nul\0byte", 8) + "\nno newline";
  WriteFile("drive_c/temp/knjizbe.txt", content);
  int64_t count = 0;
  const auto lines = ReadAll("c:\\temp\\knjizbe.txt", &count);
  const std::vector<std::string> want = {
      "first",   "  blanks kept   ",          "",          "unix end", high,
      "mid\rcr", std::string("nul\0byte", 8), "no newline"};
  EXPECT_EQ(lines, want);
  EXPECT_EQ(count, 8);

  // A final line end makes no extra record; a lone line end is one empty record.
  WriteFile("a.txt", "one\ntwo\n");
  EXPECT_EQ(ReadAll((Prefix() / "a.txt").string(), &count),
            (std::vector<std::string>{"one", "two"}));
  EXPECT_EQ(count, 2);
  WriteFile("b.txt", "\n");
  EXPECT_EQ(ReadAll((Prefix() / "b.txt").string(), &count), (std::vector<std::string>{""}));
  EXPECT_EQ(count, 1);
}

TEST_F(TextTableTest, AnEmptyFileHasNoRecords) {
  WriteFile("drive_c/empty.txt", "");
  TTable t;
  t.SetTableType(TTableType::Text);
  t.SetTableName("c:\\empty.txt");
  t.Open();
  EXPECT_TRUE(t.Eof());
  EXPECT_EQ(t.RecordCount(), 0);
  EXPECT_EQ(t.FieldCount(), 1);
  EXPECT_EQ(t.FieldByName("Field1").AsString(), "");
  t.Next();
  EXPECT_TRUE(t.Eof());
}

TEST_F(TextTableTest, VeryLongLinesAreWhole) {
  std::string longLine;
  for (int i = 0; i < 300000; ++i) longLine += static_cast<char>('a' + i % 26);
  WriteFile("long.txt", "short\n" + longLine + "\r\n" + longLine);
  int64_t count = 0;
  const auto lines = ReadAll((Prefix() / "long.txt").string(), &count);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1], longLine);
  EXPECT_EQ(lines[2], longLine);
  EXPECT_EQ(count, 3);
}

TEST_F(TextTableTest, MovingAndCountingKeepThePlace) {
  WriteFile("drive_c/m.txt", "1\n2\n3\n");
  TTable t;
  t.SetTableType(TTableType::Text);
  t.SetTableName("C:\\M.TXT");  // existing names match without regard to case
  t.Open();
  t.Next();
  EXPECT_EQ(t.RecordCount(), 3);
  EXPECT_EQ(t.FieldByName("Field1").AsString(), "2");
  t.Next();
  t.Next();
  EXPECT_TRUE(t.Eof());
  EXPECT_EQ(t.FieldByName("Field1").AsString(), "3");
  t.First();
  EXPECT_FALSE(t.Eof());
  EXPECT_EQ(t.FieldByName("Field1").AsString(), "1");
  // The table only reads.
  EXPECT_THROW(t.Append(), ELocalTable);
  EXPECT_THROW(t.FieldByName("Field1").SetAsString("x"), ELocalTable);
  EXPECT_THROW(t.FieldByName("Field2"), ELocalTable);
  t.Close();
  EXPECT_FALSE(t.Active());
  // Re-opened after the file changed, it reads the new lines.
  WriteFile("drive_c/m.txt", "x");
  t.Open();
  EXPECT_EQ(t.FieldByName("Field1").AsString(), "x");
}

TEST_F(TextTableTest, AMissingFileIsNamedInTheMessage) {
  TTable t;
  t.SetTableType(TTableType::Text);
  t.SetTableName("c:\\temp\\nothere.txt");
  try {
    t.Open();
    FAIL() << "opened a missing file";
  } catch (const ELocalTable& e) {
    EXPECT_TRUE(e.Missing());
    EXPECT_NE(e.Message().find("c:\\temp\\nothere.txt"), std::string::npos) << e.Message();
    EXPECT_NE(e.Message().find((Prefix() / "drive_c/temp/nothere.txt").string()), std::string::npos)
        << e.Message();
  }
  EXPECT_FALSE(t.Active());
  // A folder is not a text file either.
  fs::create_directories(Prefix() / "drive_c/dir.txt");
  t.SetTableName("c:\\dir.txt");
  try {
    t.Open();
    FAIL() << "opened a folder";
  } catch (const ELocalTable& e) {
    EXPECT_FALSE(e.Missing());
  }
  // CreateTable makes an empty text file.
  t.SetTableName("c:\\temp\\new.txt");
  t.CreateTable();
  t.Open();
  EXPECT_TRUE(t.Eof());
  EXPECT_TRUE(fs::is_regular_file(Prefix() / "drive_c/temp/new.txt"));
}

}  // namespace
}  // namespace prenos
