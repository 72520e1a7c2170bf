// Varnolt.exe driven as a user drives it: real process, real files under C: of the test
// prefix, message boxes found and answered from here, the real pipe between two processes.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/Texts.h"
#include "common/ItemStream.h"
#include "tests/wine_support/wine_support.h"

namespace varnolt {
namespace {

using wine_testing::AnswerMessageBox;
using wine_testing::FromBuildTree;
using wine_testing::MakeScratchFolder;
using wine_testing::ReadTextFile;
using wine_testing::RemoveTree;
using wine_testing::WriteTextFile;

constexpr DWORD kExitFailure = 0xFFFFFFFFu;  // -1
constexpr DWORD kExitItemsLeft = 1;
const std::string kItemsLeft = "Certains \xE9l\xE9ments n'ont pas \xE9t\xE9 broy\xE9s :";
// The superuser's "the superuser's\n" at the fill file's name of a test drive, as the end names it.
const std::string kNotOursLine =
    ":\\VARNOLT.TMP : porte un nom de Varnolt, laiss\xE9 en place : rien ne prouve qu'il en vienne (16 octets)";
constexpr DWORD kTimeout = 60000;

using wine_testing::Exists;
using wine_testing::ListFolder;
using wine_testing::MakeFolder;

// A UTF-8 text as the wide command line carries it.
std::wstring W(const std::string& utf8) { return wine_testing::SystemPathW(utf8); }

bool MakeSparseFile(const std::string& path, LONGLONG size) {
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER end;
  end.QuadPart = size;
  const bool ok = SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
  CloseHandle(file);
  return ok;
}

class Program {
 public:
  // `arguments` is the text after the program's name, as a shell would pass it.
  explicit Program(const std::string& arguments) {
    std::string commandLine = "\"" + FromBuildTree(VARNOLT_EXE) + "\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    started = CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             "C:\\", &startup, &process) != FALSE;
  }
  // The same with a wide command line, as Explorer starts a program a file is dropped on.
  explicit Program(const std::wstring& arguments) {
    const std::string program = FromBuildTree(VARNOLT_EXE);
    std::wstring commandLine = L"\"" + std::wstring(program.begin(), program.end()) + L"\" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             L"C:\\", &startup, &process) != FALSE;
  }
  ~Program() {
    if (!started) return;
    if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process.hProcess, 99);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  bool Started() const { return started; }
  // The exit status, or 12345 when the program is still running after the time-out.
  DWORD Wait(DWORD timeoutMs = kTimeout) {
    if (WaitForSingleObject(process.hProcess, timeoutMs) != WAIT_OBJECT_0) return 12345;
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    return code;
  }
  bool Running() { return WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT; }
  DWORD Id() const { return process.dwProcessId; }

