// The stored login on real registry files: files as a Windows export writes them, keys
// made when missing with the rest of the file kept, the accessor's rules, the password's
// hex and scrambling, and the one error-log record of each failure.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <iterator>

#include "platform/codepage.h"
#include "platform/exceptions.h"
#include "settings/credentials.h"
#include "settings/regfile.h"
#include "settings/registry.h"
#include "settings/scramble.h"
#include "support/error_records.h"

namespace fs = std::filesystem;
using namespace prenos;
using prenos::testing::ErrorRecords;
using prenos::testing::FileBytes;
using prenos::testing::TempPrefix;
using prenos::testing::WriteBytes;

namespace {

// UTF-8 to UTF-16LE (the characters used here are all in the basic plane).
std::string Utf16Le(const std::string& utf8) {
  std::string out;
  for (size_t i = 0; i < utf8.size();) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    char32_t cp;
    if (c < 0x80) {
      cp = c;
      i += 1;
    } else if (c < 0xE0) {
      cp = ((c & 0x1F) << 6) | (utf8[i + 1] & 0x3F);
      i += 2;
    } else {
      cp = ((c & 0x0F) << 12) | ((utf8[i + 1] & 0x3F) << 6) | (utf8[i + 2] & 0x3F);
      i += 3;
    }
    out += static_cast<char>(cp & 0xFF);
    out += static_cast<char>(cp >> 8);
  }
  return out;
}

// A .reg text with CR LF line ends, as the export writes it.
std::string Crlf(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

// "a" as UTF-16LE hex bytes with the terminating zero, the way hex(2): values appear.
std::string Hex2(const std::string& ascii) {
  static const char d[] = "0123456789abcdef";
  std::string out;
  for (char c : ascii + std::string(1, '\0')) {
    const auto b = static_cast<unsigned char>(c);
    out += std::string{d[b >> 4], d[b & 15]} + ",00,";
  }
  out.pop_back();
  return out;
}

fs::path SystemReg() { return fs::path(getenv("STELVAR_PREFIX")) / "system.reg"; }

void WriteSystemReg(const std::string& body) {
  WriteBytes(SystemReg(), "Windows Registry Editor Version 5.00\n\n" + body);
}

std::string Login(const std::string& values) {
  return "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Stelvar\\SQL]\n" + values + "\n";
}

struct Result {
  bool ok;
  std::string user, password;
};
Result Read() {
  Result r{};
  r.user = "old";
  r.password = "old";
  r.ok = GetUserNameAndPassword(r.user, r.password);
  return r;
}

mode_t Mode(const fs::path& p) {
  struct stat st {};
  stat(p.c_str(), &st);
  return st.st_mode & 07777;
}

}  // namespace

TEST(Scramble, DecryptDescramblesEveryByteAndEncryptIsItsInverse) {
  // Worked by hand from the rule: 0x41 ^ 0x6A (the high byte of 27143), then the key
  // (0x41 + 27143) * 31459 + 12689 mod 65536 = 49001, whose high byte 0xBF meets 0x42.
  EXPECT_EQ(Decrypt("AB", kPasswordKey), "\x2B\xFD");
  EXPECT_EQ(Decrypt("", kPasswordKey), "");
  EXPECT_EQ(Encrypt("\x2B\xFD", kPasswordKey), "AB");

  std::string text;
  for (int i = 0; i < 300; ++i) text += static_cast<char>((i * 37 + 11) & 0xFF);
  const std::string scrambled = Encrypt(text, kPasswordKey);
  ASSERT_EQ(scrambled.size(), 300u);
  EXPECT_EQ(Decrypt(scrambled, kPasswordKey), text);
  // Past the 256th byte the text is still scrambled, not passed through.
  EXPECT_NE(scrambled.substr(256), text.substr(256));
  EXPECT_NE(Decrypt(text, kPasswordKey).substr(256), text.substr(256));
  // Another key gives another text.
  EXPECT_NE(Decrypt(scrambled, 1), text);
}

