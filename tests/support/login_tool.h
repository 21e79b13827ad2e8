// Stores a login in the current prefix with the prenos-login tool, as an office would;
// the suite that includes this names the tool's path in PRENOS_LOGIN_TOOL.
#pragma once

#include <cstdio>
#include <string>

namespace prenos::testing {

// The password goes in on standard input; answers whether the tool succeeded.
inline bool StoreLogin(const std::string& user, const std::string& password) {
  const std::string command = std::string(PRENOS_LOGIN_TOOL) + " " + user + " >/dev/null";
  FILE* tool = popen(command.c_str(), "w");
  if (!tool) return false;
  fputs((password + "\n").c_str(), tool);
  return pclose(tool) == 0;
}

}  // namespace prenos::testing
