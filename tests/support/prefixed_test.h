// The base of the Qt Test suites that need local tables: every test function runs on a
// fresh temporary STELVAR_PREFIX, removed after it.
#pragma once

#include <QObject>
#include <filesystem>
#include <optional>

#include "support/temp_prefix.h"

namespace prenos::testing {

class PrefixedTest : public QObject {
  Q_OBJECT

 protected:
  const std::filesystem::path& Prefix() const { return prefix_->Dir(); }

 protected slots:
  // Qt Test runs these around each test function; a suite with its own init() or
  // cleanup() calls these from it.
  void init() { prefix_.emplace(); }
  void cleanup() { prefix_.reset(); }

 private:
  std::optional<TempPrefix> prefix_;
};

}  // namespace prenos::testing
