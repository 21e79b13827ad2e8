// The import of posting files into the staging table, on real files and a real table.
#include "transfer/import.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <vector>

#include "platform/codepage.h"
#include "platform/component.h"
#include "platform/convert.h"
#include "platform/text_encoding.h"
#include "posting_line.h"
#include "support/prefix_fixture.h"

namespace prenos {
namespace {

namespace fs = std::filesystem;
using testing::EncodedFile;
using testing::kEveryEncoding;
using testing::PostingFields;
using testing::PostingLine;

// The staging table as the import must define it: name and declared column type.
const std::vector<std::string> kStagingColumns = {
    "Ident INTEGER",       "Oznaka INTEGER",       "Tip INTEGER",          "StDok INTEGER",
    "StDne INTEGER",       "IdZap INTEGER",        "DsKup_Knj INTEGER",    "IdRacuna INTEGER",
    "IdStrm INTEGER",      "IdKupDob INTEGER",     "IdMatOsn INTEGER",     "IdDeviza INTEGER",
    "IdDokm INTEGER",      "KzRacuna VARCHAR(10)", "KNaRacun VARCHAR(10)", "KStrM VARCHAR(10)",
    "KKupDob VARCHAR(10)", "KMatOsn VARCHAR(10)",  "KDokm VARCHAR(10)",    "STrans INTEGER",
    "STrank INTEGER",      "STranMs INTEGER",      "DatZap DATE",          "Vsebina VARCHAR(22)",
    "Operater VARCHAR(1)", "Status VARCHAR(1)",    "Znesek FLOAT",         "OdpZnesek FLOAT",
    "Kolicina FLOAT",      "DatVal DATE",          "IDDevize INTEGER",     "KDevize VARCHAR(10)",
    "Tecaj FLOAT",         "Status1 VARCHAR(1)"};

class ImportTest : public testing::PrefixTest {
 protected:
  void SetUp() override {
    PrefixTest::SetUp();
    SetFormatSettings(FormatSettings{});
  }

  // Writes the lines as c:\temp\<name> with the given line end; returns the Windows name.
  std::string Input(const std::vector<std::string>& lines, const std::string& name = "in.txt",
                    const std::string& eol = "\r\n") {
    std::string bytes;
    for (const auto& l : lines) bytes += l + eol;
    WriteFile(fs::path("drive_c/temp") / name, bytes);
    return "c:\\temp\\" + name;
  }

  // Writes the lines as c:\temp\<name> in an encoding; returns the Windows name.
  std::string Encoded(const std::vector<std::string>& lines, TTextEncoding encoding,
                      const std::string& name = "enc.txt") {
    WriteFile(fs::path("drive_c/temp") / name, EncodedFile(lines, encoding));
    return "c:\\temp\\" + name;
  }

  // The message of the exception the import of this file raises ("" when none).
  std::string FileFailure(const std::string& file) {
    try {
      FillPrenos(t.tbPrenos, t.TAscii, file);
    } catch (const std::exception& e) {
      return e.what();
    }
    return "";
  }

  // The message of the exception the import raises on these lines ("" when none).
  std::string ImportFailure(const std::vector<std::string>& lines) {
    try {
      FillPrenos(t.tbPrenos, t.TAscii, Input(lines, "bad.txt"));
    } catch (const std::exception& e) {
      return e.what();
    }
    return "";
  }

  // The first line of an import error, naming the line and the field with its positions.
  static std::string At(int line, const std::string& field) {
    static const std::map<std::string, std::string> positions = {{"DsKup_Knj",
                                                                  "27\x96"
                                                                  "32"},
                                                                 {"DatZap",
                                                                  "138\x96"
                                                                  "145"},
                                                                 {"Znesek",
                                                                  "169\x96"
                                                                  "185"},
                                                                 {"DatVal",
                                                                  "215\x96"
                                                                  "222"}};
    return "Napaka v vrstici " + std::to_string(line) + ", polje " + field + " (mesta " +
           positions.at(field) + "):\n";
  }

  fs::path StagingFile() const { return Prefix() / "aliases/TorvikTemp/Prenos.db"; }

  TField& F(const char* name) { return t.tbPrenos.FieldByName(name); }

