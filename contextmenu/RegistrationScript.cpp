#include "contextmenu/RegistrationScript.h"

#include <cctype>
#include <cstdlib>

namespace varnolt::menu {
namespace {

constexpr long kErrorFileNotFound = 2;

bool EqualsNoCase(const std::string& a, const char* b) {
  std::size_t i = 0;
  for (; i < a.size() && b[i]; ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return i == a.size() && !b[i];
}

struct Token {
  std::string text;
  bool quoted = false;
  int line = 1;
  bool Is(const char* word) const { return !quoted && EqualsNoCase(text, word); }
  bool IsSymbol(char c) const { return !quoted && text.size() == 1 && text[0] == c; }
};

class Parser {
 public:
  Parser(const std::string& script, const ScriptReplacements& replacements)
      : script(script), replacements(replacements) {}

  ParsedScript Parse() {
    ParsedScript parsed;
    if (!Tokenize()) return Fail(parsed);
    while (position < tokens.size()) {
      ScriptRoot root;
      if (!ParseRootName(root.root)) return Fail(parsed);
      if (!Expect('{')) return Fail(parsed);
      while (!AtSymbol('}')) {
        if (position >= tokens.size()) return Fail(parsed, "missing '}'");
        ScriptKey key;
        if (!ParseKey(key)) return Fail(parsed);
        root.keys.push_back(std::move(key));
      }
      ++position;
      parsed.roots.push_back(std::move(root));
    }
    parsed.ok = true;
    return parsed;
  }

 private:
  ParsedScript Fail(ParsedScript& parsed, const char* what = nullptr) {
    if (what) SetError(what);
    parsed.ok = false;
    parsed.roots.clear();
    parsed.error = error;
    return parsed;
  }

  void SetError(const std::string& what) {
    if (!error.empty()) return;
    const int line = position < tokens.size() ? tokens[position].line : lineAtEnd;
    error = "line " + std::to_string(line) + ": " + what;
  }

  bool Expand(std::string& text, int line) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] != '%') {
        out += text[i];
        continue;
      }
      const std::size_t end = text.find('%', i + 1);
      if (end == std::string::npos) {
        error = "line " + std::to_string(line) + ": unpaired '%'";
        return false;
      }
      const std::string name = text.substr(i + 1, end - i - 1);
      if (name.empty()) {
        out += '%';
      } else {
        const auto found = replacements.find(name);
        if (found == replacements.end()) {
          error = "line " + std::to_string(line) + ": unknown replacement %" + name + "%";
          return false;
        }
        out += found->second;
      }
      i = end;
    }
    text = std::move(out);
    return true;
  }

  bool Tokenize() {
    int line = 1;
    std::size_t i = 0;
    while (i < script.size()) {
      const char c = script[i];
      if (c == '\n') ++line;
      if (std::isspace(static_cast<unsigned char>(c))) {
        ++i;
        continue;
      }
      Token token;
      token.line = line;
      if (c == '\'') {
        token.quoted = true;
        ++i;
        for (;;) {
          if (i >= script.size()) {
            error = "line " + std::to_string(token.line) + ": unterminated quoted text";
            return false;
          }
          if (script[i] == '\'') {
            if (i + 1 < script.size() && script[i + 1] == '\'') {
              token.text += '\'';
              i += 2;
              continue;
            }
            ++i;
            break;
          }
          if (script[i] == '\n') ++line;
          token.text += script[i++];
        }
      } else {
        while (i < script.size() && !std::isspace(static_cast<unsigned char>(script[i]))) token.text += script[i++];
      }
      if (!Expand(token.text, token.line)) return false;
      tokens.push_back(std::move(token));
    }
    lineAtEnd = line;
    return true;
  }

  bool AtSymbol(char c) const { return position < tokens.size() && tokens[position].IsSymbol(c); }

  bool Expect(char c) {
    if (AtSymbol(c)) {
      ++position;
      return true;
    }
    SetError(std::string("expected '") + c + "'");
    return false;
  }

  bool ParseRootName(RegistryRoot& root) {
    const Token& token = tokens[position];
    if (token.Is("HKCR") || token.Is("HKEY_CLASSES_ROOT")) {
      root = RegistryRoot::kClassesRoot;
    } else if (token.Is("HKCU") || token.Is("HKEY_CURRENT_USER")) {
      root = RegistryRoot::kCurrentUser;
    } else if (token.Is("HKLM") || token.Is("HKEY_LOCAL_MACHINE")) {
      root = RegistryRoot::kLocalMachine;
    } else if (token.Is("HKU") || token.Is("HKEY_USERS")) {
      root = RegistryRoot::kUsers;
    } else {
      SetError("unknown root key '" + token.text + "'");
      return false;
    }
    ++position;
    return true;
  }

  // A name: any token that is not one of the structure symbols.
  bool ParseName(std::string& name) {
    if (position >= tokens.size() || AtSymbol('{') || AtSymbol('}') || AtSymbol('=')) {
      SetError("expected a name");
      return false;
    }
    name = tokens[position++].text;
    if (name.empty() || name.find('\\') == 0 || name.back() == '\\') {
      --position;
      SetError("bad key or value name");
      return false;
    }
    return true;
  }

  // "= s 'text'" or "= d 'number'", the '=' already taken.
  bool ParseValue(ScriptValue& value) {
    if (position + 1 >= tokens.size()) {
      SetError("expected a type and a value");
      return false;
    }
    const Token& type = tokens[position];
    const Token& data = tokens[position + 1];
    if (type.Is("s")) {
      value.kind = ValueKind::kString;
      value.text = data.text;
    } else if (type.Is("d")) {
      value.kind = ValueKind::kDword;
      char* end = nullptr;
      const unsigned long long number = std::strtoull(data.text.c_str(), &end, 0);
      if (data.text.empty() || *end || number > 0xFFFFFFFFull) {
        ++position;
        SetError("bad number '" + data.text + "'");
        return false;
      }
      value.number = static_cast<std::uint32_t>(number);
    } else {
      SetError("unknown value type '" + type.text + "'");
      return false;
    }
    if (!data.quoted && (data.IsSymbol('{') || data.IsSymbol('}') || data.IsSymbol('='))) {
      ++position;
      SetError("expected a value");
      return false;
    }
    position += 2;
    return true;
  }

  bool ParseKey(ScriptKey& key) {
    if (position < tokens.size() && tokens[position].Is("NoRemove")) {
      key.marking = KeyMarking::kNoRemove;
      ++position;
    } else if (position < tokens.size() && tokens[position].Is("ForceRemove")) {
      key.marking = KeyMarking::kForceRemove;
      ++position;
    }
    if (!ParseName(key.name)) return false;
    if (AtSymbol('=')) {
      ++position;
      if (!ParseValue(key.defaultValue)) return false;
      key.hasDefault = true;
    }
    if (!AtSymbol('{')) return true;
    ++position;
    while (!AtSymbol('}')) {
      if (position >= tokens.size()) {
        SetError("missing '}'");
        return false;
      }
      if (tokens[position].Is("val")) {
        ++position;
        std::pair<std::string, ScriptValue> named;
        if (!ParseName(named.first) || !Expect('=') || !ParseValue(named.second)) return false;
        key.values.push_back(std::move(named));
        continue;
      }
      ScriptKey subkey;
      if (!ParseKey(subkey)) return false;
      key.subkeys.push_back(std::move(subkey));
    }
    ++position;
    return true;
  }

  const std::string& script;
  const ScriptReplacements& replacements;
  std::vector<Token> tokens;
  std::size_t position = 0;
  int lineAtEnd = 1;
  std::string error;
};

