// Reading and writing the registry files of the prefix.
#include "settings/regfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/codepage.h"
#include "platform/prefix.h"

namespace fs = std::filesystem;

namespace prenos {
namespace {

constexpr const char* kHeader = "Windows Registry Editor Version 5.00";

// --- Unicode forms -------------------------------------------------------------------

// The next code point of well-formed UTF-8 at s[i], i moved past it; false on a malformed
// sequence.
bool NextUtf8(const std::string& s, size_t& i, char32_t& cp) {
  size_t length;
  if (!DecodeUtf8At(s, i, cp, length)) return false;
  i += length;
  return true;
}

// UTF-16LE bytes (without byte order mark) to UTF-8; a lone surrogate becomes U+FFFD.
std::string Utf16LeToUtf8(const std::string& bytes, size_t from) {
  std::string out;
  out.reserve(bytes.size());
  const auto unit = [&](size_t k) {
    return static_cast<char32_t>(static_cast<unsigned char>(bytes[k]) |
                                 (static_cast<unsigned char>(bytes[k + 1]) << 8));
  };
  for (size_t i = from; i + 1 < bytes.size(); i += 2) {
    char32_t u = unit(i);
    if (u >= 0xD800 && u <= 0xDBFF && i + 3 < bytes.size() && unit(i + 2) >= 0xDC00 &&
        unit(i + 2) <= 0xDFFF) {
      u = 0x10000 + ((u - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
      i += 2;
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      u = 0xFFFD;
    }
    AppendUtf8(out, u);
  }
  return out;
}

std::string Utf8ToUtf16Le(const std::string& utf8) {
  std::string out;
  out.reserve(2 * utf8.size());
  const auto put = [&](char32_t u) {
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>(u >> 8);
  };
  for (size_t i = 0; i < utf8.size();) {
    char32_t cp;
    if (!NextUtf8(utf8, i, cp)) {  // lines are well-formed; guard anyway
      cp = 0xFFFD;
      ++i;
    }
    if (cp >= 0x10000) {
      put(0xD800 + ((cp - 0x10000) >> 10));
      put(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      put(cp);
    }
  }
  return out;
}

bool IsUtf8(const std::string& s, size_t from) {
  char32_t cp;
  for (size_t i = from; i < s.size();)
    if (!NextUtf8(s, i, cp)) return false;
  return true;
}

// --- Case -----------------------------------------------------------------------------

// The upper-case form of a Windows-1250 letter (the byte itself for anything else).
char UpperCp1250(char c) {
  const unsigned char b = static_cast<unsigned char>(c);
  if (b >= 'a' && b <= 'z') return static_cast<char>(b - 32);
  if (b < 0x80) return c;
  const char32_t cp = Cp1250ToUnicode(b);
  char32_t up = cp;
  if (cp >= 0xE0 && cp <= 0xFE && cp != 0xF7) {
    up = cp - 0x20;
  } else if (cp >= 0x100 && cp <= 0x17F) {
    // Latin Extended-A pairs upper/lower as even/odd, except in two runs where it is odd/even.
    const bool oddUpper = (cp >= 0x139 && cp <= 0x148) || (cp >= 0x179 && cp <= 0x17E);
    if ((cp % 2 == 1) != oddUpper) up = cp - 1;
  }
  const int back = up == cp ? -1 : UnicodeToCp1250(up);
  return back < 0 ? c : static_cast<char>(back);
}

// Views, not copies: the parser trims every line of a file several times over.
std::string_view Trimmed(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
  return s.substr(b, e - b);
}

bool UnderKey(const std::string& section, const std::string& key) {
  return section.size() > key.size() && section[key.size()] == '\\' &&
         SameRegName(section.substr(0, key.size()), key);
}

// A quoted text starting at s[i] ('"'), with \\ and \" escaped; i ends after the quote.
bool ParseQuoted(std::string_view s, size_t& i, std::string& out) {
  out.clear();
  for (++i; i < s.size(); ++i) {
    if (s[i] == '"') {
      ++i;
      return true;
    }
    if (s[i] == '\\' && i + 1 < s.size() && (s[i + 1] == '\\' || s[i + 1] == '"')) ++i;
    out += s[i];
  }
  return false;
}

std::string Quoted(const std::string& utf8) {
  std::string out = "\"";
  for (char c : utf8) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + "\"";
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "01,ab,00" -> bytes; false when a piece is not one or two hexadecimal digits.
bool ParseHexBytes(std::string_view list, std::string& out) {
  out.clear();
  const std::string_view t = Trimmed(list);
  if (t.empty()) return true;
  size_t start = 0;
  while (true) {
    const size_t comma = t.find(',', start);
    const std::string_view piece = Trimmed(
        t.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
    if (piece.empty() || piece.size() > 2) return false;
    int v = 0;
    for (char c : piece) {
      if (HexDigit(c) < 0) return false;
      v = v * 16 + HexDigit(c);
    }
    out += static_cast<char>(v);
    if (comma == std::string_view::npos) return true;
    start = comma + 1;
  }
}

std::string ErrnoText() { return std::strerror(errno); }

// A parse failure, reported by value: the readers meet bad files as often as good ones.
// The messages are Windows-1250 like every text of the core; the octal escapes (\350 is
// "č", \232 "š", \236 "ž") end after three digits, whatever letter follows.
bool Failed(TRegFile::TFault& fault, size_t line, std::string what) {
  fault = {line, std::move(what)};
  return false;
}

// A key or value name must read back as itself to be found again: the five bytes without
// a character would come back as "?".
void CheckWritableName(const std::string& text) {
  for (char c : text)
    if (Cp1250ToUnicode(static_cast<unsigned char>(c)) == 0xFFFD)
      throw ERegistryException(
          "Ime klju\350a ali vrednosti v registru ne more imeti bajta brez znaka");
}

}  // namespace

bool SameRegName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (UpperCp1250(a[i]) != UpperCp1250(b[i])) return false;
  return true;
}

bool RegFileWritable(const fs::path& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0)
    return S_ISREG(st.st_mode) && (st.st_mode & 0222) != 0 && ::access(path.c_str(), W_OK) == 0;
  const fs::path dir = path.parent_path().empty() ? fs::path(".") : path.parent_path();
  return errno == ENOENT && ::stat(dir.c_str(), &st) == 0 && (st.st_mode & 0222) != 0 &&
         ::access(dir.c_str(), W_OK) == 0;
}

TRegFile TRegFile::Load(const fs::path& path) {
  TRegFile f;
  f.path_ = path;
  std::string bytes;
  std::error_code ec;
  if (fs::exists(path, ec)) {
    std::ifstream in(path, std::ios::binary);
    if (!in) f.Fail(0, "branje ni mogo\350e: " + ErrnoText());
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) f.Fail(0, "branje ni mogo\350e");
  } else if (ec) {
    f.Fail(0, "branje ni mogo\350e: " + ec.message());
  }
  return FromBytes(bytes, path);
}

TRegFile TRegFile::FromBytes(const std::string& bytes, const fs::path& path) {
  TRegFile f;
  TFault fault;
  if (!TryFromBytes(bytes, path, f, fault)) f.Fail(fault.Line, fault.What);
  return f;
}

bool TRegFile::TryFromBytes(const std::string& bytes, const fs::path& path, TRegFile& f,
                            TFault& fault) {
  f = TRegFile();
  f.path_ = path;
  std::string text;
  if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
    if (bytes.size() % 2 != 0)
      return Failed(fault, 0, "odrezana, besedilo UTF-16LE z lihim \232tevilom bajtov");
    f.encoding_ = TEncoding::Utf16Le;
    text = Utf16LeToUtf8(bytes, 2);
  } else if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    f.encoding_ = TEncoding::Utf8Bom;
    if (!IsUtf8(bytes, 3)) return Failed(fault, 0, "besedilo ni veljaven UTF-8");
    text = bytes.substr(3);
  } else if (bytes.size() >= 2 && bytes[0] == '\xFE' && bytes[1] == '\xFF') {
    return Failed(fault, 0, "besedilo UTF-16 big-endian; shranite jo kot UTF-16LE ali UTF-8");
  } else {
    if (bytes.find('\0') != std::string::npos)
      return Failed(fault, 0, "besedilo UTF-16 brez oznake vrstnega reda bajtov");
    if (!IsUtf8(bytes, 0))
      return Failed(fault, 0, "besedilo ni ne UTF-16LE (z oznako vrstnega reda bajtov) ne UTF-8");
    text = bytes;
  }