  TImportTables t;
};

TEST_F(ImportTest, StagesEveryPieceOfEveryLineInFileOrder) {
  PostingFields second;
  second.DsKupKnj = "  -45 ";
  second.KzRacuna = "2200";
  second.KNaRacun = "";
  second.KDokm = "ABCDEFG";
  second.DatZap = "20021231";
  second.Vsebina = "Pla\xe8ilo";  // Plačilo in Windows-1250
  second.Znesek = "       -3,00";
  second.DatVal = "19991201";
  FillPrenos(t.tbPrenos, t.TAscii, Input({PostingLine({}), PostingLine(second)}));

  EXPECT_FALSE(t.TAscii.Active());
  ASSERT_TRUE(t.tbPrenos.Active());
  EXPECT_EQ(t.tbPrenos.RecordCount(), 2);
  ASSERT_FALSE(t.tbPrenos.Eof());
  EXPECT_EQ(F("DsKup_Knj").AsInteger(), 123);
  EXPECT_EQ(F("KzRacuna").AsString(), "1200");
  EXPECT_EQ(F("KNaRacun").AsString(), "7600");
  EXPECT_EQ(F("KStrM").AsString(), "100");
  EXPECT_EQ(F("KKupDob").AsString(), "P001");
  EXPECT_EQ(F("KDokm").AsString(), "IR1");
  EXPECT_EQ(F("DatZap").AsDateTime(), EncodeDate(2002, 3, 10));
  EXPECT_EQ(F("Vsebina").AsString(), "Racun 123");
  EXPECT_DOUBLE_EQ(F("Znesek").AsFloat(), 1234.56);
  EXPECT_EQ(F("DatVal").AsDateTime(), EncodeDate(2002, 3, 25));
  // The fields the import does not fill stay empty.
  const std::vector<std::string> filled = {"DsKup_Knj", "KzRacuna", "KNaRacun", "KStrM",  "KKupDob",
                                           "KDokm",     "DatZap",   "Vsebina",  "Znesek", "DatVal"};
  ASSERT_EQ(t.tbPrenos.FieldCount(), 34);
  for (int i = 0; i < 34; ++i) {
    const TField& f = t.tbPrenos.Fields(i);
    const bool isFilled = std::find(filled.begin(), filled.end(), f.FieldName()) != filled.end();
    EXPECT_EQ(f.IsNull(), !isFilled) << f.FieldName();
  }

  t.tbPrenos.Next();
  ASSERT_FALSE(t.tbPrenos.Eof());
  EXPECT_EQ(F("DsKup_Knj").AsInteger(), -45);
  EXPECT_EQ(F("KzRacuna").AsString(), "2200");
  EXPECT_EQ(F("KNaRacun").AsString(), "");
  EXPECT_EQ(F("KDokm").AsString(), "ABCDEFG");  // 7 characters, the filler after them unread
  EXPECT_EQ(F("DatZap").AsDateTime(), EncodeDate(2002, 12, 31));
  EXPECT_EQ(F("Vsebina").AsString(), "Pla\xe8ilo");  // Windows-1250 bytes as in the file
  EXPECT_DOUBLE_EQ(F("Znesek").AsFloat(), -3.0);
  EXPECT_EQ(F("DatVal").AsDateTime(), EncodeDate(1999, 12, 1));
  t.tbPrenos.Next();
  EXPECT_TRUE(t.tbPrenos.Eof());
  t.tbPrenos.Close();

  std::string columns;
  for (const auto& c : kStagingColumns) columns += c + "\n";
  EXPECT_EQ(Sqlite(StagingFile(), "SELECT name || ' ' || type FROM pragma_table_info('Prenos')"),
            columns);
  EXPECT_EQ(Sqlite(StagingFile(), "SELECT DatZap, DatVal, Znesek FROM Prenos ORDER BY rowid"),
            "2002-03-10|2002-03-25|1234.56\n2002-12-31|1999-12-01|-3.0\n");
}

TEST_F(ImportTest, PiecesAreStoredAsCut) {
  PostingFields f;
  f.KzRacuna = "          ";
  f.KStrM = " 100";
  f.KKupDob = "";  // blanks from the line layout
  f.Vsebina = "XY overlap";
  f.DatZap = "20020310";
  std::string line = PostingLine(f);
  // The date piece's last two characters are the description's first two.
  ASSERT_EQ(line.substr(137, 10), "20020310XY");
  FillPrenos(t.tbPrenos, t.TAscii, Input({line}));
  EXPECT_EQ(F("DatZap").AsDateTime(), EncodeDate(2002, 3, 10));
  EXPECT_EQ(F("Vsebina").AsString(), "XY overlap");
  // An all-blank account is handed over as blanks: present, reading as empty.
  EXPECT_FALSE(F("KzRacuna").IsNull());
  EXPECT_EQ(F("KzRacuna").AsString(), "");
  EXPECT_EQ(F("KStrM").AsString(), " 100");
  EXPECT_EQ(F("KKupDob").AsString(), "");
  t.tbPrenos.Close();
  EXPECT_EQ(Sqlite(StagingFile(),
                   "SELECT '[' || KzRacuna || '|' || KStrM || '|' || KKupDob || '|' "
                   "|| KDokm || '|' || Vsebina || ']' FROM Prenos"),
            "[          | 100      |          |IR1    |XY overlap            ]\n");
}

TEST_F(ImportTest, ShortLinesGiveShortPieces) {
  // Ending at position 221 leaves a one-digit day of the value date: 2 March.
  FillPrenos(t.tbPrenos, t.TAscii, Input({PostingLine({}, 221)}));
  EXPECT_EQ(F("DatVal").AsDateTime(), EncodeDate(2002, 3, 2));
  EXPECT_EQ(t.tbPrenos.RecordCount(), 1);
  // Ending before it, the day group is empty.
  EXPECT_EQ(ImportFailure({PostingLine({}, 220)}),
            At(1, "DatVal") + "'' is not a valid integer value");
  EXPECT_EQ(ImportFailure({PostingLine({}, 218)}),
            At(1, "DatVal") + "'' is not a valid integer value");
  // Ending inside the description, the amount is the first piece that cannot convert.
  EXPECT_EQ(ImportFailure({PostingLine({}, 150)}),
            At(1, "Znesek") + "'' is not a valid floating point value");
  // Ending inside the document number: the number converts, the date's day group is empty.
  EXPECT_EQ(ImportFailure({PostingLine({}, 30)}),
            At(1, "DatZap") + "'' is not a valid integer value");
  EXPECT_EQ(ImportFailure({""}), At(1, "DsKup_Knj") + "'' is not a valid integer value");
}

TEST_F(ImportTest, ConversionFailuresCarryTheirMessages) {
  auto with = [](std::function<void(PostingFields&)> change) {
    PostingFields f;
    change(f);
    return PostingLine(f);
  };
  EXPECT_EQ(ImportFailure({with([](auto& f) { f.DsKupKnj = "12a"; })}),
            At(1, "DsKup_Knj") + "'12a' is not a valid integer value");
  EXPECT_EQ(ImportFailure({with([](auto& f) { f.DsKupKnj = " 1 2 "; })}),
            At(1, "DsKup_Knj") + "'1 2' is not a valid integer value");
  EXPECT_EQ(ImportFailure({with([](auto& f) { f.DsKupKnj = ""; })}),
            At(1, "DsKup_Knj") + "'' is not a valid integer value");
  EXPECT_EQ(ImportFailure({with([](auto& f) { f.DatZap = "20020231"; })}),
            At(1, "DatZap") + "Invalid argument to date encode");
  EXPECT_EQ(ImportFailure({with([](auto& f) { f.DatVal = "20021300"; })}),
            At(1, "DatVal") + "Invalid argument to date encode");
  // Day, month, year in that order: the first bad group is the one named.
  EXPECT_EQ(ImportFailure({with([](auto& f) { f.DatZap = "x002yyzz"; })}),
            At(1, "DatZap") + "'zz' is not a valid integer value");
  EXPECT_EQ(ImportFailure({with([](auto& f) { f.DatZap = "x002yy10"; })}),
            At(1, "DatZap") + "'yy' is not a valid integer value");
  EXPECT_EQ(ImportFailure({with([](auto& f) { f.DatZap = "x0020310"; })}),
            At(1, "DatZap") + "'x002' is not a valid integer value");
  EXPECT_EQ(ImportFailure({with([](auto& f) { f.DatVal = "2002031 "; })}),
            At(1, "DatVal") + "'1 ' is not a valid integer value");
  EXPECT_EQ(ImportFailure({with([](auto& f) { f.Znesek = "12a,34"; })}),
            At(1, "Znesek") + "'12a34' is not a valid floating point value");
  EXPECT_EQ(ImportFailure({with([](auto& f) { f.Znesek = ""; })}),
            At(1, "Znesek") + "'' is not a valid floating point value");
  // Leading blanks and signs are allowed in each group.
  EXPECT_EQ(ImportFailure({with([](auto& f) { f.DatZap = "2002 3 1"; })}), "");
  EXPECT_EQ(F("DatZap").AsDateTime(), EncodeDate(2002, 3, 1));
  EXPECT_EQ(ImportFailure({with([](auto& f) { f.DsKupKnj = "+7"; })}), "");
  EXPECT_EQ(F("DsKup_Knj").AsInteger(), 7);
}

TEST_F(ImportTest, AmountsCountInHundredthsWithTheCommaRule) {
  const struct {
    const char* piece;
    int64_t amount;
  } cases[] = {
      {"1234,56", 12345600},
      {"12,5", 12500},
      {"7", 700},
      {"-3,00", -30000},
      {"   1234,5678", 12345600},
      {"100", 10000},
      {"123456", 12345600},
      {"+0,01", 100},
      {",5", 500},
      {"1,234", 12300},
      {"0", 0},
      {"  -7  ", -700},
      {"99999999999999", 9999999999999900},
  };
  for (const auto& c : cases) EXPECT_EQ(PrenosNumber(c.piece), c.amount) << c.piece;

  auto message = [](const std::string& piece) {
    try {
      PrenosNumber(piece);
    } catch (const EConvertError& e) {
      return e.Message();
    }
    return std::string("(converted)");
  };
  EXPECT_EQ(message("       "), "'' is not a valid floating point value");
  EXPECT_EQ(message("1,2,3"), "'12,' is not a valid floating point value");
  EXPECT_EQ(message("1 234"), "'1 234' is not a valid floating point value");
  // Whole hundredths only: no decimal point, grouping, exponent or bare sign.
  EXPECT_EQ(message("12.400,00"), "'12.40000' is not a valid floating point value");
  EXPECT_EQ(message("0.125"), "'0.125' is not a valid floating point value");
  EXPECT_EQ(message("1E3"), "'1E3' is not a valid floating point value");
  EXPECT_EQ(message("-"), "'-' is not a valid floating point value");
  EXPECT_EQ(message("+-5"), "'+-5' is not a valid floating point value");
  // Beyond a 64-bit count of ten-thousandths: refused, not wrapped.
  EXPECT_EQ(PrenosNumber("92233720368547758"), 9223372036854775800);
  EXPECT_EQ(PrenosNumber("-92233720368547758"), -9223372036854775800);
  EXPECT_EQ(message("92233720368547759"), "'92233720368547759' is outside the range of an amount");
  EXPECT_EQ(message("99999999999999999"), "'99999999999999999' is outside the range of an amount");

  // The user's decimal comma changes nothing: the comma rule has removed it already.
  FormatSettings sl;
  sl.DecimalSeparator = ',';
  SetFormatSettings(sl);
  EXPECT_EQ(PrenosNumber("1234,56"), 12345600);
  EXPECT_EQ(PrenosNumber("12,5"), 12500);

  // Stored as the amount divided by 10000.
  PostingFields f;
  f.Znesek = "   1234,5678";
  FillPrenos(t.tbPrenos, t.TAscii, Input({PostingLine(f)}));
  EXPECT_DOUBLE_EQ(F("Znesek").AsFloat(), 1234.56);
}

TEST_F(ImportTest, DatePiecesAreYearMonthDay) {
  EXPECT_EQ(PrenosDatum("20021231"), EncodeDate(2002, 12, 31));
  EXPECT_EQ(PrenosDatum("20021231XY"), EncodeDate(2002, 12, 31));
  EXPECT_EQ(PrenosDatum("20000229"), EncodeDate(2000, 2, 29));
  EXPECT_THROW(PrenosDatum("20010229"), EConvertError);
  EXPECT_THROW(PrenosDatum("20020231"), EConvertError);
  EXPECT_THROW(PrenosDatum("00000101"), EConvertError);
  EXPECT_EQ(PrenosDatum("2002031"), EncodeDate(2002, 3, 1));
  try {
    PrenosDatum("200203");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'' is not a valid integer value");
  }
}

TEST_F(ImportTest, AFailureKeepsThePostedRecordsOnly) {
  PostingFields bad;
  bad.Znesek = "abc";
  const std::string file =
      Input({PostingLine({}), PostingLine({}), PostingLine(bad), PostingLine({})}, "fail.txt");
  try {
    FillPrenos(t.tbPrenos, t.TAscii, file);
    FAIL() << "imported a bad line";
  } catch (const EImportLine& e) {
    EXPECT_EQ(e.Line(), 3);
    EXPECT_EQ(e.Field(), "Znesek");
    EXPECT_EQ(e.Message(), At(3, "Znesek") + "'abc' is not a valid floating point value");
  }
  // The third record was being filled: it is not stored, whatever happens next.
  EXPECT_TRUE(t.tbPrenos.Active());
  EXPECT_FALSE(t.tbPrenos.Appending());
  t.tbPrenos.First();
  EXPECT_EQ(t.tbPrenos.RecordCount(), 2);
  t.tbPrenos.Close();
  EXPECT_EQ(Sqlite(StagingFile(), "SELECT count(*), sum(Znesek) FROM Prenos"), "2|2469.12\n");

  // The next import starts afresh.
  FillPrenos(t.tbPrenos, t.TAscii, Input({PostingLine({})}, "good.txt"));
  EXPECT_EQ(t.tbPrenos.RecordCount(), 1);
}

TEST_F(ImportTest, ASecondImportReplacesTheFirst) {
  PostingFields other;
  other.DsKupKnj = "999";
  FillPrenos(t.tbPrenos, t.TAscii,
             Input({PostingLine({}), PostingLine({}), PostingLine({})}, "a.txt"));
  EXPECT_EQ(t.tbPrenos.RecordCount(), 3);
  // The run leaves the table open; the next import closes and re-creates it.
  FillPrenos(t.tbPrenos, t.TAscii, Input({PostingLine(other)}, "b.txt", "\n"));
  EXPECT_EQ(t.tbPrenos.RecordCount(), 1);
  EXPECT_EQ(F("DsKup_Knj").AsInteger(), 999);
  EXPECT_EQ(t.TAscii.TableName(), "c:\\temp\\b.txt");
  t.tbPrenos.Close();
  EXPECT_EQ(Sqlite(StagingFile(), "SELECT group_concat(DsKup_Knj) FROM Prenos"), "999\n");
}

TEST_F(ImportTest, AnEmptyFileStagesNothing) {
  FillPrenos(t.tbPrenos, t.TAscii, Input({}, "empty.txt"));
  EXPECT_TRUE(t.tbPrenos.Active());
  EXPECT_TRUE(t.tbPrenos.Eof());
  EXPECT_EQ(t.tbPrenos.RecordCount(), 0);
  EXPECT_EQ(t.tbPrenos.FieldCount(), 34);
}

TEST_F(ImportTest, AMissingFileLeavesAnEmptyOpenStagingTable) {
  FillPrenos(t.tbPrenos, t.TAscii, Input({PostingLine({})}, "old.txt"));
  try {
    FillPrenos(t.tbPrenos, t.TAscii, "c:\\temp\\missing.txt");
    FAIL() << "imported a missing file";
  } catch (const ELocalTable& e) {
    EXPECT_TRUE(e.Missing());
    EXPECT_NE(e.Message().find("c:\\temp\\missing.txt"), std::string::npos) << e.Message();
  }
  EXPECT_TRUE(t.tbPrenos.Active());
  EXPECT_EQ(t.tbPrenos.RecordCount(), 0);
}

TEST_F(ImportTest, FileNamesAreWindowsOrPosixPaths) {
  // "knjižbe.txt" in Windows-1250 names the UTF-8 file knjižbe.txt below drive_c.
  WriteFile(
      "drive_c/temp/knji\xc5\xbe"
      "be.txt",
      PostingLine({}) + "\n" + PostingLine({}));
  FillPrenos(t.tbPrenos, t.TAscii,
             "C:\\TEMP\\knji\x9e"
             "be.txt");
  EXPECT_EQ(t.tbPrenos.RecordCount(), 2);

  const fs::path posix = WriteFile("posix/file.txt", PostingLine({}) + "\r\n");
  FillPrenos(t.tbPrenos, t.TAscii, posix.string());
  EXPECT_EQ(t.tbPrenos.RecordCount(), 1);
}

// Slovenian letters before the amount and in the codes: every encoding stages what the
// Windows-1250 file stages, and the staging table holds the texts as UTF-8.
TEST_F(ImportTest, EveryEncodingStagesTheSameRecords) {
  PostingFields f;
  f.KKupDob =
      "\x8e"
      "AGAR";                                          // ŽAGAR
  f.Vsebina = "Pla\xe8ilo \xe8\x9a\x9e \x8a\xc8\x8e";  // Plačilo čšž ŠČŽ
  PostingFields g = f;
  g.Vsebina =
      "\x8a"
      "ola";  // Šola
  g.Znesek = "-12,5";
  const std::vector<std::string> lines = {PostingLine(f), PostingLine(g)};
  const std::string dump = "SELECT * FROM Prenos ORDER BY rowid";
  std::string expected;
  for (const TTextEncoding e : kEveryEncoding) {
    FillPrenos(t.tbPrenos, t.TAscii, Encoded(lines, e));
    ASSERT_EQ(t.tbPrenos.RecordCount(), 2) << int(e);
    EXPECT_EQ(F("Vsebina").AsString(), f.Vsebina) << int(e);
    EXPECT_EQ(F("KKupDob").AsString(), f.KKupDob) << int(e);
    EXPECT_DOUBLE_EQ(F("Znesek").AsFloat(), 1234.56) << int(e);
    EXPECT_EQ(F("DatVal").AsDateTime(), EncodeDate(2002, 3, 25)) << int(e);
    t.tbPrenos.Next();
    EXPECT_DOUBLE_EQ(F("Znesek").AsFloat(), -1.25) << int(e);  // "12,5" counts in hundredths
    t.tbPrenos.Close();
    const std::string rows = Sqlite(StagingFile(), dump);
    if (expected.empty()) expected = rows;
    EXPECT_EQ(rows, expected) << int(e);
  }
  EXPECT_NE(expected.find("|Plačilo čšž ŠČŽ       |"), std::string::npos) << expected;
  EXPECT_NE(expected.find("|Šola                  |"), std::string::npos) << expected;
}

TEST_F(ImportTest, AWindows1250FileWhoseBytesAreValidUtf8StaysWindows1250) {
  PostingFields f;
  f.Vsebina = "\xe8\x9a\x9e";  // čšž, or one CJK character read as UTF-8
  const std::string file = Input({PostingLine(f)}, "cp.txt");
  ASSERT_EQ(DecodeTextLines(EncodedFile({PostingLine(f)}, TTextEncoding::Windows1250)).Encoding,
            TTextEncoding::Windows1250);
  FillPrenos(t.tbPrenos, t.TAscii, file);
  EXPECT_EQ(F("Vsebina").AsString(), "\xe8\x9a\x9e");
  EXPECT_DOUBLE_EQ(F("Znesek").AsFloat(), 1234.56);
}

TEST_F(ImportTest, ACharacterOutsideTheCodePageStopsTheImportBeforeAnyRecord) {
  FillPrenos(t.tbPrenos, t.TAscii, Input({PostingLine({})}, "old.txt"));
  PostingFields f;
  f.Vsebina = "Pla\xe8ilo ";
  std::string foreign = Cp1250ToUtf8(PostingLine(f));
  foreign.replace(foreign.find("Plačilo ") + 9, 1, "中");  // column 154
  const std::string utf8 = "\xEF\xBB\xBF" + Cp1250ToUtf8(PostingLine({})) + "\n" + foreign + "\n" +
                           Cp1250ToUtf8(PostingLine({})) + "\n";
  WriteFile("drive_c/temp/foreign.txt", utf8);
  EXPECT_EQ(FileFailure("c:\\temp\\foreign.txt"),
            "Napaka v vrstici 2, stolpec 154:\nznaka U+4E2D ni v kodni tabeli Windows-1250");
  EXPECT_TRUE(t.tbPrenos.Active());
  EXPECT_EQ(t.tbPrenos.RecordCount(), 0);
  EXPECT_FALSE(t.TAscii.Active());
}

TEST_F(ImportTest, ErrorsNameTheLineOfABadDocumentNumberDateOrAmount) {
  auto file = [](int badLine, std::function<void(PostingFields&)> spoil) {
    std::vector<std::string> lines;
    for (int i = 1; i <= 4; ++i) {
      PostingFields f;
      if (i == badLine) spoil(f);
      lines.push_back(PostingLine(f));
    }
    return lines;
  };
  const auto number = file(2, [](auto& f) { f.DsKupKnj = "1O"; });
  const auto date = file(3, [](auto& f) { f.DatZap = "2002x310"; });
  const auto grouped = file(4, [](auto& f) { f.Znesek = "12.400,00"; });
  const auto letter = file(2, [](auto& f) { f.Znesek = "32O000"; });
  for (const TTextEncoding e : {TTextEncoding::Windows1250, TTextEncoding::Utf16BE}) {
    EXPECT_EQ(FileFailure(Encoded(number, e)),
              At(2, "DsKup_Knj") + "'1O' is not a valid integer value");
    EXPECT_EQ(t.tbPrenos.RecordCount(), 1);  // the lines before it
    EXPECT_EQ(FileFailure(Encoded(date, e)), At(3, "DatZap") + "'x3' is not a valid integer value");
    EXPECT_EQ(FileFailure(Encoded(grouped, e)),
              At(4, "Znesek") + "'12.40000' is not a valid floating point value");
    EXPECT_EQ(t.tbPrenos.RecordCount(), 3);
    EXPECT_EQ(FileFailure(Encoded(letter, e)),
              At(2, "Znesek") + "'32O000' is not a valid floating point value");
  }
}

TEST_F(ImportTest, ALineIsCutIntoItsRecordOrAnErrorNamingTheField) {
  PostingFields f;
  f.KDokm = "ABCDEFG";
  f.Znesek = "  -1234,5678";
  const TPostingRecord r = CutPostingLine(PostingLine(f), 9);
  EXPECT_EQ(r.DsKupKnj, 123);
  EXPECT_EQ(r.KzRacuna, "1200      ");
  EXPECT_EQ(r.KNaRacun, "7600      ");
  EXPECT_EQ(r.KStrM, "100       ");
  EXPECT_EQ(r.KKupDob, "P001      ");
  EXPECT_EQ(r.KDokm, "ABCDEFG");
  EXPECT_EQ(r.DatZap, EncodeDate(2002, 3, 10));
  EXPECT_EQ(r.Vsebina, "Racun 123             ");
  EXPECT_EQ(r.Znesek, -12345600);
  EXPECT_EQ(r.DatVal, EncodeDate(2002, 3, 25));
  f.DatVal = "20020230";
  try {
    CutPostingLine(PostingLine(f), 9);
    FAIL() << "cut a line with 30 February";
  } catch (const EImportLine& e) {
    EXPECT_EQ(e.Line(), 9);
    EXPECT_EQ(e.Field(), "DatVal");
    EXPECT_EQ(e.First(), 215);
    EXPECT_EQ(e.Last(), 222);
    EXPECT_EQ(e.Detail(), "Invalid argument to date encode");
    EXPECT_EQ(e.Message(), At(9, "DatVal") + e.Detail());
  }
}

TEST_F(ImportTest, TheTablesComeWithTheirSettings) {
  TComponent owner(nullptr, "Main");
  TImportTables tables(&owner);
  EXPECT_EQ(owner.FindComponent("tbPrenos"), &tables.tbPrenos);
  EXPECT_EQ(owner.FindComponent("TAscii"), &tables.TAscii);
  EXPECT_EQ(tables.tbPrenos.DatabaseName(), "TorvikTemp");
  EXPECT_EQ(tables.tbPrenos.TableName(), "Prenos");
  EXPECT_EQ(tables.tbPrenos.TableType(), TTableType::Default);
  EXPECT_EQ(tables.TAscii.TableType(), TTableType::Text);
  EXPECT_EQ(tables.TAscii.TableName(), "c:\\temp\\knjizbe.txt");
  EXPECT_EQ(tables.TAscii.FilePath(), Prefix() / "drive_c/temp/knjizbe.txt");
  EXPECT_EQ(tables.tbPrenos.FilePath(), StagingFile());
}

}  // namespace
}  // namespace prenos