class Applier {
 public:
  Applier(RegistryEditor& registry, RegistryRoot root) : registry(registry), root(root) {}

  bool Register(const ScriptKey& key, const std::string& parent) {
    const std::string path = Join(parent, key.name);
    if (key.marking == KeyMarking::kForceRemove && !Check(registry.DeleteTree(root, path), "delete", path)) {
      return false;
    }
    if (!Check(registry.CreateKey(root, path), "create", path)) return false;
    if (key.hasDefault && !Check(registry.SetValue(root, path, "", key.defaultValue), "set the value of", path)) {
      return false;
    }
    for (const auto& [name, value] : key.values) {
      if (!Check(registry.SetValue(root, path, name, value), "set value " + name + " of", path)) return false;
    }
    for (const ScriptKey& subkey : key.subkeys) {
      if (!Register(subkey, path)) return false;
    }
    return true;
  }

  bool Remove(const ScriptKey& key, const std::string& parent) {
    const std::string path = Join(parent, key.name);
    if (key.marking == KeyMarking::kForceRemove) return Check(registry.DeleteTree(root, path), "delete", path);
    if (!registry.KeyExists(root, path)) return true;
    for (const ScriptKey& subkey : key.subkeys) {
      if (!Remove(subkey, path)) return false;
    }
    if (key.marking == KeyMarking::kNone && !registry.HasSubkeys(root, path)) {
      return Check(registry.DeleteKey(root, path), "delete", path);
    }
    for (const auto& [name, value] : key.values) {
      const long status = registry.DeleteValue(root, path, name);
      if (status != kErrorFileNotFound && !Check(status, "delete value " + name + " of", path)) return false;
    }
    return true;
  }

  ScriptResult result;

 private:
  static std::string Join(const std::string& parent, const std::string& name) {
    return parent.empty() ? name : parent + "\\" + name;
  }

  bool Check(long status, const std::string& what, const std::string& path) {
    if (status == 0) return true;
    result.kind = ScriptResult::Kind::kRegistryError;
    result.error = status;
    result.message = "cannot " + what + " " + path + " (error " + std::to_string(status) + ")";
    return false;
  }

  RegistryEditor& registry;
  RegistryRoot root;
};

}  // namespace

ParsedScript ParseRegistrationScript(const std::string& script, const ScriptReplacements& replacements) {
  return Parser(script, replacements).Parse();
}

ScriptResult ApplyRegistrationScript(const std::string& script, const ScriptReplacements& replacements,
                                     ScriptMode mode, RegistryEditor& registry) {
  ScriptResult result;
  const ParsedScript parsed = ParseRegistrationScript(script, replacements);
  if (!parsed.ok) {
    result.kind = ScriptResult::Kind::kSyntaxError;
    result.message = parsed.error;
    return result;
  }
  for (const ScriptRoot& root : parsed.roots) {
    Applier applier(registry, root.root);
    for (const ScriptKey& key : root.keys) {
      const bool ok = mode == ScriptMode::kRegister ? applier.Register(key, "") : applier.Remove(key, "");
      if (!ok) return applier.result;
    }
  }
  return result;
}

}  // namespace varnolt::menu
