// The temporary prefix and file helpers of the test suites.
#include "support/temp_prefix.h"

#include <stdlib.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace prenos::testing {

namespace fs = std::filesystem;

fs::path MakeTempFolder(const std::string& stem) {
  std::string name = (fs::temp_directory_path() / (stem + "-XXXXXX")).string();
  if (!::mkdtemp(name.data())) throw std::runtime_error("cannot make a temporary folder " + name);
  return name;
}

TempPrefix::TempPrefix() : dir_(MakeTempFolder("prenos-prefix")) {
  if (const char* old = ::getenv("STELVAR_PREFIX")) previous_ = old;
  ::setenv("STELVAR_PREFIX", dir_.c_str(), 1);
}

TempPrefix::~TempPrefix() {
  if (previous_)
    ::setenv("STELVAR_PREFIX", previous_->c_str(), 1);
  else
    ::unsetenv("STELVAR_PREFIX");
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(dir_, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
    if (it->is_directory(ec))
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(dir_, ec);
}

std::string FileBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const fs::path& file, const std::string& bytes) {
  if (file.has_parent_path()) fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << bytes;
}

}  // namespace prenos::testing
