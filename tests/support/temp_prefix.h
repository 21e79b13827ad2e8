// A fresh temporary STELVAR_PREFIX for as long as an object lives, and the byte-exact
// file reading and writing the suites use to set up and look at what was written.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace prenos::testing {

// A new empty folder below the system's temporary folder, its name starting with `stem`;
// throws std::runtime_error when none can be made.
std::filesystem::path MakeTempFolder(const std::string& stem);

// Points STELVAR_PREFIX at a new empty folder; on destruction the previous value comes
// back and the folder goes, made writable first (tests take rights away from it).
class TempPrefix {
 public:
  TempPrefix();
  ~TempPrefix();
  TempPrefix(const TempPrefix&) = delete;
  TempPrefix& operator=(const TempPrefix&) = delete;

  const std::filesystem::path& Dir() const { return dir_; }

 private:
  std::optional<std::string> previous_;
  std::filesystem::path dir_;
};

// The whole file as bytes; empty when it cannot be read.
std::string FileBytes(const std::filesystem::path& file);

// Writes the bytes as the whole file, its folders made when missing.
void WriteBytes(const std::filesystem::path& file, const std::string& bytes);

}  // namespace prenos::testing