  size_t start = 0;
  while (true) {
    const size_t nl = text.find('\n', start);
    std::string line = text.substr(start, nl == std::string::npos ? std::string::npos : nl - start);
    if (!line.empty() && line.back() == '\r') {
      line.pop_back();
      if (f.lines_.empty()) f.eol_ = "\r\n";
    }
    f.lines_.push_back(std::move(line));
    if (nl == std::string::npos) break;
    start = nl + 1;
  }
  if (f.lines_.size() == 1 && Trimmed(f.lines_[0]).empty()) f.lines_.clear();
  return f.TryParse(fault);
}

void TRegFile::Fail(size_t line, const std::string& what) const {
  std::string where = PathToText(path_);
  if (line > 0) where += ", vrstica " + std::to_string(line);
  throw ERegistryException("Datoteka registra " + where + ": " + what);
}

void TRegFile::Parse() {
  TFault fault;
  if (!TryParse(fault)) Fail(fault.Line, fault.What);
}

bool TRegFile::TryParse(TFault& fault) {
  sections_.clear();
  if (lines_.empty()) return true;
  if (Trimmed(lines_[0]) != kHeader)
    return Failed(fault, 1, "ne za\350ne se z \"" + std::string(kHeader) + "\"");
  for (size_t n = 1; n < lines_.size(); ++n) {
    const std::string_view line = Trimmed(lines_[n]);
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      if (line.back() != ']' || line.size() < 3)
        return Failed(fault, n + 1, "imenu klju\350a manjka zaklju\350ni ]");
      if (line[1] == '-')
        return Failed(fault, n + 1,
                      "bri\232e klju\350; brati je mogo\350e le izvo\236ene klju\350e");
      sections_.push_back({Utf8ToCp1250(line.substr(1, line.size() - 2)), n, {}});
      continue;
    }
    if (line[0] != '"' && line[0] != '@')
      return Failed(fault, n + 1, "vrstica ni ne klju\350 ne vrednost");
    if (sections_.empty()) return Failed(fault, n + 1, "vrednost je pred prvim klju\350em");
    Entry entry;
    if (!ParseEntry(line, n, entry, fault)) return false;
    sections_.back().Entries.push_back(std::move(entry));
    sections_.back().LastLine = n;
  }
  return true;
}

