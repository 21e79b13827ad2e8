// Prefix location and the mapping of Windows paths into it.
#include "platform/prefix.h"

#include <cctype>
#include <cstdlib>
#include <system_error>
#include <vector>

#include "platform/codepage.h"

namespace fs = std::filesystem;

namespace prenos {
namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// The entry of dir whose name equals name ignoring case; the name itself when none does.
fs::path MatchComponent(const fs::path& dir, const std::string& name) {
  std::error_code ec;
  if (fs::exists(dir / name, ec)) return dir / name;
  const std::string want = Lower(name);
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
    if (Lower(it->path().filename().string()) == want) return it->path();
  return dir / name;
}

}  // namespace

fs::path PrefixDir() {
  fs::path dir;
  if (const char* p = std::getenv("STELVAR_PREFIX"); p && *p) {
    dir = p;
  } else if (const char* x = std::getenv("XDG_DATA_HOME"); x && *x) {
    dir = fs::path(x) / "stelvar";
  } else {
    const char* home = std::getenv("HOME");
    dir = fs::path(home && *home ? home : "/tmp") / ".local" / "share" / "stelvar";
  }
  std::error_code ec;
  fs::create_directories(dir, ec);
  return dir;
}

fs::path MapWindowsPath(const std::string& path) {
  const std::string utf8 = Cp1250ToUtf8(path);
  if (!utf8.empty() && utf8[0] == '/') return fs::path(utf8);

  std::string rest = utf8;
  fs::path base;
  if (rest.size() >= 2 && std::isalpha(static_cast<unsigned char>(rest[0])) && rest[1] == ':') {
    base = PrefixDir() /
           ("drive_" +
            std::string(1, static_cast<char>(std::tolower(static_cast<unsigned char>(rest[0])))));
    rest = rest.substr(2);
  } else {
    base = PrefixDir() / "drive_c";
  }
  std::vector<std::string> parts;
  std::string cur;
  for (char c : rest) {
    if (c == '\\' || c == '/') {
      if (!cur.empty()) parts.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  if (!cur.empty()) parts.push_back(cur);

  fs::path out = base;
  for (const auto& part : parts) {
    if (part == ".") continue;
    if (part == "..") {
      if (out != base) out = out.parent_path();
      continue;
    }
    out = MatchComponent(out, part);
  }
  return out;
}

fs::path AliasDir(const std::string& alias) {
  fs::path dir = PrefixDir() / "aliases" / Cp1250ToUtf8(alias);
  std::error_code ec;
  fs::create_directories(dir, ec);
  return dir;
}

std::string PathToText(const fs::path& path) { return Utf8ToCp1250(path.string()); }

}  // namespace prenos