TEST(Scramble, HexDecryptPairsOddLengthsCaseAndBadDigits) {
  const uint16_t k = kPasswordKey;
  EXPECT_EQ(HexDecrypt("", k), "");
  EXPECT_EQ(HexDecrypt("A", k), "");  // 0.5 pairs round to 0
  EXPECT_EQ(HexDecrypt("AB", k), Decrypt("\xAB", k));
  EXPECT_EQ(HexDecrypt("ABC", k), Decrypt("\xAB\x0C", k));    // the third digit alone
  EXPECT_EQ(HexDecrypt("ABCDE", k), Decrypt("\xAB\xCD", k));  // the fifth ignored
  EXPECT_EQ(HexDecrypt("ABCDEF1", k), Decrypt("\xAB\xCD\xEF\x01", k));
  EXPECT_EQ(HexDecrypt("ABCDEF123", k), Decrypt("\xAB\xCD\xEF\x12", k));
  EXPECT_EQ(HexDecrypt("abcdef", k), HexDecrypt("ABCDEF", k));
  EXPECT_EQ(HexDecrypt("aBcD", k), Decrypt("\xAB\xCD", k));
  EXPECT_EQ(HexDecrypt(HexEncrypt("Geslo123", k), k), "Geslo123");
  EXPECT_EQ(HexEncrypt("\x2B\xFD", k), "4142");
  const std::string upper = HexEncrypt(
      "\x9a\x9e\xe8"
      "abc",
      k);
  EXPECT_EQ(upper.find_first_of("abcdef"), std::string::npos) << upper;

  const auto message = [&](const std::string& hex) {
    try {
      HexDecrypt(hex, k);
    } catch (const EConvertError& e) {
      return std::string(e.what());
    }
    return std::string("(no error)");
  };
  EXPECT_EQ(message("QQ12"), "'$QQ' is not a valid integer value");
  EXPECT_EQ(message("12G4"), "'$G4' is not a valid integer value");
  EXPECT_EQ(message("AB-1"), "'$-1' is not a valid integer value");
  EXPECT_EQ(message(" A"), "'$ A' is not a valid integer value");
  EXPECT_EQ(message("ABx"), "'$x' is not a valid integer value");
  EXPECT_EQ(message("ABCDx"), "(no error)");  // the ignored fifth character is never read
}

TEST(StoredLogin, AWindowsExportInUtf16IsReadAndLeftAsItWas) {
  TempPrefix prefix;
  const std::string password = "Šifra-\"7\"\\";
  const std::string text = Crlf(
      "Windows Registry Editor Version 5.00\n"
      "\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Stelvar]\n"
      "\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Stelvar\\SQL]\n"
      "\"UserName\"=\"Žiga \\\"Ž\\\" \\\\knjigovodja\"\n"
      "\"Password\"=\"" +
      HexEncrypt(Utf8ToCp1250(password), kPasswordKey) +
      "\"\n"
      "\"Port\"=dword:00000599\n"
      "\"Pot\"=hex(2):" +
      Hex2("%TEMP%\\x") +
      "\n"
      "\"Blob\"=hex:01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,\\\n"
      "  17,18,19,1a\n"
      "@=\"privzeto\"\n"
      "\n");
  const std::string bytes = "\xFF\xFE" + Utf16Le(text);
  WriteBytes(SystemReg(), bytes);

  const Result r = Read();
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.user, Utf8ToCp1250("Žiga \"Ž\" \\knjigovodja"));
  EXPECT_EQ(r.password, Utf8ToCp1250(password));
  EXPECT_TRUE(ErrorRecords().empty());
  // The key was there: the file is not rewritten.
  EXPECT_EQ(FileBytes(SystemReg()), bytes);

  EXPECT_EQ(RegReadString(kLoginKey, "Pot", "-"), "%TEMP%\\x");  // expandable: a text
  EXPECT_EQ(RegReadString(kLoginKey, "Port", "-"), "-");         // dword: not a text
  EXPECT_EQ(RegReadString(kLoginKey, "Blob", "-"), "-");
  EXPECT_EQ(RegReadString(kLoginKey, "", "-"), "privzeto");
  EXPECT_EQ(RegReadString(kLoginKey, "Missing", "-"), "-");
  EXPECT_EQ(RegReadString("SOFTWARE\\Stelvar\\Nothing", "UserName", "-"), "-");
  // Key and value names compare without regard to case.
  EXPECT_EQ(RegReadString("software\\STELVAR\\sql", "username", "-"), r.user);
  // RegReadString leaves its key open.
  EXPECT_TRUE(Registry().HasCurrentKey());
  EXPECT_EQ(Registry().CurrentPath(), "software\\STELVAR\\sql");
  EXPECT_TRUE(ErrorRecords().empty());
}