bool TRegFile::ParseEntry(std::string_view line, size_t& n, Entry& entry, TFault& fault) const {
  entry.FirstLine = n;
  size_t i = 0;
  std::string name;
  if (line[0] == '@') {
    i = 1;
  } else if (!ParseQuoted(line, i, name)) {
    return Failed(fault, n + 1, "imenu vrednosti manjka zaklju\350ni narekovaj");
  }
  while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
  if (i >= line.size() || line[i] != '=') return Failed(fault, n + 1, "vrednosti manjka \"=\"");
  ++i;
  while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
  std::string data(line.substr(i));
  if (data.empty()) return Failed(fault, n + 1, "vrednost je brez podatkov");
  // Long hex data continues on the next lines after a trailing backslash.
  while (!data.empty() && data.back() == '\\' && data.compare(0, 1, "\"") != 0) {
    data.pop_back();
    if (++n >= lines_.size()) return Failed(fault, n, "datoteka se kon\350a sredi vrednosti");
    data += Trimmed(lines_[n]);
  }
  entry.LastLine = n;
  entry.Name = Utf8ToCp1250(name);
  return ParseData(data, n + 1, entry.Value, fault);
}

bool TRegFile::ParseData(const std::string& data, size_t line, TRegValue& value,
                         TFault& fault) const {
  if (data[0] == '"') {
    size_t j = 0;
    std::string text;
    if (!ParseQuoted(data, j, text) || !Trimmed(std::string_view(data).substr(j)).empty())
      return Failed(fault, line, "besedilni vrednosti manjka zaklju\350ni narekovaj");
    value = {TRegValue::TType::Text, Utf8ToCp1250(text)};
    return true;
  }
  if (data.rfind("dword:", 0) == 0) {
    value = {TRegValue::TType::Other, {}};
    return true;
  }
  if (data.rfind("hex", 0) == 0) return ParseHexData(data, line, value, fault);
  if (data == "-")
    return Failed(fault, line, "bri\232e vrednost; brati je mogo\350e le izvo\236ene vrednosti");
  return Failed(fault, line, "vrednost je neznane oblike");
}

