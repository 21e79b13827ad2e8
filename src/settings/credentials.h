// The stored SQL login: read once at start-up from HKEY_LOCAL_MACHINE\SOFTWARE\Stelvar\SQL
// into SQLUserName and SQLPassword.
#pragma once

#include <string>

namespace prenos {

inline constexpr const char* kLoginKey = "SOFTWARE\\Stelvar\\SQL";

// The process's login, empty until GetUserNameAndPassword fills them.
extern std::string SQLUserName;
extern std::string SQLPassword;

// The text of value name under keyPath (opened through the accessor without creating
// it, and left open), or def when the key or value is missing, is not a text, or cannot
// be read. Reports nothing.
std::string RegReadString(const std::string& keyPath, const std::string& name,
                          const std::string& def);

// Makes sure HKEY_LOCAL_MACHINE\SOFTWARE\Stelvar\SQL exists and reads "UserName" ("sa"
// when missing) and the hex-scrambled "Password" (empty when missing). True when both
// were read; otherwise one error-log record "GetUserNameAndPassword", and userName and
// password keep what was read before the failure (the password stays empty).
bool GetUserNameAndPassword(std::string& userName, std::string& password);

}  // namespace prenos
