// Reading the stored login.
#include "settings/credentials.h"

#include "localtables/errorlog.h"
#include "platform/component.h"
#include "settings/registry.h"
#include "settings/scramble.h"

namespace prenos {

std::string SQLUserName;
std::string SQLPassword;

std::string RegReadString(const std::string& keyPath, const std::string& name,
                          const std::string& def) {
  std::string result = def;
  TRegistry& reg = Registry();
  reg.CloseKey();
  try {
    if (reg.OpenKey(keyPath, false) && reg.ValueExists(name)) result = reg.ReadString(name);
  } catch (const std::exception&) {
    // A missing, unreadable or non-text value reads as the default.
  }
  return result;
}

bool GetUserNameAndPassword(std::string& userName, std::string& password) {
  bool result = false;
  userName.clear();
  password.clear();
  try {
    TRegistry& reg = Registry();
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    reg.OpenKey("SOFTWARE", true);
    for (const char* level : {"Stelvar", "SQL"})
      if (!reg.OpenKey(level, false) && !reg.OpenKey(level, true))
        throw ERegistryException(std::string("Failed to create key ") + level);
    userName = RegReadString(kLoginKey, "UserName", "sa");
    password = HexDecrypt(RegReadString(kLoginKey, "Password", ""), kPasswordKey);
    result = true;
  } catch (const std::exception& e) {
    LogError(&e, &Application(), "GetUserNameAndPassword");
  }
  return result;
}

}  // namespace prenos