bool TRegFile::ParseHexData(const std::string& data, size_t line, TRegValue& value,
                            TFault& fault) const {
  int kind = 3;  // plain hex: binary
  const size_t colon = data.find(':');
  if (colon == std::string::npos)
    return Failed(fault, line, "\232estnajsti\232kim podatkom manjka \":\"");
  const std::string_view tag = std::string_view(data).substr(3, colon - 3);
  if (!tag.empty()) {
    if (tag.size() < 3 || tag.front() != '(' || tag.back() != ')')
      return Failed(fault, line, "vrsta vrednosti je neznana");
    kind = 0;
    for (char c : tag.substr(1, tag.size() - 2)) {
      if (HexDigit(c) < 0 || kind > 0xFFFF)
        return Failed(fault, line, "vrsta vrednosti je neznana");
      kind = kind * 16 + HexDigit(c);
    }
  }
  std::string raw;
  if (!ParseHexBytes(std::string_view(data).substr(colon + 1), raw))
    return Failed(fault, line, "\232estnajsti\232ki podatki so napa\350ni");
  if (kind != 1 && kind != 2) {
    value = {TRegValue::TType::Other, {}};
    return true;
  }
  // A string or expandable string written as UTF-16LE, up to its terminating zero.
  const std::string utf8 = Utf16LeToUtf8(raw.substr(0, raw.size() & ~size_t{1}), 0);
  value = {TRegValue::TType::Text, Utf8ToCp1250(utf8.substr(0, utf8.find('\0')))};
  return true;
}

bool TRegFile::KeyExists(const std::string& key) const {
  for (const Section& s : sections_)
    if (SameRegName(s.Key, key) || UnderKey(s.Key, key)) return true;
  return false;
}

const TRegFile::Section* TRegFile::FindLastSection(const std::string& key) const {
  const Section* found = nullptr;
  for (const Section& s : sections_)
    if (SameRegName(s.Key, key)) found = &s;
  return found;
}

const TRegValue* TRegFile::FindValue(const std::string& key, const std::string& name) const {
  // A key listed twice reads as one; the later line of a value wins, as on import.
  const TRegValue* found = nullptr;
  for (const Section& s : sections_)
    if (SameRegName(s.Key, key))
      for (const Entry& e : s.Entries)
        if (SameRegName(e.Name, name)) found = &e.Value;
  return found;
}

void TRegFile::AddKey(const std::string& key) {
  if (!KeyExists(key)) AppendSection(key);
}

void TRegFile::AppendSection(const std::string& key) {
  // A key the format cannot hold (none, or one read as a deletion) leaves the file as it was.
  if (key.empty() || key[0] == '-')
    throw ERegistryException("Klju\350 v registru potrebuje ime, ki se ne za\350ne z \"-\"");
  CheckWritableName(key);
  if (lines_.empty()) lines_ = {kHeader};
  while (lines_.size() > 1 && Trimmed(lines_.back()).empty()) lines_.pop_back();
  lines_.insert(lines_.end(), {"", "[" + Cp1250ToUtf8(key) + "]", "", ""});
  Parse();
}

