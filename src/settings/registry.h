// The process's registry accessor: a root key, at most one open key and its path, over
// the registry files of the prefix (HKEY_LOCAL_MACHINE in system.reg, HKEY_CURRENT_USER
// in user.reg).
#pragma once

#include <filesystem>
#include <string>

#include "settings/regfile.h"

namespace prenos {

enum TRootKey { HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE };

class TRegistry {
 public:
  TRegistry() = default;
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;

  TRootKey RootKey() const { return root_; }
  // Changing the root closes the open key.
  void SetRootKey(TRootKey root);
  // "HKEY_LOCAL_MACHINE" or "HKEY_CURRENT_USER".
  std::string RootKeyName() const;
  // <prefix>/system.reg or <prefix>/user.reg.
  std::filesystem::path FileName() const;

  // Opens key for full access: relative to the open key (or the root when none is open)
  // unless it begins with "\". A missing key is created when canCreate. False when the
  // key is missing (and not created) or cannot be had for full access, which needs a
  // registry file that can be written; the open key is then unchanged. Raises
  // ERegistryException when the file cannot be read or is not in the format.
  bool OpenKey(const std::string& key, bool canCreate);
  void CloseKey();
  bool HasCurrentKey() const { return open_; }
  // The open key's path below the root, without a leading backslash ("" for the root).
  const std::string& CurrentPath() const { return path_; }

  // Values of the open key (the root when none is open).
  bool ValueExists(const std::string& name) const;
  // The text of a string or expandable string value; raises ERegistryException when the
  // value is missing or of another type.
  std::string ReadString(const std::string& name) const;

 private:
  std::string FullPath(const std::string& path) const;

  TRootKey root_ = HKEY_CURRENT_USER;
  bool open_ = false;
  std::string path_;
};

// The one accessor of the process, made on first use and kept to the end.
TRegistry& Registry();

}  // namespace prenos
