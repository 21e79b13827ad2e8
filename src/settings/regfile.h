// One registry file of the prefix (system.reg, user.reg) in the format a Windows registry
// export has, so an exported key can be carried over as it is: read, keys added, values
// set, and written back atomically with everything else kept as it was.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/exceptions.h"

namespace prenos {

class ERegistryException : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const noexcept override { return "ERegistryException"; }
};

// String values ("...") and expandable strings (hex(2):) are texts; dword:, hex: and the
// other hex(n): kinds are other types.
struct TRegValue {
  enum class TType { Text, Other };
  TType Type = TType::Other;
  std::string Text;  // Windows-1250, for texts
};

// Key paths are full ("HKEY_LOCAL_MACHINE\SOFTWARE\Stelvar\SQL"), names and paths are
// Windows-1250 and compare without regard to case. A key exists when it has a section of
// its own or a section below it (as importing such a file creates the parents).
class TRegFile {
 public:
  // Reads the file; a missing or empty file is an empty registry. UTF-16LE with a byte
  // order mark, and UTF-8 with or without one, are read. Raises ERegistryException
  // naming the file (and the line) when it cannot be read or is not in the format.
  static TRegFile Load(const std::filesystem::path& path);
  // The same from the bytes of a file already read (path only names it in errors and is
  // where Save writes).
  static TRegFile FromBytes(const std::string& bytes, const std::filesystem::path& path);
  // Where and why bytes do not read as a registry file (line 0: the file as a whole).
  struct TFault {
    size_t Line = 0;
    std::string What;
  };
  // FromBytes without raising: false, with what it would raise, when it would.
  static bool TryFromBytes(const std::string& bytes, const std::filesystem::path& path,
                           TRegFile& out, TFault& fault);

  bool KeyExists(const std::string& key) const;
  // The value, or nullptr when the key or the value is missing. The empty name is the
  // key's default value ("@").
  const TRegValue* FindValue(const std::string& key, const std::string& name) const;

  // Adds a section for key unless the key exists.
  void AddKey(const std::string& key);
  // Sets a string value, adding the key when needed. What the format cannot hold raises
  // ERegistryException and leaves the file as it was: a line break or a zero byte anywhere,
  // an empty key or one starting with "-", a key or name with a byte without a character.
  void SetString(const std::string& key, const std::string& name, const std::string& value);

  // Writes the file atomically (a temporary file in the same folder, synced, renamed over
  // it, the folder synced) with mode 0600, in the encoding and line endings it was read
  // with; a new file is UTF-8 without byte order mark, lines ending in LF. Raises
  // ERegistryException when the file is read-only or cannot be written; the old file is
  // then left as it was.
  void Save() const;
  // The bytes Save writes.
  std::string ToBytes() const;

  // Every value in the order of the file (a key listed twice, or a value set twice,
  // appears as often as it is listed).
  struct TListed {
    std::string Key, Name;
    TRegValue Value;
  };
  std::vector<TListed> List() const;

  const std::filesystem::path& Path() const { return path_; }

 private:
  enum class TEncoding { Utf8, Utf8Bom, Utf16Le };
  struct Entry {
    std::string Name;
    TRegValue Value;
    size_t FirstLine = 0, LastLine = 0;
  };
  struct Section {
    std::string Key;
    size_t LastLine = 0;  // the section's last non-blank line
    std::vector<Entry> Entries;
  };

  // Reads sections_ from lines_; raises with the line of the first thing it cannot read.
  void Parse();
  // The same, false with the fault instead of raising; so are the steps below.
  bool TryParse(TFault& fault);
  // One value from its line (n, moved to the last line of a value that goes on).
  bool ParseEntry(std::string_view line, size_t& n, Entry& entry, TFault& fault) const;
  // The data after "=" of a value ending on the given line (counted from 1).
  bool ParseData(const std::string& data, size_t line, TRegValue& value, TFault& fault) const;
  bool ParseHexData(const std::string& data, size_t line, TRegValue& value, TFault& fault) const;
  void AppendSection(const std::string& key);
  [[noreturn]] void Fail(size_t line, const std::string& what) const;
  const Section* FindLastSection(const std::string& key) const;

  std::filesystem::path path_;
  TEncoding encoding_ = TEncoding::Utf8;
  std::string eol_ = "\n";
  std::vector<std::string> lines_;  // UTF-8, without line ends
  std::vector<Section> sections_;
};

// Whether path could be written: an existing file must be writable and not marked
// read-only (no write bit for anybody, which holds also for root); a missing one needs a
// writable folder.
bool RegFileWritable(const std::filesystem::path& path);

// Comparison without regard to case of Windows-1250 texts (the Slovenian letters too).
bool SameRegName(const std::string& a, const std::string& b);

}  // namespace prenos