void TRegFile::SetString(const std::string& key, const std::string& name,
                         const std::string& value) {
  for (const std::string* t : {&key, &name, &value}) {
    if (t->find_first_of("\r\n") != std::string::npos)
      throw ERegistryException("Vrednost v registru ne more imeti preloma vrstice");
    // A zero byte would make a UTF-8 file read as UTF-16 without byte order mark.
    if (t->find('\0') != std::string::npos)
      throw ERegistryException("Vrednost v registru ne more imeti ni\350elnega bajta");
  }
  CheckWritableName(key);
  CheckWritableName(name);
  // A key that exists only through a key below it still needs a section of its own.
  if (!FindLastSection(key)) AppendSection(key);
  const std::string line = (name.empty() ? std::string("@") : Quoted(Cp1250ToUtf8(name))) + "=" +
                           Quoted(Cp1250ToUtf8(value));
  for (auto s = sections_.rbegin(); s != sections_.rend(); ++s) {
    if (!SameRegName(s->Key, key)) continue;
    for (auto e = s->Entries.rbegin(); e != s->Entries.rend(); ++e) {
      if (!SameRegName(e->Name, name)) continue;
      lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(e->FirstLine) + 1,
                   lines_.begin() + static_cast<std::ptrdiff_t>(e->LastLine) + 1);
      lines_[e->FirstLine] = line;
      Parse();
      return;
    }
  }
  const Section* last = FindLastSection(key);
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(last->LastLine) + 1, line);
  Parse();
}

std::vector<TRegFile::TListed> TRegFile::List() const {
  std::vector<TListed> out;
  for (const Section& s : sections_)
    for (const Entry& e : s.Entries) out.push_back({s.Key, e.Name, e.Value});
  return out;
}

std::string TRegFile::ToBytes() const {
  std::string text;
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (i > 0) text += eol_;
    text += lines_[i];
  }
  std::string bytes;
  switch (encoding_) {
    case TEncoding::Utf16Le: bytes = "\xFF\xFE" + Utf8ToUtf16Le(text); break;
    case TEncoding::Utf8Bom: bytes = "\xEF\xBB\xBF" + text; break;
    case TEncoding::Utf8: bytes = text; break;
  }
  return bytes;
}

void TRegFile::Save() const {
  if (!RegFileWritable(path_)) Fail(0, "samo za branje");
  const std::string bytes = ToBytes();

  const fs::path dir = path_.parent_path().empty() ? fs::path(".") : path_.parent_path();
  std::string tmp = (dir / (path_.filename().string() + ".XXXXXX")).string();
  const int fd = ::mkstemp(tmp.data());  // mode 0600
  if (fd < 0) Fail(0, "pisanje ni mogo\350e: " + ErrnoText());
  const auto abandon = [&](const std::string& what) {
    const std::string why = ErrnoText();
    ::close(fd);
    ::unlink(tmp.c_str());
    Fail(0, "pisanje ni mogo\350e (" + what + "): " + why);
  };
  for (size_t done = 0; done < bytes.size();) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) abandon("write");
    done += static_cast<size_t>(n);
  }
  if (::fchmod(fd, 0600) != 0) abandon("chmod");
  if (::fsync(fd) != 0) abandon("fsync");
  if (::close(fd) != 0) {
    const std::string why = ErrnoText();
    ::unlink(tmp.c_str());
    Fail(0, "pisanje ni mogo\350e (close): " + why);
  }
  if (::rename(tmp.c_str(), path_.c_str()) != 0) {
    const std::string why = ErrnoText();
    ::unlink(tmp.c_str());
    Fail(0, "pisanje ni mogo\350e (rename): " + why);
  }
  const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
}

}  // namespace prenos