TEST(StoredLogin, Utf8FilesWithAndWithoutByteOrderMark) {
  TempPrefix prefix;
  const std::string body = "Windows Registry Editor Version 5.00\n\n" +
                           Login("\"UserName\"=\"Čedo\"\n\"Password\"=\"" +
                                 HexEncrypt(Utf8ToCp1250("žabica"), kPasswordKey) + "\"");
  for (const std::string& bom : {std::string(), std::string("\xEF\xBB\xBF")}) {
    WriteBytes(SystemReg(), bom + body);
    const Result r = Read();
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.user, Utf8ToCp1250("Čedo"));
    EXPECT_EQ(r.password, Utf8ToCp1250("žabica"));
    EXPECT_EQ(FileBytes(SystemReg()), bom + body);
  }
  EXPECT_TRUE(ErrorRecords().empty());
}

TEST(StoredLogin, MissingKeysAreCreatedAndTheRestOfTheFileKept) {
  TempPrefix prefix;
  const std::string text = Crlf(
      "Windows Registry Editor Version 5.00\n"
      "\n"
      "; kept as it is\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Drugo\\Nastavitve]\n"
      "\"Mapa\"=\"C:\\\\Račun\"\n"
      "\"Velikost\"=dword:00000010\n"
      "\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Stelvar\\Other]\n"
      "\"X\"=\"y\"\n"
      "\n");
  const std::string bytes = "\xFF\xFE" + Utf16Le(text);
  WriteBytes(SystemReg(), bytes);
  chmod(SystemReg().c_str(), 0644);

  const Result r = Read();
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.user, "sa");
  EXPECT_EQ(r.password, "");
  EXPECT_TRUE(ErrorRecords().empty());

  // The new key was added, in the file's own encoding and line ends, after the old text.
  const std::string after = FileBytes(SystemReg());
  const std::string kept =
      "\xFF\xFE" + Utf16Le(text.substr(0, text.size() - 2));  // less the last CR LF
  EXPECT_EQ(after.substr(0, kept.size()), kept);
  EXPECT_EQ(after.substr(kept.size()),
            Utf16Le(Crlf("\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Stelvar\\SQL]\n\n")));
  EXPECT_EQ(Mode(SystemReg()), 0600u);
  EXPECT_EQ(RegReadString("SOFTWARE\\Drugo\\Nastavitve", "Mapa", "-"), Utf8ToCp1250("C:\\Račun"));
  EXPECT_EQ(RegReadString("SOFTWARE\\Stelvar\\Other", "X", "-"), "y");
  // Nothing is left beside it.
  for (const auto& entry : fs::directory_iterator(prefix.Dir()))
    EXPECT_TRUE(entry.path().filename() == "system.reg" || entry.path().filename() == "drive_c")
        << entry.path();

  // A second start finds the key and writes nothing.
  EXPECT_TRUE(Read().ok);
  EXPECT_EQ(FileBytes(SystemReg()), after);
}

TEST(StoredLogin, NoFileAtAllGivesANewOneWithTheKey) {
  TempPrefix prefix;
  ASSERT_FALSE(fs::exists(SystemReg()));
  const Result r = Read();
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.user, "sa");
  EXPECT_EQ(r.password, "");
  EXPECT_EQ(FileBytes(SystemReg()),
            "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\n\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Stelvar]\n\n[HKEY_LOCAL_"
            "MACHINE\\SOFTWARE\\Stelvar\\SQL]\n\n");
  EXPECT_EQ(Mode(SystemReg()), 0600u);
  EXPECT_TRUE(ErrorRecords().empty());
  // The accessor is left on HKEY_LOCAL_MACHINE with the login key open.
  EXPECT_EQ(Registry().RootKey(), HKEY_LOCAL_MACHINE);
  EXPECT_EQ(Registry().CurrentPath(), "SOFTWARE\\Stelvar\\SQL");
}

TEST(StoredLogin, UserNameAndPasswordDefaultsAndNonTextValues) {
  TempPrefix prefix;
  WriteSystemReg(Login("\"Password\"=\"\""));
  Result r = Read();
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.user, "sa");  // missing
  EXPECT_EQ(r.password, "");

  WriteSystemReg(Login("\"UserName\"=\"\""));
  r = Read();
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.user, "");  // present but empty
  EXPECT_EQ(r.password, "");

  WriteSystemReg(Login("\"UserName\"=dword:00000001\n\"Password\"=hex:41,42"));
  r = Read();
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.user, "sa");  // not a text: as if missing
  EXPECT_EQ(r.password, "");

  WriteSystemReg(
      Login("\"UserName\"=hex(2):" + Hex2("ivan") + "\n\"Password\"=hex(2):" + Hex2("ABCDE")));
  r = Read();
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.user, "ivan");
  EXPECT_EQ(r.password, Decrypt("\xAB\xCD", kPasswordKey));
  EXPECT_TRUE(ErrorRecords().empty());
}

