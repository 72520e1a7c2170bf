// The registration script's registry: the real one, through the W calls of advapi32 (UTF-8 in,
// UTF-16 stored), in the DLL's own view.
#pragma once

#include "contextmenu/RegistrationScript.h"

namespace varnolt::menu {

class Win32Registry final : public RegistryEditor {
 public:
  long CreateKey(RegistryRoot root, const std::string& path) override;
  long SetValue(RegistryRoot root, const std::string& path, const std::string& name, const ScriptValue& value) override;
  long DeleteValue(RegistryRoot root, const std::string& path, const std::string& name) override;
  bool KeyExists(RegistryRoot root, const std::string& path) override;
  bool HasSubkeys(RegistryRoot root, const std::string& path) override;
  long DeleteKey(RegistryRoot root, const std::string& path) override;
  long DeleteTree(RegistryRoot root, const std::string& path) override;
};

}  // namespace varnolt::menu
