#include "memory_registry.h"

#include <algorithm>
#include <cctype>

namespace varnolt::menu::testing {

namespace {
constexpr long kFileNotFound = 2;
constexpr long kAccessDenied = 5;
}  // namespace

std::string MemoryRegistry::Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

std::string MemoryRegistry::FullName(RegistryRoot root, const std::string& path) {
  static const char* const names[] = {"HKCR", "HKCU", "HKLM", "HKU"};
  return std::string(names[static_cast<int>(root)]) + "\\" + path;
}

MemoryRegistry::Keys::iterator MemoryRegistry::Find(const std::string& fullName) { return contents.find(Lower(fullName)); }

bool MemoryRegistry::Fail() { return ++calls == failCall; }

void MemoryRegistry::Add(const std::string& fullName, const Values& values) {
  // Parents first, as a real registry has them.
  for (std::size_t slash = fullName.find('\\', fullName.find('\\') + 1); slash != std::string::npos;
       slash = fullName.find('\\', slash + 1)) {
    contents.try_emplace(Lower(fullName.substr(0, slash)));
  }
  Values& key = contents[Lower(fullName)];
  for (const auto& [name, value] : values) key[name] = value;
}

bool MemoryRegistry::Has(const std::string& fullName) const { return contents.count(Lower(fullName)) != 0; }

std::string MemoryRegistry::Value(const std::string& fullName, const std::string& name) const {
  const auto key = contents.find(Lower(fullName));
  if (key == contents.end()) return "<no key>";
  const auto value = key->second.find(name);
  return value == key->second.end() ? "<no value>" : value->second;
}

long MemoryRegistry::CreateKey(RegistryRoot root, const std::string& path) {
  if (Fail()) return kAccessDenied;
  Add(FullName(root, path));
  return 0;
}

long MemoryRegistry::SetValue(RegistryRoot root, const std::string& path, const std::string& name,
                              const ScriptValue& value) {
  if (Fail()) return kAccessDenied;
  const auto key = Find(FullName(root, path));
  if (key == contents.end()) return kFileNotFound;
  key->second[name] = value.kind == ValueKind::kDword ? "dword:" + std::to_string(value.number) : value.text;
  return 0;
}

long MemoryRegistry::DeleteValue(RegistryRoot root, const std::string& path, const std::string& name) {
  if (Fail()) return kAccessDenied;
  const auto key = Find(FullName(root, path));
  if (key == contents.end()) return kFileNotFound;
  return key->second.erase(name) ? 0 : kFileNotFound;
}

bool MemoryRegistry::KeyExists(RegistryRoot root, const std::string& path) {
  return Find(FullName(root, path)) != contents.end();
}

bool MemoryRegistry::HasSubkeys(RegistryRoot root, const std::string& path) {
  const std::string prefix = Lower(FullName(root, path)) + "\\";
  const auto next = contents.lower_bound(prefix);
  return next != contents.end() && next->first.compare(0, prefix.size(), prefix) == 0;
}

long MemoryRegistry::DeleteKey(RegistryRoot root, const std::string& path) {
  if (Fail()) return kAccessDenied;
  const auto key = Find(FullName(root, path));
  if (key == contents.end()) return kFileNotFound;
  if (HasSubkeys(root, path)) return kAccessDenied;  // as RegDeleteKey answers for a key with subkeys
  contents.erase(key);
  return 0;
}

long MemoryRegistry::DeleteTree(RegistryRoot root, const std::string& path) {
  if (Fail()) return kAccessDenied;
  const std::string name = Lower(FullName(root, path));
  contents.erase(name);
  const std::string prefix = name + "\\";
  for (auto it = contents.lower_bound(prefix); it != contents.end() && it->first.compare(0, prefix.size(), prefix) == 0;) {
    it = contents.erase(it);
  }
  return 0;
}

}  // namespace varnolt::menu::testing