TEST(StoredLogin, OddLengthAndLowerCasePasswords) {
  TempPrefix prefix;
  WriteSystemReg(Login("\"UserName\"=\"ivan\"\n\"Password\"=\"ABC\""));
  EXPECT_EQ(Read().password, Decrypt("\xAB\x0C", kPasswordKey));
  WriteSystemReg(Login("\"UserName\"=\"ivan\"\n\"Password\"=\"ABCDE\""));
  EXPECT_EQ(Read().password, Decrypt("\xAB\xCD", kPasswordKey));
  const std::string hex = HexEncrypt("Geslo", kPasswordKey);
  std::string lower = hex;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  ASSERT_NE(lower, hex);
  WriteSystemReg(Login("\"UserName\"=\"ivan\"\n\"Password\"=\"" + lower + "\""));
  const Result r = Read();
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.password, "Geslo");
  EXPECT_TRUE(ErrorRecords().empty());
}

TEST(StoredLogin, ABadHexPasswordIsOneRecordAndAnEmptyPassword) {
  TempPrefix prefix;
  WriteSystemReg(
      Login("\"UserName\"=\"ivan\"\n\"Password\"=\"QQ" + HexEncrypt("tajno", kPasswordKey) + "\""));
  const Result r = Read();
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.user, "ivan");
  EXPECT_EQ(r.password, "");
  const auto records = ErrorRecords();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].at("Operation"), "GetUserNameAndPassword");
  EXPECT_EQ(records[0].at("SenderName"), "TApplication");
  EXPECT_EQ(records[0].at("ExceptObject"), "EConvertError");
  EXPECT_EQ(records[0].at("Error"), "'$QQ' is not a valid integer value");
  EXPECT_EQ(FileBytes(prenos::testing::ErrorTableFile()).find("tajno"), std::string::npos);
}

TEST(StoredLogin, AReadOnlyFileFailsEveryOpenForFullAccess) {
  TempPrefix prefix;
  WriteSystemReg(
      Login("\"UserName\"=\"ivan\"\n\"Password\"=\"" + HexEncrypt("x", kPasswordKey) + "\""));
  const std::string before = FileBytes(SystemReg());
  chmod(SystemReg().c_str(), 0444);

  const Result r = Read();
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.user, "");
  EXPECT_EQ(r.password, "");
  const auto records = ErrorRecords();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].at("Operation"), "GetUserNameAndPassword");
  EXPECT_EQ(records[0].at("Error"), "Failed to create key Stelvar");
  EXPECT_EQ(FileBytes(SystemReg()), before);
  EXPECT_EQ(Mode(SystemReg()), 0444u);
  // Reading alone also needs full access, so it gives the default.
  EXPECT_EQ(RegReadString(kLoginKey, "UserName", "default"), "default");
  EXPECT_FALSE(Registry().HasCurrentKey());
}

TEST(StoredLogin, AFileNotInTheExportFormatIsOneRecordAndIsNeverRewritten) {
  TempPrefix prefix;
  const std::string cases[] = {
      "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\n",
      "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\n",
      "Windows Registry Editor Version 5.00\n\n\"UserName\"=\"before any key\"\n",
      "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\n\"A\"=\"no "
      "end\n",
      "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\n\"A\"=hex:zz\n",
      "Windows Registry Editor Version "
      "5.00\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\n\"A\"=hex:01,\\\n",
      "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\nrandom words\n",
      "Windows Registry Editor Version "
      "5.00\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\n\"A\"=\"\xC8\"\n",  // not UTF-8
      Utf16Le("Windows Registry Editor Version 5.00\r\n"),         // UTF-16 without its mark
  };
  size_t expected = 0;
  for (const std::string& text : cases) {
    WriteBytes(SystemReg(), text);
    const Result r = Read();
    EXPECT_FALSE(r.ok) << text;
    EXPECT_EQ(r.user, "");
    EXPECT_EQ(FileBytes(SystemReg()), text);
    const auto records = ErrorRecords();
    ASSERT_EQ(records.size(), ++expected) << text;
    EXPECT_EQ(records.back().at("Operation"), "GetUserNameAndPassword");
    EXPECT_EQ(records.back().at("ExceptObject"), "ERegistryException");
    const std::string error = records.back().at("Error").value_or("");
    EXPECT_EQ(error.find("Datoteka registra " + PathToText(SystemReg())), 0u) << error;
  }
}

