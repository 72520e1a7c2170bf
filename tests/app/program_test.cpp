// The top-level flow, against the in-memory platform and a scripted desktop.
#include "app/Program.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "app/Texts.h"
#include "platform/FakePlatform.h"

namespace varnolt {
namespace {

struct Message {
  std::string caption;
  std::string text;
  MessageKind kind;
};

int progressCalls = 0;
std::uint8_t CountingCallback(float, std::int32_t, std::int32_t, float) {
  ++progressCalls;
  return 1;
}

class BufferSource : public ByteSource {
 public:
  explicit BufferSource(std::vector<std::uint8_t> bytes) : bytes(std::move(bytes)) {}
  std::size_t ReadSome(void* buffer, std::size_t count) override {
    const std::size_t n = std::min(count, bytes.size() - position);
    std::memcpy(buffer, bytes.data() + position, n);
    position += n;
    return n;
  }

 private:
  std::vector<std::uint8_t> bytes;
  std::size_t position = 0;
};

class ScriptedDesktop : public ProgramServices {
 public:
  bool ShowMessage(const char* caption, const char* text, MessageKind kind) override {
    messages.push_back(Message{caption, text, kind});
    return answerYes;
  }
  std::unique_ptr<ByteSource> OpenPipe(const char* name) override {
    openedPipes.push_back(name);
    auto it = pipes.find(name);
    if (it == pipes.end()) return nullptr;
    return std::make_unique<BufferSource>(it->second);
  }
  void SetApplicationTitle(const char* title) override { this->title = title; }
  ProgressCallback OpenProgressWindow(ProgressWindowKind kind) override {
    windows.push_back(kind);
    return CountingCallback;
  }

  bool answerYes = true;
  std::map<std::string, std::vector<std::uint8_t>> pipes;
  std::vector<std::string> openedPipes;
  std::vector<Message> messages;
  std::vector<ProgressWindowKind> windows;
  std::string title;
};

class ProgramTest : public ::testing::Test {
 protected:
  ProgramTest() {
    progressCalls = 0;
    os.SetTicks(1000);
    os.SetTickStep(30);
    os.MakeDirectory("C:\\work");
    os.MakeFile("C:\\work\\one.txt", 100);
    os.MakeDirectory("C:\\work\\tree");
    os.MakeFile("C:\\work\\tree\\a", 1000);
    os.MakeFile("C:\\work\\tree\\b", 1000);
    os.MakeDirectory("C:\\work\\tree\\empty");
    os.AddVolume('E', kDriveRemovable, 4 << 20);
    os.AddVolume('N', kDriveRemote, 4 << 20);
    os.AddVolume('R', kDriveCdRom, 4 << 20);
  }

  int Run(std::vector<const char*> arguments) {
    arguments.insert(arguments.begin(), "Varnolt.exe");
    return RunProgram(static_cast<int>(arguments.size()), arguments.data(), os, desktop);
  }

  FakePlatform os;
  ScriptedDesktop desktop;
};

TEST_F(ProgramTest, NoArgumentsDoesNothing) {
  EXPECT_EQ(Run({}), 0);
  EXPECT_TRUE(desktop.messages.empty());
  EXPECT_TRUE(desktop.windows.empty());
}

TEST_F(ProgramTest, InformationIsShownAndNothingElseLookedAt) {
  EXPECT_EQ(Run({"-a", "-i", "C:\\work\\one.txt"}), 0);
  ASSERT_EQ(desktop.messages.size(), 1u);
  EXPECT_EQ(desktop.messages[0].caption, "Information");
  EXPECT_EQ(desktop.messages[0].text, texts::kInformation);
  EXPECT_EQ(desktop.messages[0].text.substr(0, 56),
            "Varnolt est correctement install\xE9 sur votre ordinateur.\n");
  EXPECT_TRUE(os.Exists("C:\\work\\one.txt"));
}

TEST_F(ProgramTest, BadItemsAreRefusedWithTheirNumberBeforeAnythingIsErased) {
  struct Case {
    std::vector<const char*> arguments;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"Q"}, "L'argument n\xB0" "1 n'est pas un lecteur valide."},
      {{"."}, "L'argument n\xB0" "1 n'est pas un lecteur valide."},
      {{"-a", "C:\\work\\one.txt", "N"}, "L'argument n\xB0" "2 n'est pas un lecteur valide."},
      {{"C:\\work\\one.txt", "R"}, "L'argument n\xB0" "2 n'est pas un lecteur valide."},
      {{"C:\\work\\tree", "C:\\work\\missing"}, "L'argument n\xB0" "2 n'est pas un chemin valide."},
      {{"C:\\work\\one.txt", "-a"}, "L'argument n\xB0" "2 n'est pas un chemin valide."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    desktop.messages.clear();
    EXPECT_EQ(Run(c.arguments), -1);
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].caption, "Erreur");
    EXPECT_EQ(desktop.messages[0].text, c.message);
    EXPECT_EQ(desktop.messages[0].kind, MessageKind::kError);
    EXPECT_TRUE(desktop.windows.empty());
    EXPECT_TRUE(os.Exists("C:\\work\\one.txt"));
    EXPECT_EQ(os.List("C:\\work\\tree").size(), 3u);
  }
}

