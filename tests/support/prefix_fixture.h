// A fresh, empty STELVAR_PREFIX for every test, removed afterwards, and small file and
// sqlite3 command-line helpers for looking at what the tables wrote.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

#include "support/temp_prefix.h"

namespace prenos::testing {

class PrefixTest : public ::testing::Test {
 protected:
  void SetUp() override { prefix_.emplace(); }
  void TearDown() override { prefix_.reset(); }

  const std::filesystem::path& Prefix() const { return prefix_->Dir(); }

  // Writes bytes to a file below the prefix (folders created) and returns its path.
  std::filesystem::path WriteFile(const std::filesystem::path& relative, const std::string& bytes) {
    const std::filesystem::path p = Prefix() / relative;
    WriteBytes(p, bytes);
    return p;
  }

  // The standard output of a shell command; its exit status in *status when given.
  static std::string Run(const std::string& command, int* status = nullptr) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return out;
    std::array<char, 4096> buf;
    size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), pipe)) > 0) out.append(buf.data(), n);
    const int rc = pclose(pipe);
    if (status) *status = rc;
    return out;
  }

  // Runs one SQL text on a table file with the sqlite3 command-line tool.
  static std::string Sqlite(const std::filesystem::path& file, const std::string& sql,
                            int* status = nullptr) {
    return Run("sqlite3 -batch '" + file.string() + "' \"" + sql + "\" 2>&1", status);
  }

 private:
  std::optional<TempPrefix> prefix_;
};

}  // namespace prenos::testing