 private:
  PROCESS_INFORMATION process = {};
  bool started = false;
};

// The first top-level window of the class that appears while the program runs.
HWND WaitForWindow(const char* windowClass, Program& program) {
  for (DWORD waited = 0; waited < kTimeout && program.Running(); waited += 5) {
    if (const HWND window = FindWindowA(windowClass, nullptr)) return window;
    Sleep(5);
  }
  return nullptr;
}

// Whether a message box of the program's own is open.
bool HasMessageBox(Program& program) {
  for (HWND box = FindWindowExA(nullptr, nullptr, "#32770", nullptr); box;
       box = FindWindowExA(nullptr, box, "#32770", nullptr)) {
    DWORD owner = 0;
    GetWindowThreadProcessId(box, &owner);
    if (owner == program.Id()) return true;
  }
  return false;
}

struct ButtonSearch {
  const char* caption;
  HWND found;
};

BOOL CALLBACK MatchButton(HWND child, LPARAM data) {
  auto* search = reinterpret_cast<ButtonSearch*>(data);
  char className[32] = {}, text[64] = {};
  GetClassNameA(child, className, sizeof className);
  GetWindowTextA(child, text, sizeof text);
  if (lstrcmpiA(className, "Button") == 0 && lstrcmpA(text, search->caption) == 0) {
    search->found = child;
    return FALSE;
  }
  return TRUE;
}

HWND FindButton(HWND parent, const char* caption) {
  ButtonSearch search = {caption, nullptr};
  EnumChildWindows(parent, MatchButton, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

class ProgramEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = MakeScratchFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
    ASSERT_FALSE(folder.empty());
  }
  void TearDown() override { RemoveTree(folder); }
  std::string In(const std::string& name) const { return folder + "\\" + name; }
  std::string folder;
};

TEST_F(ProgramEndToEnd, NoArgumentsEndsAtOnceWithoutAnyBox) {
  Program program("");
  ASSERT_TRUE(program.Started());
  EXPECT_EQ(program.Wait(), 0u);  // a box would block it: the null driver keeps it open
}

TEST_F(ProgramEndToEnd, InformationShowsItsExactText) {
  Program program("-i C:\\whatever");
  const auto text = AnswerMessageBox("Information", IDOK, kTimeout);
  ASSERT_TRUE(text.has_value());
  EXPECT_EQ(*text, texts::kInformation);
  EXPECT_EQ(program.Wait(), 0u);
}

TEST_F(ProgramEndToEnd, BadItemsAreRefusedBeforeAnythingIsErased) {
  ASSERT_TRUE(WriteTextFile(In("keep.txt"), "precious"));
  const std::string keep = In("keep.txt");
  struct Case {
    std::string arguments;
    std::string message;
  };
  // C: is this machine's own disk, which the test prefix declares a network drive: refused.
  const std::vector<Case> cases = {
      {"Q", "L'argument n\xB0" "1 n'est pas un lecteur valide."},
      {".", "L'argument n\xB0" "1 n'est pas un lecteur valide."},
      {"-a \"" + keep + "\" C", "L'argument n\xB0" "2 n'est pas un lecteur valide."},
      {"\"" + keep + "\" \"" + In("missing") + "\"", "L'argument n\xB0" "2 n'est pas un chemin valide."},
      {"\"" + keep + "\" -a", "L'argument n\xB0" "2 n'est pas un chemin valide."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments);
    Program program(c.arguments);
    const auto text = AnswerMessageBox("Erreur", IDOK, kTimeout);
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(*text, c.message);
    EXPECT_EQ(program.Wait(), kExitFailure);
    EXPECT_EQ(ReadTextFile(keep), "precious");
  }
}

// A file dropped on the program and named "．．＼victim" (fullwidth dots and backslash) reached
// main() as "..\victim", the file beside its folder. Read as UTF-16 it is itself: it is
// erased, under its own name, and the victim stays.
TEST_F(ProgramEndToEnd, AnArgumentOutsideTheCodePageIsErasedByItsOwnName) {
  ASSERT_TRUE(WriteTextFile(In("victim"), "precious"));
  ASSERT_TRUE(WriteTextFile(In("keep.txt"), "kept"));
  ASSERT_TRUE(MakeFolder(In("sub")));
  const std::string odd = In("sub\\\xEF\xBC\x8E\xEF\xBC\x8E\xEF\xBC\xBCvictim");  // ．．＼victim
  ASSERT_TRUE(WriteTextFile(odd, "odd"));

  Program program(L"\"" + W(odd) + L"\"");
  EXPECT_EQ(program.Wait(), 0u);
  EXPECT_FALSE(Exists(odd));
  EXPECT_EQ(ListFolder(In("sub")), std::vector<std::string>{});
  EXPECT_EQ(ReadTextFile(In("victim")), "precious");
  EXPECT_EQ(ReadTextFile(In("keep.txt")), "kept");
}

// The folder of the issue: names of several scripts and outside every code page; "Varnolt
// dossier" left all but the Windows-1252 ones, the folder renamed to digits, status 0.
TEST_F(ProgramEndToEnd, AFolderOfNamesInAnyScriptIsErasedWhole) {
  const std::string dossier = In("dossier");
  ASSERT_TRUE(MakeFolder(dossier));
  const std::vector<std::string> names = {"\xC5\x81\xC3\xB3" "d\xC5\xBA.txt",                                  // Łódź.txt
                                          "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE\xE3\x83\xA1\xE3\x83\xA2.txt",  // 日本語のメモ.txt
                                          "vacances \xF0\x9F\x98\x80.jpg", "caf\xC3\xA9.txt"};
  for (const std::string& name : names) ASSERT_TRUE(WriteTextFile(dossier + "\\" + name, "secret " + name)) << name;
  ASSERT_TRUE(MakeFolder(dossier + "\\\xCE\xA9mega"));  // Ωmega
  ASSERT_TRUE(WriteTextFile(dossier + "\\\xCE\xA9mega\\inner.txt", "inner"));
  ASSERT_TRUE(WriteTextFile(In("voisin.txt"), "neighbour"));
  ASSERT_TRUE(MakeFolder(In("dossier-voisin")));
  ASSERT_TRUE(WriteTextFile(In("dossier-voisin\\\xC5\x81\xC3\xB3" "d\xC5\xBA.txt"), "neighbour too"));

  Program program(L"\"" + W(dossier) + L"\"");
  EXPECT_EQ(program.Wait(), 0u);
  EXPECT_FALSE(Exists(dossier));
  EXPECT_EQ(ListFolder(folder), (std::vector<std::string>{"dossier-voisin", "voisin.txt"}));
  EXPECT_EQ(ReadTextFile(In("voisin.txt")), "neighbour");
  EXPECT_EQ(ReadTextFile(In("dossier-voisin\\\xC5\x81\xC3\xB3" "d\xC5\xBA.txt")), "neighbour too");
}

// Refused before as "L'argument n°1 n'est pas un chemin valide.".
TEST_F(ProgramEndToEnd, AFileNamedOutsideTheCodePageIsErased) {
  const std::string alone = In("\xC5\x81\xC3\xB3" "d\xC5\xBA-seul.txt");
  ASSERT_TRUE(WriteTextFile(alone, "seul"));
  ASSERT_TRUE(WriteTextFile(In("Lodz-seul.txt"), "look-alike"));
  Program program(L"\"" + W(alone) + L"\"");
  EXPECT_EQ(program.Wait(), 0u);
  EXPECT_FALSE(Exists(alone));
  EXPECT_EQ(ReadTextFile(In("Lodz-seul.txt")), "look-alike");
}

// A tree whose deepest file's path has 332 characters: the deep file stayed, its folders
// renamed to digits.
TEST_F(ProgramEndToEnd, ATreeDeeperThan260CharactersIsErasedWhole) {
  const std::string top = In("profond");
  std::string deep = top;
  ASSERT_TRUE(MakeFolder(deep));
  ASSERT_TRUE(WriteTextFile(deep + "\\shallow.txt", "shallow"));
  while (deep.size() < 332 - 10) {
    deep += "\\" + std::string(std::min<std::size_t>(30, 332 - 11 - deep.size()), 'p');
    ASSERT_TRUE(MakeFolder(deep)) << deep.size();
  }
  const std::string deepest = deep + "\\" + std::string(332 - deep.size() - 5, 'f') + ".txt";
  ASSERT_EQ(deepest.size(), 332u);
  ASSERT_TRUE(WriteTextFile(deepest, "deep secret"));
  ASSERT_TRUE(Exists(deepest));
  ASSERT_TRUE(WriteTextFile(In("voisin.txt"), "neighbour"));

  Program program(L"\"" + W(top) + L"\"");
  EXPECT_EQ(program.Wait(), 0u);
  EXPECT_FALSE(Exists(deepest));
  EXPECT_FALSE(Exists(top));
  EXPECT_EQ(ListFolder(folder), std::vector<std::string>{"voisin.txt"});
  EXPECT_EQ(ReadTextFile(In("voisin.txt")), "neighbour");
}

TEST_F(ProgramEndToEnd, PipeOptionWithoutANameFailsSilently) {
  Program program("-a -p");
  EXPECT_EQ(program.Wait(), kExitFailure);
}

TEST_F(ProgramEndToEnd, ConfirmationNoKeepsYesErases) {
  ASSERT_TRUE(WriteTextFile(In("doc.txt"), "12345"));
  {
    Program program("-a \"" + In("doc.txt") + "\"");
    const auto text = AnswerMessageBox("Confirmation", IDNO, kTimeout);
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(*text, "Vous \xEAtes sur le point de supprimer 1 fichier(s), soit 5 octets d'informations.\n\n"
                     "Voulez-vous continuer?");
    EXPECT_EQ(program.Wait(), 0u);
    EXPECT_EQ(ReadTextFile(In("doc.txt")), "12345");
  }
  Program program("-a \"" + In("doc.txt") + "\"");
  ASSERT_TRUE(AnswerMessageBox("Confirmation", IDYES, kTimeout).has_value());
  EXPECT_EQ(program.Wait(), 0u);
  EXPECT_FALSE(Exists(In("doc.txt")));
}

TEST_F(ProgramEndToEnd, WindowFitsTheJob) {
  ASSERT_TRUE(MakeSparseFile(In("one.bin"), 96 << 20));
  {
    Program program("\"" + In("one.bin") + "\"");
    EXPECT_NE(WaitForWindow("TfrmOneFileShredder", program), nullptr);
    EXPECT_EQ(program.Wait(), 0u);
    EXPECT_FALSE(Exists(In("one.bin")));
  }
  CreateDirectoryA(In("several").c_str(), nullptr);
  for (const char* name : {"a.bin", "b.bin", "c.bin"}) {
    ASSERT_TRUE(MakeSparseFile(In("several\\") + name, 32 << 20));
  }
  Program program("\"" + In("several") + "\"");
  EXPECT_NE(WaitForWindow("TfrmMultiFileShredder", program), nullptr);
  EXPECT_EQ(program.Wait(), 0u);
  EXPECT_FALSE(Exists(In("several")));
}

TEST_F(ProgramEndToEnd, AnnulerDuringALargeFileLeavesItUnderItsName) {
  const LONGLONG size = 512ll << 20;
  ASSERT_TRUE(MakeSparseFile(In("large.bin"), size));
  Program program("\"" + In("large.bin") + "\"");
  const HWND window = WaitForWindow("TfrmOneFileShredder", program);
  ASSERT_NE(window, nullptr);
  HWND button = nullptr;  // the window's children come just after the window itself
  for (int tries = 0; tries < 2000 && !button && program.Running(); ++tries, Sleep(5)) {
    button = FindButton(window, "Annuler");
  }
  ASSERT_NE(button, nullptr);
  PostMessageA(button, BM_CLICK, 0, 0);  // through the queue, handled inside a progress callback
  // The end of the run says it was stopped, and that the file stays partly overwritten.
  const auto text = AnswerMessageBox("Erreur", IDOK, kTimeout);
  ASSERT_TRUE(text.has_value());
  EXPECT_EQ(*text, "Le broyage a \xE9t\xE9 interrompu.\n" + In("large.bin") +
                       " : arr\xEAt\xE9 par l'utilisateur, \xE9" "cras\xE9 en partie");
  EXPECT_EQ(program.Wait(), kExitItemsLeft);
  WIN32_FILE_ATTRIBUTE_DATA data;
  ASSERT_TRUE(GetFileAttributesExA(In("large.bin").c_str(), GetFileExInfoStandard, &data));
  EXPECT_EQ((static_cast<LONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow, size);
}

// Beside "Rapport" stands "Rapport " (WSL, archives and network shares make such names), beside
// "notes" stands "notes.". The path functions would read the second as the first: naming the
// second erases nothing, and both stay as they were.
TEST_F(ProgramEndToEnd, ANameThatResolvingChangesIsRefusedAndItsSiblingStays) {
  CreateDirectoryA(In("Rapport").c_str(), nullptr);
  ASSERT_TRUE(WriteTextFile(In("Rapport\\r.doc"), "rapport"));
  ASSERT_TRUE(WriteTextFile(In("notes"), "notes"));
  // Made through the form of path that no rule rewrites.
  const std::string spaced = "\\\\?\\" + In("Rapport ");
  const std::string dotted = "\\\\?\\" + In("notes.");
  ASSERT_TRUE(CreateDirectoryA(spaced.c_str(), nullptr)) << GetLastError();
  ASSERT_TRUE(WriteTextFile(spaced + "\\s.doc", "spaced"));
  const HANDLE file = CreateFileA(dotted.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();
  CloseHandle(file);

  for (const std::string& name : {In("Rapport "), In("notes."), In("Rapport.\\r.doc")}) {
    SCOPED_TRACE(name);
    Program program("\"" + In("notes") + "\" \"" + name + "\"");
    const auto text = AnswerMessageBox("Erreur", IDOK, kTimeout);
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(*text, "L'argument n\xB0" "2 n'est pas un chemin valide.");
    EXPECT_EQ(program.Wait(), kExitFailure);
    EXPECT_EQ(ReadTextFile(In("Rapport\\r.doc")), "rapport");
    EXPECT_EQ(ReadTextFile(In("notes")), "notes");
    EXPECT_EQ(ReadTextFile(spaced + "\\s.doc"), "spaced");
    EXPECT_TRUE(Exists(dotted));
  }
  // The helpers' removal goes by ordinary names, which cannot reach these two.
  EXPECT_TRUE(DeleteFileA((spaced + "\\s.doc").c_str()));
  EXPECT_TRUE(RemoveDirectoryA(spaced.c_str()));
  EXPECT_TRUE(DeleteFileA(dotted.c_str()));
}

// A drive root of no drive is refused as a drive, never looked up as a directory (the test
// prefix maps no Q:). C: is never named here: it is this machine's own disk.
TEST_F(ProgramEndToEnd, ARootOfADriveWeDoNotCleanGetsTheDriveMessage) {
  for (const char* root : {"Q:", "Q:\\", "q:/", "\\\\?\\Q:\\", "\\\\.\\q:"}) {
    SCOPED_TRACE(root);
    Program program(std::string("-a ") + root);
    const auto text = AnswerMessageBox("Erreur", IDOK, kTimeout);
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(*text, "L'argument n\xB0" "1 n'est pas un lecteur valide.");
    EXPECT_EQ(program.Wait(), kExitFailure);
  }
}

// A file in the chosen folder with a second name outside it (a hard link): its data belongs to
// that other name too. Nothing of it changes; the folder, not empty then, keeps its name.
TEST_F(ProgramEndToEnd, AFileWithAnotherNameKeepsItsContent) {
  CreateDirectoryA(In("chosen").c_str(), nullptr);
  ASSERT_TRUE(WriteTextFile(In("chosen\\own.txt"), "erased"));
  ASSERT_TRUE(WriteTextFile(In("store.bin"), "not selected"));
  ASSERT_TRUE(CreateHardLinkA(In("chosen\\linked.bin").c_str(), In("store.bin").c_str(), nullptr)) << GetLastError();

  Program program("\"" + In("chosen") + "\"");
  const auto text = AnswerMessageBox("Erreur", IDOK, kTimeout);
  ASSERT_TRUE(text.has_value());
  EXPECT_EQ(*text, kItemsLeft + "\n" + In("chosen\\linked.bin") + " : d'autres noms partagent ses donn\xE9" "es\n" +
                       In("chosen") + " : r\xE9pertoire non vide");
  EXPECT_EQ(program.Wait(), kExitItemsLeft);
  EXPECT_EQ(ReadTextFile(In("store.bin")), "not selected");
  EXPECT_EQ(ReadTextFile(In("chosen\\linked.bin")), "not selected");
  EXPECT_FALSE(Exists(In("chosen\\own.txt")));
  EXPECT_EQ(wine_testing::ListFolder(folder), (std::vector<std::string>{"chosen", "store.bin"}));
}

// A file that cannot be erased (another program holds it open without sharing) stays, and so
// does its folder, under its own name: what is left is found where it was.
TEST_F(ProgramEndToEnd, AFolderWithAFileThatCouldNotBeErasedKeepsItsName) {
  CreateDirectoryA(In("Photos").c_str(), nullptr);
  CreateDirectoryA(In("Photos\\2024").c_str(), nullptr);
  ASSERT_TRUE(WriteTextFile(In("Photos\\2024\\held.jpg"), "held"));
  ASSERT_TRUE(WriteTextFile(In("Photos\\2024\\free.jpg"), "free"));
  CreateDirectoryA(In("Photos\\empty").c_str(), nullptr);
  ASSERT_TRUE(SetFileAttributesA(In("Photos").c_str(), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN));
  const HANDLE held = CreateFileA(In("Photos\\2024\\held.jpg").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);

  Program program("\"" + In("Photos") + "\"");
  const auto text = AnswerMessageBox("Erreur", IDOK, kTimeout);
  ASSERT_TRUE(text.has_value());
  EXPECT_EQ(*text, kItemsLeft + "\n" + In("Photos\\2024\\held.jpg") + " : utilis\xE9 par un autre programme\n" +
                       In("Photos\\2024") + " : r\xE9pertoire non vide\n" + In("Photos") + " : r\xE9pertoire non vide");
  EXPECT_EQ(program.Wait(), kExitItemsLeft);
  CloseHandle(held);
  EXPECT_EQ(wine_testing::ListFolder(folder), std::vector<std::string>{"Photos"});
  EXPECT_EQ(wine_testing::ListFolder(In("Photos")), std::vector<std::string>{"2024"});
  EXPECT_EQ(wine_testing::ListFolder(In("Photos\\2024")), std::vector<std::string>{"held.jpg"});
  EXPECT_EQ(ReadTextFile(In("Photos\\2024\\held.jpg")), "held");
  EXPECT_NE(GetFileAttributesA(In("Photos").c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
}

// Another program holds one of two files open without sharing: the other is erased, the held
// one is named in the box with its reason, and the status says something was left.
TEST_F(ProgramEndToEnd, AHeldFileIsNamedWithItsReasonWhileTheOtherIsErased) {
  ASSERT_TRUE(WriteTextFile(In("held.doc"), "held"));
  ASSERT_TRUE(WriteTextFile(In("free.doc"), "free"));
  const HANDLE held = CreateFileA(In("held.doc").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  Program program("\"" + In("held.doc") + "\" \"" + In("free.doc") + "\"");
  const auto text = AnswerMessageBox("Erreur", IDOK, kTimeout);
  const DWORD status = program.Wait();
  CloseHandle(held);
  ASSERT_TRUE(text.has_value());
  EXPECT_EQ(*text, kItemsLeft + "\n" + In("held.doc") + " : utilis\xE9 par un autre programme");
  EXPECT_EQ(status, kExitItemsLeft);
  EXPECT_FALSE(Exists(In("free.doc")));
  EXPECT_EQ(ReadTextFile(In("held.doc")), "held");
}

// Everything erased: no box at all (the null driver would keep one open), status 0.
TEST_F(ProgramEndToEnd, ARunWithNothingLeftShowsNoBoxAndExitsZero) {
  CreateDirectoryA(In("tree").c_str(), nullptr);
  ASSERT_TRUE(WriteTextFile(In("tree\\a.txt"), "a"));
  ASSERT_TRUE(WriteTextFile(In("b.txt"), "b"));
  Program program("\"" + In("tree") + "\" \"" + In("b.txt") + "\"");
  bool boxSeen = false;
  while (program.Running() && !boxSeen) {
    boxSeen = HasMessageBox(program);
    Sleep(5);
  }
  EXPECT_FALSE(boxSeen);
  EXPECT_EQ(program.Wait(), 0u);
  EXPECT_FALSE(Exists(In("tree")));
  EXPECT_FALSE(Exists(In("b.txt")));
}

// Run by replaced_folder.sh, which made VARNOLT_TEST_SWAP_ROOT\choisi (a file in it and one in
// its folder sous) and \autre (a file named as sous's, and another); skipped otherwise. While
// the confirmation is open, the script replaces choisi\sous by a link to autre (as another
// program may: any account can on a folder made under C:\). After "Oui" the file sous held is
// not reached through the link: it is named as replaced, and autre is whole (the script checks).
TEST_F(ProgramEndToEnd, AFolderReplacedByALinkWhileAskedLeavesTheOtherFolderWhole) {
  const char* root = std::getenv("VARNOLT_TEST_SWAP_ROOT");
  if (root == nullptr) GTEST_SKIP() << "needs its tree and the swap (replaced_folder.sh)";
  const std::string base(root);
  Program program("-a " + base + "\\choisi");
  ASSERT_TRUE(wine_testing::WaitForMessageBox("Confirmation", kTimeout));
  ASSERT_TRUE(WriteTextFile(base + "\\asked", "asked"));
  ASSERT_TRUE(wine_testing::WaitForFile(base + "\\swapped", kTimeout)) << "the script did not swap the folder";
  const auto asked = AnswerMessageBox("Confirmation", IDYES, kTimeout);
  ASSERT_TRUE(asked.has_value());
  EXPECT_NE(asked->find("2 fichier(s)"), std::string::npos) << *asked;
  const auto text = AnswerMessageBox("Erreur", IDOK, kTimeout);
  ASSERT_TRUE(text.has_value());
  EXPECT_NE(text->find(base + "\\choisi\\sous\\x.txt : remplac\xE9 depuis le choix, laiss\xE9 tel quel"), std::string::npos)
      << *text;
  EXPECT_EQ(program.Wait(), kExitItemsLeft);
}

// Run by free_space_window.sh with VARNOLT_TEST_DRIVE naming a drive of a prefix clone mapped
// to a small tmpfs made for the test; skipped otherwise. "R:" and "R:\" are the drive R, as a
// root selected in Explorer, and so are its device paths: its free space is offered for
// cleaning, and no file of it goes.
TEST_F(ProgramEndToEnd, DriveRootsAreTheDriveNeverADirectory) {
  const char* drive = std::getenv("VARNOLT_TEST_DRIVE");
  if (drive == nullptr) GTEST_SKIP() << "needs a test drive (free_space_window.sh)";
  ASSERT_EQ(std::strlen(drive), 1u);
  ASSERT_EQ(std::strchr("CcZz", drive[0]), nullptr) << "never this machine's own disk";
  ASSERT_EQ(GetDriveTypeA((std::string(drive) + ":\\").c_str()), static_cast<UINT>(DRIVE_REMOVABLE));
  const std::string keep = std::string(drive) + ":\\keep.txt";
  ASSERT_EQ(ReadTextFile(keep), "stays\n");

  const std::string asked = "Vous \xEAtes sur le point de nettoyer l'espace libre de 1 disque(s), soit ";
  const std::string letter(drive);
  // Scripts and PowerShell name a volume by its device path: still the drive, never a folder.
  for (const std::string& root : {letter + ":", letter + ":\\", "\\\\?\\" + letter + ":\\", "\\\\.\\" + letter + ":\\",
                                  "//?/" + letter + ":/"}) {
    SCOPED_TRACE(root);
    Program program("-a " + root);
    const auto text = AnswerMessageBox("Confirmation", IDNO, kTimeout);
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(text->substr(0, asked.size()), asked) << *text;
    EXPECT_EQ(program.Wait(), 0u);
    EXPECT_EQ(ReadTextFile(keep), "stays\n");
  }
  // The system's own namespace opens the root on Windows and a folder "??" under Wine: refused.
  {
    Program refused("-a \\??\\" + letter + ":\\");
    const auto text = AnswerMessageBox("Erreur", IDOK, kTimeout);
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(*text, "L'argument n\xB0" "1 n'est pas un lecteur valide.");
    EXPECT_EQ(refused.Wait(), kExitFailure);
    EXPECT_EQ(ReadTextFile(keep), "stays\n");
  }
  // Answered Yes, the free space is cleaned and the files stay.
  Program program("-a " + std::string(drive) + ":/");
  ASSERT_TRUE(AnswerMessageBox("Confirmation", IDYES, kTimeout).has_value());
  EXPECT_EQ(program.Wait(), 0u);
  EXPECT_EQ(ReadTextFile(keep), "stays\n");
  EXPECT_FALSE(Exists(std::string(drive) + ":\\VARNOLT.TMP"));
}

// Run by free_space_window.sh with VARNOLT_TEST_DRIVE naming a drive of a prefix clone that is
// mapped to a small tmpfs made for the test; skipped otherwise.
TEST_F(ProgramEndToEnd, DriveOpensTheFreeSpaceWindow) {
  const char* drive = std::getenv("VARNOLT_TEST_DRIVE");
  if (drive == nullptr) GTEST_SKIP() << "needs a test drive (free_space_window.sh)";
  ASSERT_EQ(std::strlen(drive), 1u);
  ASSERT_EQ(std::strchr("CcZz", drive[0]), nullptr) << "never this machine's own disk";
  ASSERT_EQ(GetDriveTypeA((std::string(drive) + ":\\").c_str()), static_cast<UINT>(DRIVE_REMOVABLE));

  Program program(drive);
  EXPECT_NE(WaitForWindow("TfrmOneFreeSpaceShredder", program), nullptr);
  EXPECT_EQ(program.Wait(), 0u);
  EXPECT_FALSE(Exists(std::string(drive) + ":\\VARNOLT.TMP"));
}

// Run by root_refusing_files.sh as an ordinary user, with VARNOLT_TEST_DRIVE naming a drive of
// a prefix clone mapped to a small tmpfs made for the test, whose root holds the superuser's
// own file at the fill file's name; skipped otherwise. That file is never opened: the free
// space is cleaned beside it, and the end of the run names it, with its size.
TEST_F(ProgramEndToEnd, ADriveWhoseRootHoldsAFileOfOurNameIsCleanedBesideIt) {
  const char* drive = std::getenv("VARNOLT_TEST_DRIVE");
  if (drive == nullptr || std::getenv("VARNOLT_TEST_ROOT_HOLDS_OUR_NAME") == nullptr) {
    GTEST_SKIP() << "needs a drive whose root holds another's VARNOLT.TMP (root_refusing_files.sh)";
  }
  ASSERT_EQ(std::strlen(drive), 1u);
  ASSERT_EQ(std::strchr("CcZz", drive[0]), nullptr) << "never this machine's own disk";
  ASSERT_EQ(GetDriveTypeA((std::string(drive) + ":\\").c_str()), static_cast<UINT>(DRIVE_FIXED));
  const std::string besideIt = std::string(drive) + ":\\VARNOLT1.TMP";

  Program program(drive);
  bool fillSeen = false;
  std::optional<std::string> text;
  while (program.Running() && !text) {
    fillSeen = fillSeen || Exists(besideIt);
    if (HasMessageBox(program)) text = AnswerMessageBox("Erreur", IDOK, kTimeout);
    Sleep(1);
  }
  EXPECT_EQ(program.Wait(), kExitItemsLeft);
  EXPECT_TRUE(fillSeen) << "the fill file never stood beside the other's";
  ASSERT_TRUE(text.has_value());
  EXPECT_EQ(*text, kItemsLeft + "\n" + drive + kNotOursLine);
  EXPECT_FALSE(Exists(besideIt));
}

// The same drive once its root takes no file nor folder: the drive is named in the box too.
TEST_F(ProgramEndToEnd, ADriveWhereNeitherTheFillFileNorOurFolderCanBeMadeIsReported) {
  const char* drive = std::getenv("VARNOLT_TEST_DRIVE");
  if (drive == nullptr || std::getenv("VARNOLT_TEST_ROOT_REFUSES_FOLDERS") == nullptr) {
    GTEST_SKIP() << "needs a drive whose root refuses files and folders (root_refusing_files.sh)";
  }
  ASSERT_EQ(std::strlen(drive), 1u);
  ASSERT_EQ(std::strchr("CcZz", drive[0]), nullptr) << "never this machine's own disk";
  Program program(drive);
  const auto text = AnswerMessageBox("Erreur", IDOK, kTimeout);
  ASSERT_TRUE(text.has_value());
  EXPECT_EQ(*text, kItemsLeft + "\n" + drive + ":\\ : espace libre : le fichier de remplissage n'a pas pu \xEAtre cr\xE9\xE9\n" +
                       drive + kNotOursLine);
  EXPECT_EQ(program.Wait(), kExitItemsLeft);
}

// The server side of the hand-off, created as the extension creates it.
class PipeServer {
 public:
  PipeServer() {
    name = "\\\\.\\pipe\\varnolt-test-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount());
    pipe = CreateNamedPipeA(name.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT,
                            1, 512, 512, 0, nullptr);
  }
  ~PipeServer() { Close(); }
  bool Valid() const { return pipe != INVALID_HANDLE_VALUE; }
  void Connect() { ConnectNamedPipe(pipe, nullptr); }
  // Writes the bytes in pieces of `piece` bytes, pausing between them.
  void Write(const std::vector<std::uint8_t>& bytes, std::size_t piece = 0, DWORD pauseMs = 0) {
    if (piece == 0) piece = bytes.size();
    for (std::size_t at = 0; at < bytes.size(); at += piece) {
      DWORD written = 0;
      const DWORD count = static_cast<DWORD>(std::min(piece, bytes.size() - at));
      WriteFile(pipe, bytes.data() + at, count, &written, nullptr);
      if (pauseMs) Sleep(pauseMs);
    }
  }
  void Close() {
    if (pipe != INVALID_HANDLE_VALUE) CloseHandle(pipe);
    pipe = INVALID_HANDLE_VALUE;
  }
  std::string name;

 private:
  HANDLE pipe = INVALID_HANDLE_VALUE;
};

TEST_F(ProgramEndToEnd, PipeItemsInSmallPiecesAreErasedAndOnlyThey) {
  ASSERT_TRUE(WriteTextFile(In("first.txt"), "one"));
  CreateDirectoryA(In("dir").c_str(), nullptr);
  ASSERT_TRUE(WriteTextFile(In("dir\\inner.txt"), "two"));
  ASSERT_TRUE(WriteTextFile(In("other.txt"), "stays"));
  PipeServer server;
  ASSERT_TRUE(server.Valid());
  Program program(" -a -p " + server.name + " \"" + In("other.txt") + "\"");
  server.Connect();
  server.Write(EncodeItemStream({In("first.txt"), In("dir"), In("gone.txt")}), 3, 20);
  server.Close();
  const auto text = AnswerMessageBox("Confirmation", IDYES, kTimeout);
  ASSERT_TRUE(text.has_value());
  EXPECT_NE(text->find("supprimer 1 r\xE9pertoire(s) et 2 fichier(s)"), std::string::npos) << *text;
  // A name gone before it was sent is no silent loss: it is named at the end.
  const auto end = AnswerMessageBox("Erreur", IDOK, kTimeout);
  ASSERT_TRUE(end.has_value());
  EXPECT_EQ(*end, kItemsLeft + "\n" + In("gone.txt") + " : introuvable");
  EXPECT_EQ(program.Wait(), kExitItemsLeft);
  EXPECT_FALSE(Exists(In("first.txt")));
  EXPECT_FALSE(Exists(In("dir")));
  EXPECT_EQ(ReadTextFile(In("other.txt")), "stays");  // command-line items are ignored
}

TEST_F(ProgramEndToEnd, MalformedPipeStreamsNeverEraseAPathNotSentWhole) {
  ASSERT_TRUE(WriteTextFile(In("sent.txt"), "one"));
  CreateDirectoryA(In("dir").c_str(), nullptr);
  ASSERT_TRUE(WriteTextFile(In("dir\\keep.txt"), "two"));
  ASSERT_TRUE(WriteTextFile(In("after.txt"), "three"));

  // A record cut short: "<folder>\dir\keep.txt" stops after "<folder>\dir".
  std::vector<std::uint8_t> stream = EncodeItemStream({In("sent.txt"), In("dir\\keep.txt")});
  stream.resize(stream.size() - 2 - std::string("\\keep.txt").size() - 1);
  {
    PipeServer server;
    Program program("-a -p " + server.name);
    server.Connect();
    server.Write(stream, 5, 10);
    server.Close();
    ASSERT_TRUE(AnswerMessageBox("Confirmation", IDYES, kTimeout).has_value());
    EXPECT_EQ(program.Wait(), 0u);
  }
  EXPECT_FALSE(Exists(In("sent.txt")));
  EXPECT_EQ(ReadTextFile(In("dir\\keep.txt")), "two");

  // A record without its zero ends the list: the record after it is never read. A record with
  // a zero inside ("<folder>\dir", zero, "\keep.txt") is no path: neither is "<folder>\dir".
  std::vector<std::uint8_t> oversized = {0x01, 0x02};  // 513
  oversized.resize(2 + 513, 'x');
  AppendItemRecord(oversized, In("after.txt").c_str());
  AppendTerminator(oversized);
  const std::string inner = In("dir") + '\0' + "\\keep.txt";
  std::vector<std::uint8_t> innerZero(2 + inner.size() + 1, 0);
  innerZero[0] = static_cast<std::uint8_t>(inner.size() + 1);
  std::copy(inner.begin(), inner.end(), innerZero.begin() + 2);
  AppendItemRecord(innerZero, In("after.txt").c_str());
  AppendTerminator(innerZero);
  for (const auto& malformed : {oversized, innerZero}) {
    PipeServer server;
    Program program("-a -p " + server.name);
    server.Connect();
    server.Write(malformed);
    server.Close();
    EXPECT_EQ(program.Wait(), 0u);  // nothing to do: no confirmation, no window
    EXPECT_EQ(ReadTextFile(In("after.txt")), "three");
    EXPECT_EQ(ReadTextFile(In("dir\\keep.txt")), "two");
  }
}

// The new extension's stream (UTF-8, "-u") and one of before (ANSI code page, no option).
TEST_F(ProgramEndToEnd, PipeRecordsInUtf8WithTheOptionAndInTheCodePageWithout) {
  const std::string city = In("\xC5\x81\xC3\xB3" "d\xC5\xBA.txt");
  const std::string memo = In("\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.txt");
  const std::string cafe = In("caf\xC3\xA9.txt");
  for (const std::string& path : {city, memo, cafe}) ASSERT_TRUE(WriteTextFile(path, "x"));
  ASSERT_TRUE(WriteTextFile(In("stays.txt"), "stays"));
  {
    PipeServer server;
    Program program("-u -p " + server.name);
    server.Connect();
    server.Write(EncodeItemStream({city, memo}), 3, 5);
    server.Close();
    EXPECT_EQ(program.Wait(), 0u);
  }
  EXPECT_FALSE(Exists(city));
  EXPECT_FALSE(Exists(memo));
  EXPECT_TRUE(Exists(cafe));

  // "café.txt" in the code page's bytes, as the extension of before sent it.
  const std::wstring wide = W(cafe);
  BOOL lossy = FALSE;
  char ansi[MAX_PATH * 2] = {};
  const int bytes = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(), -1, ansi, sizeof ansi, nullptr, &lossy);
  if (bytes <= 0 || lossy) GTEST_SKIP() << "this code page has no \"\xE9\"";
  ASSERT_NE(std::string(ansi), cafe) << "the ANSI bytes must differ from UTF-8 for this to show anything";
  {
    PipeServer server;
    Program program("-p " + server.name);
    server.Connect();
    server.Write(EncodeItemStream({ansi}));
    server.Close();
    EXPECT_EQ(program.Wait(), 0u);
  }
  EXPECT_FALSE(Exists(cafe));
  EXPECT_EQ(ReadTextFile(In("stays.txt")), "stays");
}

// A progress window answers the window system at every moment of a run: one that takes no
// message for 5 s is marked by Windows as not responding, its frame greyed and its "Annuler"
// out of reach. It is probed from here as the system probes it, WM_NULL through
// SendMessageTimeout (which fails at once, SMTO_ABORTIFHUNG, once the window counts as hung),
// every 100 ms until the program ends; each probe must be answered within 250 ms.
constexpr double kAnswerLimitMs = 250;
constexpr DWORD kProbeTimeoutMs = 2000;
constexpr DWORD kProbeIntervalMs = 100;
constexpr int kFewestProbes = 5;  // fewer, and the run was not watched
constexpr DWORD kStillRunning = 12345;  // Program::Wait's answer when the program runs on

double MillisecondsBetween(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// The title the run gives its application window ("Broyage : 97%"), which tells where a run
// is. GetWindowText reads another process's window title without sending it a message.
std::string RunTitleOf(DWORD processId) {
  for (HWND window = FindWindowExA(nullptr, nullptr, "TApplication", nullptr); window;
       window = FindWindowExA(nullptr, window, "TApplication", nullptr)) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != processId) continue;
    char title[128] = {};
    GetWindowTextA(window, title, sizeof title);
    return title;
  }
  return "?";
}

struct Probes {
  int count = 0;
  int unanswered = 0;  // timed out, or given up at once as hung (the window still there)
  double slowestMs = 0;
  std::string slowest;
  std::vector<std::string> late;  // each probe over the limit: when, how long, where
  std::string titles;             // each title the run showed, from when the probes saw it
  double runSeconds = 0;
  DWORD exitCode = kStillRunning;
  std::string Summary() const {
    char line[256];
    std::snprintf(line, sizeof line, "%d probes over %.1f s, %d unanswered, %d over %.0f ms; slowest %s", count,
                  runSeconds, unanswered, static_cast<int>(late.size()), kAnswerLimitMs, slowest.c_str());
    std::string text = line;
    for (std::size_t index = 0; index < late.size() && index < 40; ++index) text += "\n  " + late[index];
    if (late.size() > 40) text += "\n  ...";
    return text + "\n  titles:" + titles;
  }
};

// Probes the window until the program ends, or once `overallTimeoutMs` have gone by; `watch`
// looks at the run between probes.
Probes ProbeUntilTheEnd(Program& program, HWND window, DWORD overallTimeoutMs,
                        const std::function<void()>& watch = {}) {
  Probes probes;
  LARGE_INTEGER start, sent, answeredAt;
  QueryPerformanceCounter(&start);
  std::string lastTitle;
  for (;;) {
    const std::string where = RunTitleOf(program.Id());
    DWORD_PTR result = 0;
    QueryPerformanceCounter(&sent);
    const LRESULT answered = SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kProbeTimeoutMs, &result);
    QueryPerformanceCounter(&answeredAt);
    const double ms = MillisecondsBetween(sent, answeredAt);
    const double at = MillisecondsBetween(start, sent) / 1000.0;
    if (where != lastTitle) {
      char seen[64];
      std::snprintf(seen, sizeof seen, " %.1f s %s;", at, where.c_str());
      probes.titles += seen;
      lastTitle = where;
    }
    // The run closed its window while the probe waited: nothing is left to answer.
    if (!answered && !IsWindow(window)) break;
    ++probes.count;
    // A failure well before the time-out: the system gave the window up as hung.
    const char* failure = answered ? "" : ms < kProbeTimeoutMs / 2 ? ", given up as hung" : ", timed out";
    char line[192];
    std::snprintf(line, sizeof line, "%.0f ms at %.1f s (%s)%s", ms, at, where.c_str(), failure);
    if (!answered) ++probes.unanswered;
    if (ms > probes.slowestMs || probes.count == 1) {
      probes.slowestMs = ms;
      probes.slowest = line;
    }
    if (!answered || ms > kAnswerLimitMs) probes.late.push_back(line);
    if (watch) watch();
    probes.exitCode = program.Wait(kProbeIntervalMs);  // the cadence, cut short by the end
    if (probes.exitCode != kStillRunning || at * 1000 > overallTimeoutMs) break;
  }
  LARGE_INTEGER end;
  QueryPerformanceCounter(&end);
  probes.runSeconds = MillisecondsBetween(start, end) / 1000.0;
  if (probes.exitCode == kStillRunning) probes.exitCode = program.Wait();
  return probes;
}

// FOLDERS folders of FILES files of 4 KiB each under `top`.
bool MakeTree(const std::string& top, int folders, int files) {
  if (!MakeFolder(top)) return false;
  const std::string content(4096, 'v');
  for (int folder = 0; folder < folders; ++folder) {
    const std::string path = top + "\\dossier-" + std::to_string(folder);
    if (!MakeFolder(path)) return false;
    for (int file = 0; file < files; ++file) {
      if (!WriteTextFile(path + "\\fichier-" + std::to_string(file) + ".txt", content)) return false;
    }
  }
  return true;
}

// Files and folders under `top`, at any depth.
int CountEntries(const std::string& top) {
  int count = 0;
  for (const std::string& name : ListFolder(top)) {
    const std::string path = top + "\\" + name;
    ++count;
    const DWORD attributes = GetFileAttributesW(wine_testing::SystemPathW(path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) count += CountEntries(path);
  }
  return count;
}

// 600 folders of 5 files: 3000 files, each three sweeps forced to the disk, renamed and
// deleted, and each emptied folder's names covered before it goes.
TEST_F(ProgramEndToEnd, TheProgressWindowAnswersThroughoutALargeTree) {
  const std::string tree = In("arbre");
  ASSERT_TRUE(MakeTree(tree, 600, 5));
  ASSERT_TRUE(WriteTextFile(In("voisin.txt"), "neighbour"));

  Program program("\"" + tree + "\"");
  const HWND window = WaitForWindow("TfrmMultiFileShredder", program);
  ASSERT_NE(window, nullptr);
  const Probes probes = ProbeUntilTheEnd(program, window, 5 * kTimeout);
  std::printf("large tree: %s\n", probes.Summary().c_str());
  EXPECT_EQ(probes.exitCode, 0u);
  EXPECT_GE(probes.count, kFewestProbes) << "the run was hardly watched";
  EXPECT_EQ(probes.unanswered, 0) << "see the probes above";
  EXPECT_LE(probes.slowestMs, kAnswerLimitMs) << "see the probes above";
  EXPECT_FALSE(Exists(tree));
  EXPECT_EQ(ListFolder(folder), std::vector<std::string>{"voisin.txt"});
  EXPECT_EQ(ReadTextFile(In("voisin.txt")), "neighbour");
}

// "Annuler" early in a run of many seconds: within a second the run is over and its box says
// so; what was not reached stays, and nothing more goes once the box is shown.
TEST_F(ProgramEndToEnd, AnnulerEndsALargeTreeWithinASecond) {
  const std::string tree = In("arbre");
  ASSERT_TRUE(MakeTree(tree, 600, 5));
  const int before = CountEntries(tree);

  Program program("\"" + tree + "\"");
  const HWND window = WaitForWindow("TfrmMultiFileShredder", program);
  ASSERT_NE(window, nullptr);
  HWND button = nullptr;  // the window's children come just after the window itself
  for (int tries = 0; tries < 2000 && !button && program.Running(); ++tries, Sleep(5)) {
    button = FindButton(window, "Annuler");
  }
  ASSERT_NE(button, nullptr);
  // Pressed once the run is under way (its title past 0 %), so that it stops a run at work.
  int percent = 0;
  for (DWORD waited = 0; waited < kTimeout && percent == 0 && program.Running(); waited += 5, Sleep(5)) {
    const std::string title = RunTitleOf(program.Id());
    if (title.rfind("Broyage : ", 0) == 0) percent = std::atoi(title.c_str() + 10);
  }
  ASSERT_GT(percent, 0) << "the run never showed any progress";
  LARGE_INTEGER pressed, shown;
  QueryPerformanceCounter(&pressed);
  ASSERT_TRUE(PostMessageW(button, BM_CLICK, 0, 0));
  bool boxShown = false;
  for (DWORD waited = 0; waited < kTimeout && !boxShown && program.Running(); waited += 5) {
    boxShown = HasMessageBox(program);
    if (!boxShown) Sleep(5);  // a measurement's cadence: the box is timed to 5 ms
  }
  QueryPerformanceCounter(&shown);
  ASSERT_TRUE(boxShown) << "no end-of-run box after \"Annuler\"";
  const double ms = MillisecondsBetween(pressed, shown);
  const int atTheBox = CountEntries(tree);
  std::printf("Annuler: box %.0f ms after the press, %d of %d entries left\n", ms, atTheBox, before);
  EXPECT_LE(ms, 1000.0);

  const auto text = AnswerMessageBox("Erreur", IDOK, kTimeout);
  ASSERT_TRUE(text.has_value());
  EXPECT_NE(text->find(texts::kRunStopped), std::string::npos) << *text;
  EXPECT_EQ(program.Wait(), kExitItemsLeft);
  EXPECT_LT(atTheBox, before) << "nothing was erased before the stop";
  EXPECT_GT(atTheBox, 0) << "the stop came too late to leave anything";
  EXPECT_EQ(CountEntries(tree), atTheBox) << "erased after the stop";
}

// Run by window_answers.sh with VARNOLT_TEST_DRIVE naming a drive of a prefix clone mapped to
// an NTFS image made for the test (folders of files, some deleted); skipped otherwise. The
// cleaning's last steps, the deleted names and the file records, go through every folder and
// every free record of the drive: the window answers through them too.
TEST_F(ProgramEndToEnd, TheFreeSpaceWindowAnswersThroughoutACleaning) {
  const char* drive = std::getenv("VARNOLT_TEST_DRIVE");
  if (drive == nullptr || std::getenv("VARNOLT_TEST_WINDOW_PROBES") == nullptr) {
    GTEST_SKIP() << "needs an NTFS image as a drive (window_answers.sh)";
  }
  ASSERT_EQ(std::strlen(drive), 1u);
  ASSERT_EQ(std::strchr("CcZz", drive[0]), nullptr) << "never this machine's own disk";
  const std::string root = std::string(drive) + ":\\";
  ASSERT_EQ(GetDriveTypeA(root.c_str()), static_cast<UINT>(DRIVE_FIXED));
  ASSERT_TRUE(Exists(root + "VARNOLT-TEST-VOLUME")) << "not a volume made by the test";

  ULARGE_INTEGER freeBefore, free;
  ASSERT_TRUE(GetDiskFreeSpaceExA(root.c_str(), &freeBefore, nullptr, nullptr));
  ULONGLONG leastFree = freeBefore.QuadPart;

  Program program(drive);
  const HWND window = WaitForWindow("TfrmOneFreeSpaceShredder", program);
  ASSERT_NE(window, nullptr);
  const Probes probes = ProbeUntilTheEnd(program, window, 5 * kTimeout, [&] {
    if (GetDiskFreeSpaceExA(root.c_str(), &free, nullptr, nullptr)) leastFree = std::min(leastFree, free.QuadPart);
  });
  std::printf("free space: %s\n  free before the run %llu KiB, least seen %llu KiB\n", probes.Summary().c_str(),
              freeBefore.QuadPart >> 10, leastFree >> 10);
  // The fill took the drive's free space: the run was a real cleaning, watched to its end.
  EXPECT_LT(leastFree, freeBefore.QuadPart / 20);
  EXPECT_EQ(probes.exitCode, 0u);
  EXPECT_GE(probes.count, kFewestProbes) << "the run was hardly watched";
  EXPECT_EQ(probes.unanswered, 0) << "see the probes above";
  EXPECT_LE(probes.slowestMs, kAnswerLimitMs) << "see the probes above";
}

}  // namespace
}  // namespace varnolt
