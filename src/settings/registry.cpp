// The registry accessor over the prefix's registry files.
#include "settings/registry.h"

#include "platform/prefix.h"

namespace prenos {

void TRegistry::SetRootKey(TRootKey root) {
  CloseKey();
  root_ = root;
}

std::string TRegistry::RootKeyName() const {
  return root_ == HKEY_LOCAL_MACHINE ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
}

std::filesystem::path TRegistry::FileName() const {
  return PrefixDir() / (root_ == HKEY_LOCAL_MACHINE ? "system.reg" : "user.reg");
}

std::string TRegistry::FullPath(const std::string& path) const {
  return path.empty() ? RootKeyName() : RootKeyName() + "\\" + path;
}

bool TRegistry::OpenKey(const std::string& key, bool canCreate) {
  std::string path = key;
  const bool relative = path.empty() || path[0] != '\\';
  while (!path.empty() && path.front() == '\\') path.erase(0, 1);
  while (!path.empty() && path.back() == '\\') path.pop_back();
  if (relative && open_ && !path_.empty()) path = path.empty() ? path_ : path_ + "\\" + path;

  TRegFile file = TRegFile::Load(FileName());
  const std::filesystem::path& fileName = file.Path();
  const std::string full = FullPath(path);
  if (path.empty() || file.KeyExists(full)) {
    if (!RegFileWritable(fileName)) return false;
  } else {
    if (!canCreate || !RegFileWritable(fileName)) return false;
    file.AddKey(full);
    try {
      file.Save();
    } catch (const ERegistryException&) {
      return false;
    }
  }
  open_ = true;
  path_ = path;
  return true;
}

void TRegistry::CloseKey() {
  open_ = false;
  path_.clear();
}

bool TRegistry::ValueExists(const std::string& name) const {
  return TRegFile::Load(FileName()).FindValue(FullPath(path_), name) != nullptr;
}

std::string TRegistry::ReadString(const std::string& name) const {
  const TRegFile file = TRegFile::Load(FileName());
  const TRegValue* value = file.FindValue(FullPath(path_), name);
  if (!value) throw ERegistryException("Value '" + name + "' does not exist");
  if (value->Type != TRegValue::TType::Text)
    throw ERegistryException("Invalid data type for '" + name + "'");
  return value->Text;
}

TRegistry& Registry() {
  static TRegistry registry;
  return registry;
}

}  // namespace prenos