TEST(Registry, RootKeysRelativeAndAbsolutePathsAndTheOpenKey) {
  TempPrefix prefix;
  TRegistry reg;
  EXPECT_EQ(reg.RootKey(), HKEY_CURRENT_USER);
  EXPECT_EQ(reg.FileName(), prefix.Dir() / "user.reg");
  EXPECT_FALSE(reg.OpenKey("Software\\Firma", false));
  EXPECT_FALSE(fs::exists(prefix.Dir() / "user.reg"));
  ASSERT_TRUE(reg.OpenKey("Software\\Firma", true));
  EXPECT_TRUE(fs::exists(prefix.Dir() / "user.reg"));
  EXPECT_EQ(reg.CurrentPath(), "Software\\Firma");
  // Relative to the open key; a failed open leaves it as it was.
  ASSERT_TRUE(reg.OpenKey("Oddelek", true));
  EXPECT_EQ(reg.CurrentPath(), "Software\\Firma\\Oddelek");
  EXPECT_FALSE(reg.OpenKey("Nič", false));
  EXPECT_EQ(reg.CurrentPath(), "Software\\Firma\\Oddelek");
  // A leading backslash starts at the root.
  ASSERT_TRUE(reg.OpenKey("\\Software", false));
  EXPECT_EQ(reg.CurrentPath(), "Software");
  EXPECT_TRUE(reg.OpenKey("firma\\ODDELEK", false));
  EXPECT_EQ(FileBytes(prefix.Dir() / "user.reg"),
            "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Firma]\n\n"
            "[HKEY_CURRENT_USER\\Software\\Firma\\Oddelek]\n\n");

  // Changing the root closes the key; the other root lives in system.reg.
  reg.SetRootKey(HKEY_LOCAL_MACHINE);
  EXPECT_FALSE(reg.HasCurrentKey());
  EXPECT_EQ(reg.FileName(), prefix.Dir() / "system.reg");
  EXPECT_FALSE(reg.OpenKey("Software\\Firma", false));
  EXPECT_FALSE(reg.ValueExists("x"));
  EXPECT_THROW(reg.ReadString("x"), ERegistryException);

  // Slovenian letters in names compare without regard to case too.
  EXPECT_TRUE(SameRegName(Utf8ToCp1250("ŠOLA Čžćđ"), Utf8ToCp1250("šola čŽĆĐ")));
  EXPECT_FALSE(SameRegName(Utf8ToCp1250("Šola"), Utf8ToCp1250("Sola")));
}

TEST(RegistryFile, WhatTheFormatCannotHoldIsRefusedAndTheFileKept) {
  const std::string key = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Stelvar\\SQL";
  TRegFile file = TRegFile::FromBytes(
      "Windows Registry Editor Version 5.00\n\n[" + key + "]\n\"UserName\"=\"janez\"\n",
      "system.reg");
  const std::string before = file.ToBytes();
  // A zero byte would be written into a UTF-8 file that then no longer reads.
  EXPECT_THROW(file.SetString(key, "UserName", std::string("a\0b", 3)), ERegistryException);
  EXPECT_THROW(file.SetString(key, std::string("Ime\0", 4), "x"), ERegistryException);
  EXPECT_THROW(file.SetString(key, "UserName", "a\r\nb"), ERegistryException);
  // No key name, or one read as a deletion.
  EXPECT_THROW(file.SetString("", "UserName", "x"), ERegistryException);
  EXPECT_THROW(file.SetString("-" + key, "UserName", "x"), ERegistryException);
  // A name that would not read back as itself (0x81 has no character) could not be found again.
  EXPECT_THROW(file.SetString(key + "\\A\x81", "UserName", "x"), ERegistryException);
  EXPECT_THROW(file.SetString(key, "Ime\x81", "x"), ERegistryException);
  EXPECT_THROW(file.AddKey(key + "\\B\x81"), ERegistryException);
  EXPECT_EQ(file.ToBytes(), before);

  file.SetString(key, "UserName", "nov");
  const TRegFile again = TRegFile::FromBytes(file.ToBytes(), "system.reg");
  ASSERT_NE(again.FindValue(key, "UserName"), nullptr);
  EXPECT_EQ(again.FindValue(key, "UserName")->Text, "nov");
  EXPECT_EQ(again.List().size(), 1u);
}
