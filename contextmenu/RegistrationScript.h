// The registration script interpreter: reads the script embedded in the DLL (the key tree it
// writes under HKEY_CLASSES_ROOT) and applies it in register or remove mode. Plain code: the
// registry comes in through RegistryEditor, so the key logic is tested against a map.
//
// Syntax, one root per block (whitespace separates tokens; quotes are needed only for names
// with spaces, and '' inside quotes is one quote):
//
//   HKCR
//   {
//     [NoRemove|ForceRemove] name [= s 'text' | = d 'number']
//     {
//       val name = s 'text'
//       ... subkeys, same form
//     }
//   }
//
// NoRemove: created if missing, only passed through on removal. ForceRemove: deleted with
// everything below it before registration writes it, and deleted whole on removal. Unmarked:
// created and written on registration; on removal its scripted subkeys are handled first, and
// it is deleted only when it has no subkeys left, and a kept key loses its scripted named values.
// In names and data, %NAME% is replaced by a caller's value (%MODULE% by the DLL's path) and %%
// by one percent sign; a replaced text is taken as it is, quotes and all.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace varnolt::menu {

enum class RegistryRoot { kClassesRoot, kCurrentUser, kLocalMachine, kUsers };

// Values the script can write.
enum class ValueKind { kString, kDword };

struct ScriptValue {
  ValueKind kind = ValueKind::kString;
  std::string text;      // kString
  std::uint32_t number = 0;  // kDword
};

// What the interpreter needs of a registry. Paths are relative to the root, with backslashes;
// results are Win32 error codes (0 is success). Implemented over HKEY in the DLL and over a map
// in the tests.
class RegistryEditor {
 public:
  virtual ~RegistryEditor() = default;
  virtual long CreateKey(RegistryRoot root, const std::string& path) = 0;
  // name empty: the key's unnamed (default) value. The key exists already.
  virtual long SetValue(RegistryRoot root, const std::string& path, const std::string& name,
                        const ScriptValue& value) = 0;
  virtual long DeleteValue(RegistryRoot root, const std::string& path, const std::string& name) = 0;
  virtual bool KeyExists(RegistryRoot root, const std::string& path) = 0;
  virtual bool HasSubkeys(RegistryRoot root, const std::string& path) = 0;
  // Deletes a key that has no subkeys (its values go with it).
  virtual long DeleteKey(RegistryRoot root, const std::string& path) = 0;
  // Deletes a key and everything below it; a missing key is not an error.
  virtual long DeleteTree(RegistryRoot root, const std::string& path) = 0;
};

enum class KeyMarking { kNone, kNoRemove, kForceRemove };

struct ScriptKey {
  std::string name;
  KeyMarking marking = KeyMarking::kNone;
  bool hasDefault = false;
  ScriptValue defaultValue;
  std::vector<std::pair<std::string, ScriptValue>> values;  // named values, in script order
  std::vector<ScriptKey> subkeys;
};

struct ScriptRoot {
  RegistryRoot root;
  std::vector<ScriptKey> keys;
};

struct ParsedScript {
  bool ok = false;
  std::string error;  // what went wrong, with the line, when !ok
  std::vector<ScriptRoot> roots;
};

using ScriptReplacements = std::map<std::string, std::string>;

// Parses the whole script first, so that a script with a syntax error writes nothing.
ParsedScript ParseRegistrationScript(const std::string& script, const ScriptReplacements& replacements);

enum class ScriptMode { kRegister, kRemove };

struct ScriptResult {
  enum class Kind { kOk, kSyntaxError, kRegistryError } kind = Kind::kOk;
  long error = 0;         // the failing call's Win32 error (kRegistryError)
  std::string message;    // what failed
  bool ok() const { return kind == Kind::kOk; }
};

// Parses and applies. Both modes stop at the first failing call and undo nothing; removal passes
// over keys and values that are already gone.
ScriptResult ApplyRegistrationScript(const std::string& script, const ScriptReplacements& replacements,
                                     ScriptMode mode, RegistryEditor& registry);

}  // namespace varnolt::menu
