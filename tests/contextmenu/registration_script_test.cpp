// The registration script interpreter against the in-memory registry, with the DLL's own script.
#include "contextmenu/RegistrationScript.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "memory_registry.h"
#include "registration_script_text.h"

namespace varnolt::menu {
namespace {

using testing::MemoryRegistry;

constexpr char kClsid[] = "{6D1B2E94-7C3A-4F58-9E21-B04C7A5D3F16}";
constexpr char kModule[] = "C:\\Program Files\\Varnolt\\varnoltmenu.dll";

const std::string& Script() {
  static const std::string script = kRegistrationScriptText;
  return script;
}

ScriptResult Apply(MemoryRegistry& registry, ScriptMode mode, const std::string& module = kModule) {
  return ApplyRegistrationScript(Script(), {{"MODULE", module}}, mode, registry);
}

std::string Clsid(const std::string& below = "") {
  return std::string("HKCR\\CLSID\\") + kClsid + (below.empty() ? "" : "\\" + below);
}

// The keys that removal must leave, even empty.
const std::vector<std::string> kKeptKeys = {
    "HKCR\\CLSID",
    "HKCR\\*", "HKCR\\*\\ShellEx", "HKCR\\*\\ShellEx\\ContextMenuHandlers",
    "HKCR\\Directory", "HKCR\\Directory\\ShellEx", "HKCR\\Directory\\ShellEx\\ContextMenuHandlers",
    "HKCR\\Drive", "HKCR\\Drive\\ShellEx", "HKCR\\Drive\\ShellEx\\ContextMenuHandlers"};

TEST(RegistrationScript, RegistersEveryKeyAndValue) {
  MemoryRegistry registry;
  ASSERT_TRUE(Apply(registry, ScriptMode::kRegister).ok());

  const std::string description = "FileShredderShlExt Class";
  EXPECT_EQ(registry.Value("HKCR\\Varnoltmenu.FileShredderShlExt.1", ""), description);
  EXPECT_EQ(registry.Value("HKCR\\Varnoltmenu.FileShredderShlExt.1\\CLSID", ""), kClsid);
  EXPECT_EQ(registry.Value("HKCR\\Varnoltmenu.FileShredderShlExt", ""), description);
  EXPECT_EQ(registry.Value("HKCR\\Varnoltmenu.FileShredderShlExt\\CLSID", ""), kClsid);
  EXPECT_EQ(registry.Value("HKCR\\Varnoltmenu.FileShredderShlExt\\CurVer", ""), "Varnoltmenu.FileShredderShlExt.1");
  EXPECT_EQ(registry.Value(Clsid(), ""), description);
  EXPECT_EQ(registry.Value(Clsid("ProgID"), ""), "Varnoltmenu.FileShredderShlExt.1");
  EXPECT_EQ(registry.Value(Clsid("VersionIndependentProgID"), ""), "Varnoltmenu.FileShredderShlExt");
  EXPECT_TRUE(registry.Has(Clsid("Programmable")));
  EXPECT_TRUE(registry.keys().at("hkcr\\clsid\\{6d1b2e94-7c3a-4f58-9e21-b04c7a5d3f16}\\programmable").empty());
  EXPECT_EQ(registry.Value(Clsid("InprocServer32"), ""), kModule);
  EXPECT_EQ(registry.Value(Clsid("InprocServer32"), "ThreadingModel"), "Apartment");
  EXPECT_EQ(registry.Value(Clsid("TypeLib"), ""), "{A3C58F02-1E6B-4D97-8B34-5F20C9E7D1A8}");
  for (const char* type : {"*", "Directory", "Drive"}) {
    EXPECT_EQ(registry.Value(std::string("HKCR\\") + type + "\\ShellEx\\ContextMenuHandlers\\FileShredderShlExt", ""),
              kClsid)
        << type;
  }
  // Nothing but the table: 14 keys of ours and the 10 pass-through keys.
  EXPECT_EQ(registry.keys().size(), 24u);
}

TEST(RegistrationScript, RegisteringTwiceLeavesTheSameKeys) {
  MemoryRegistry registry;
  ASSERT_TRUE(Apply(registry, ScriptMode::kRegister).ok());
  const MemoryRegistry::Keys once = registry.keys();
  ASSERT_TRUE(Apply(registry, ScriptMode::kRegister).ok());
  EXPECT_EQ(registry.keys(), once);
}

TEST(RegistrationScript, ReplacedWholeKeysLoseStraySubkeysAndValues) {
  MemoryRegistry registry;
  registry.Add(Clsid("Stray\\Deeper"), {{"", "old"}});
  registry.Add(Clsid("InprocServer32"), {{"", "C:\\old\\path.dll"}, {"Leftover", "x"}});
  registry.Add(Clsid("Programmable\\Sub"));
  registry.Add("HKCR\\*\\ShellEx\\ContextMenuHandlers\\FileShredderShlExt\\Stray");
  registry.Add("HKCR\\Drive\\ShellEx\\ContextMenuHandlers\\FileShredderShlExt", {{"Extra", "y"}});
  // Unmarked and pass-through keys keep what is not theirs.
  registry.Add("HKCR\\Varnoltmenu.FileShredderShlExt\\Foreign");
  registry.Add("HKCR\\*\\ShellEx\\ContextMenuHandlers\\OtherHandler", {{"", "{other}"}});

  ASSERT_TRUE(Apply(registry, ScriptMode::kRegister).ok());
  EXPECT_FALSE(registry.Has(Clsid("Stray")));
  EXPECT_FALSE(registry.Has(Clsid("Programmable\\Sub")));
  EXPECT_EQ(registry.Value(Clsid("InprocServer32"), ""), kModule);
  EXPECT_EQ(registry.Value(Clsid("InprocServer32"), "Leftover"), "<no value>");
  EXPECT_FALSE(registry.Has("HKCR\\*\\ShellEx\\ContextMenuHandlers\\FileShredderShlExt\\Stray"));
  EXPECT_EQ(registry.Value("HKCR\\Drive\\ShellEx\\ContextMenuHandlers\\FileShredderShlExt", "Extra"), "<no value>");
  EXPECT_TRUE(registry.Has("HKCR\\Varnoltmenu.FileShredderShlExt\\Foreign"));
  EXPECT_EQ(registry.Value("HKCR\\*\\ShellEx\\ContextMenuHandlers\\OtherHandler", ""), "{other}");
}

TEST(RegistrationScript, RemovalLeavesOnlyThePassThroughKeys) {
  MemoryRegistry registry;
  ASSERT_TRUE(Apply(registry, ScriptMode::kRegister).ok());
  ASSERT_TRUE(Apply(registry, ScriptMode::kRemove).ok());
  std::vector<std::string> left;
  for (const auto& [name, values] : registry.keys()) left.push_back(name);
  std::vector<std::string> expected;
  for (const std::string& name : kKeptKeys) {
    std::string lower;
    for (char c : name) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    expected.push_back(lower);
  }
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(left, expected);
}

TEST(RegistrationScript, RemovalSparesWhatIsNotOurs) {
  MemoryRegistry registry;
  registry.Add("HKCR\\CLSID\\{00000000-0000-0000-0000-000000000001}\\InprocServer32", {{"", "other.dll"}});
  registry.Add("HKCR\\Directory\\ShellEx\\ContextMenuHandlers\\OtherHandler", {{"", "{other}"}});
  ASSERT_TRUE(Apply(registry, ScriptMode::kRegister).ok());
  // Someone else's subkey under an unmarked key keeps that key (and only it) in place.
  registry.Add("HKCR\\Varnoltmenu.FileShredderShlExt\\Foreign");
  // Anything under a replaced-whole key goes with it.
  registry.Add(Clsid("InprocServer32\\Added"));

  ASSERT_TRUE(Apply(registry, ScriptMode::kRemove).ok());
  EXPECT_TRUE(registry.Has("HKCR\\Varnoltmenu.FileShredderShlExt\\Foreign"));
  EXPECT_FALSE(registry.Has("HKCR\\Varnoltmenu.FileShredderShlExt\\CLSID"));
  EXPECT_FALSE(registry.Has("HKCR\\Varnoltmenu.FileShredderShlExt\\CurVer"));
  EXPECT_FALSE(registry.Has("HKCR\\Varnoltmenu.FileShredderShlExt.1"));
  EXPECT_FALSE(registry.Has(Clsid()));
  EXPECT_EQ(registry.Value("HKCR\\CLSID\\{00000000-0000-0000-0000-000000000001}\\InprocServer32", ""), "other.dll");
  EXPECT_EQ(registry.Value("HKCR\\Directory\\ShellEx\\ContextMenuHandlers\\OtherHandler", ""), "{other}");
  for (const char* type : {"*", "Directory", "Drive"}) {
    EXPECT_FALSE(registry.Has(std::string("HKCR\\") + type + "\\ShellEx\\ContextMenuHandlers\\FileShredderShlExt"));
  }
}

TEST(RegistrationScript, RemovalOfNothingRegisteredCreatesNothing) {
  MemoryRegistry registry;
  ASSERT_TRUE(Apply(registry, ScriptMode::kRemove).ok());
  EXPECT_TRUE(registry.keys().empty());
}

TEST(RegistrationScript, ModulePathIsWrittenVerbatim) {
  MemoryRegistry registry;
  const std::string path = "C:\\Users\\O'Brien\\100% {x} = s 'y'\\varnoltmenu.dll";
  ASSERT_TRUE(Apply(registry, ScriptMode::kRegister, path).ok());
  EXPECT_EQ(registry.Value(Clsid("InprocServer32"), ""), path);
  EXPECT_EQ(registry.Value(Clsid("InprocServer32"), "ThreadingModel"), "Apartment");
}

TEST(RegistrationScript, AFailingCallStopsAndKeepsWhatWasDone) {
  MemoryRegistry counting;
  ASSERT_TRUE(Apply(counting, ScriptMode::kRegister).ok());
  const int total = counting.calls;
  ASSERT_GT(total, 20);

  for (int failing : {1, 7, total}) {
    MemoryRegistry registry;
    registry.failCall = failing;
    const ScriptResult result = Apply(registry, ScriptMode::kRegister);
    EXPECT_EQ(result.kind, ScriptResult::Kind::kRegistryError) << failing;
    EXPECT_EQ(result.error, 5) << failing;
    EXPECT_FALSE(result.message.empty());
    EXPECT_EQ(registry.calls, failing) << "nothing is tried after the failure";
  }
  MemoryRegistry partial;
  partial.failCall = 7;
  Apply(partial, ScriptMode::kRegister);
  EXPECT_EQ(partial.Value("HKCR\\Varnoltmenu.FileShredderShlExt.1", ""), "FileShredderShlExt Class");

  MemoryRegistry removing;
  ASSERT_TRUE(Apply(removing, ScriptMode::kRegister).ok());
  removing.calls = 0;
  removing.failCall = 3;
  EXPECT_EQ(Apply(removing, ScriptMode::kRemove).kind, ScriptResult::Kind::kRegistryError);
}

TEST(RegistrationScript, SyntaxErrorsWriteNothing) {
  struct Case {
    const char* script;
    const char* message;
  };
  const Case cases[] = {
      {"HKCR\n{\n  A = s 'x'\n", "missing '}'"},
      {"HKXX\n{\n}\n", "line 1: unknown root key"},
      {"HKCR\n{\n  A = s 'x'\n  B = q 'y'\n}\n", "line 4: unknown value type"},
      {"HKCR\n{\n  A = s '%NOPE%'\n}\n", "line 3: unknown replacement %NOPE%"},
      {"HKCR\n{\n  A = s 'x\n}\n", "line 3: unterminated quoted text"},
      {"HKCR\n{\n  A\n  {\n    val = s 'x'\n  }\n}\n", "line 5: expected a name"},
      {"HKCR\n{\n  A = d 'twelve'\n}\n", "line 3: bad number"},
      {"HKCR\n{\n  A = s\n}\n", "line 4: expected a value"},
      {"HKCR\n  A = s 'x'\n", "line 2: expected '{'"},
  };
  for (const Case& c : cases) {
    MemoryRegistry registry;
    const ScriptResult result = ApplyRegistrationScript(c.script, {{"MODULE", "m"}}, ScriptMode::kRegister, registry);
    EXPECT_EQ(result.kind, ScriptResult::Kind::kSyntaxError) << c.script;
    EXPECT_NE(result.message.find(c.message), std::string::npos) << result.message;
    EXPECT_EQ(registry.calls, 0) << c.script;
  }
}

TEST(RegistrationScript, ScriptForms) {
  const std::string script =
      "HKLM\n"
      "{\n"
      "  NoRemove 'Software\\Some Vendor'\n"
      "  {\n"
      "    'Key With Spaces' = s 'it''s %MODULE%, 100%%'\n"
      "    {\n"
      "      val Count = d '0x10'\n"
      "      val 'Named Value' = s ''\n"
      "    }\n"
      "  }\n"
      "}\n"
      "HKCU { noremove Kept { val Setting = d '7' } }\n";
  MemoryRegistry registry;
  ASSERT_TRUE(ApplyRegistrationScript(script, {{"MODULE", "m.dll"}}, ScriptMode::kRegister, registry).ok());
  const std::string key = "HKLM\\Software\\Some Vendor\\Key With Spaces";
  EXPECT_EQ(registry.Value(key, ""), "it's m.dll, 100%");
  EXPECT_EQ(registry.Value(key, "Count"), "dword:16");
  EXPECT_EQ(registry.Value(key, "Named Value"), "");
  EXPECT_EQ(registry.Value("HKCU\\Kept", "Setting"), "dword:7");

  registry.Add("HKCU\\Kept", {{"Other", "z"}});
  ASSERT_TRUE(ApplyRegistrationScript(script, {{"MODULE", "m.dll"}}, ScriptMode::kRemove, registry).ok());
  EXPECT_FALSE(registry.Has(key));
  EXPECT_TRUE(registry.Has("HKLM\\Software\\Some Vendor"));
  // A kept key loses the values the script gave it, and only those.
  EXPECT_EQ(registry.Value("HKCU\\Kept", "Setting"), "<no value>");
  EXPECT_EQ(registry.Value("HKCU\\Kept", "Other"), "z");
}

}  // namespace
}  // namespace varnolt::menu
