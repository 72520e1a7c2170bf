// An in-memory registry for the registration script interpreter: keys are case-insensitive, a
// key exists only with all its parents, and any call can be made to fail.
#pragma once

#include <map>
#include <string>

#include "contextmenu/RegistrationScript.h"

namespace varnolt::menu::testing {

class MemoryRegistry : public RegistryEditor {
 public:
  // Full names "ROOT\path" (ROOT as HKCR, HKCU, HKLM, HKU), each key's values by name ("" is
  // the default value), as plain text: a DWORD shows as "dword:<decimal>".
  using Values = std::map<std::string, std::string>;
  using Keys = std::map<std::string, Values>;

  long CreateKey(RegistryRoot root, const std::string& path) override;
  long SetValue(RegistryRoot root, const std::string& path, const std::string& name, const ScriptValue& value) override;
  long DeleteValue(RegistryRoot root, const std::string& path, const std::string& name) override;
  bool KeyExists(RegistryRoot root, const std::string& path) override;
  bool HasSubkeys(RegistryRoot root, const std::string& path) override;
  long DeleteKey(RegistryRoot root, const std::string& path) override;
  long DeleteTree(RegistryRoot root, const std::string& path) override;

  // Test set-up and inspection, with full names.
  void Add(const std::string& fullName, const Values& values = {});
  const Keys& keys() const { return contents; }
  bool Has(const std::string& fullName) const;
  std::string Value(const std::string& fullName, const std::string& name) const;

  // Every call that can fail (all but KeyExists and HasSubkeys) is counted; the one with this
  // number (from 1) fails with error 5 (access denied).
  int calls = 0;
  int failCall = 0;

 private:
  static std::string Lower(std::string text);
  static std::string FullName(RegistryRoot root, const std::string& path);
  Keys::iterator Find(const std::string& fullName);
  bool Fail();
  Keys contents;  // keyed by the lower-case full name; value names keep their case
};

}  // namespace varnolt::menu::testing