TEST_F(ProgramTest, ConfirmationNoErasesNothing) {
  desktop.answerYes = false;
  EXPECT_EQ(Run({"-a", "C:\\work\\tree"}), 0);
  ASSERT_EQ(desktop.messages.size(), 1u);
  EXPECT_EQ(desktop.messages[0].caption, "Confirmation");
  EXPECT_EQ(desktop.messages[0].kind, MessageKind::kQuestion);
  EXPECT_EQ(desktop.messages[0].text,
            "Vous \xEAtes sur le point de supprimer 2 r\xE9pertoire(s) et 2 fichier(s),\n"
            "soit 1 Ko d'informations.\n\nVoulez-vous continuer?");
  EXPECT_TRUE(desktop.windows.empty());
  EXPECT_EQ(os.List("C:\\work\\tree").size(), 3u);
}

TEST_F(ProgramTest, ConfirmationYesErasesWithTheWindowThatFits) {
  EXPECT_EQ(Run({"-a", "C:\\work\\tree"}), 0);
  EXPECT_EQ(desktop.title, "Varnolt");
  EXPECT_EQ(desktop.windows, std::vector<ProgressWindowKind>{ProgressWindowKind::kMultiFile});
  EXPECT_GT(progressCalls, 0);
  EXPECT_FALSE(os.Exists("C:\\work\\tree"));
  EXPECT_TRUE(os.Exists("C:\\work\\one.txt"));
}

TEST_F(ProgramTest, WindowChoiceFollowsTheFileAndDriveCounts) {
  EXPECT_EQ(Run({"C:\\work\\one.txt", "E"}), 0);  // files with drives: a file window
  EXPECT_EQ(desktop.windows, std::vector<ProgressWindowKind>{ProgressWindowKind::kOneFile});
  EXPECT_TRUE(desktop.messages.empty());  // without "-a" nothing is asked

  desktop.windows.clear();
  EXPECT_EQ(Run({"E", "E"}), 0);
  EXPECT_EQ(desktop.windows, std::vector<ProgressWindowKind>{ProgressWindowKind::kOneFreeSpace});

  desktop.windows.clear();
  progressCalls = 0;
  EXPECT_EQ(Run({"C:\\work\\tree\\empty"}), 0);  // only empty directories: no window at all
  EXPECT_TRUE(desktop.windows.empty());
  EXPECT_EQ(progressCalls, 0);
  EXPECT_FALSE(os.Exists("C:\\work\\tree\\empty"));
}

TEST_F(ProgramTest, PipeItemsAreTakenAndBadOnesDroppedSilently) {
  desktop.pipes["\\\\.\\pipe\\65"] = EncodeItemStream({"C:\\work\\one.txt", "N", "C:\\work\\gone", "R"});
  EXPECT_EQ(Run({"-a", "-p", "\\\\.\\pipe\\65", "C:\\work\\tree"}), 0);
  ASSERT_EQ(desktop.messages.size(), 1u);  // the confirmation only
  EXPECT_NE(desktop.messages[0].text.find("supprimer 1 fichier(s), soit 100 octets"), std::string::npos);
  EXPECT_FALSE(os.Exists("C:\\work\\one.txt"));
  EXPECT_TRUE(os.Exists("C:\\work\\tree\\a"));  // command-line items are ignored in pipe mode
}

TEST_F(ProgramTest, PipeThatCannotBeOpenedEndsWithFailureAndNoMessage) {
  EXPECT_EQ(Run({"-a", "-p"}), -1);
  EXPECT_EQ(desktop.openedPipes, std::vector<std::string>{""});
  EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(ProgramTest, TruncatedPipeRecordNeverErasesTheCutPath) {
  std::vector<std::uint8_t> stream = EncodeItemStream({"C:\\work\\one.txt", "C:\\work\\tree\\a"});
  stream.resize(stream.size() - 2 - 3);  // the second record stops after "C:\work\tree"
  desktop.pipes["\\\\.\\pipe\\1"] = stream;
  EXPECT_EQ(Run({"-p", "\\\\.\\pipe\\1"}), 0);
  EXPECT_FALSE(os.Exists("C:\\work\\one.txt"));
  EXPECT_EQ(os.List("C:\\work\\tree").size(), 3u);
}

}  // namespace
}  // namespace varnolt
