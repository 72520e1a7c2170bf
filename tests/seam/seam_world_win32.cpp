#include <map>

#include <gtest/gtest.h>

#include "platform/Win32Platform.h"
#include "tests/seam/seam_world.h"
#include "tests/wine_support/wine_support.h"

namespace varnolt::seam {
namespace {

class RealWorld : public World {
 public:
  RealWorld() : root(wine_testing::MakeScratchFolder("seam")) {}
  ~RealWorld() override {
    for (auto& [path, handle] : held) CloseHandle(handle);
    wine_testing::RemoveTree(root);
  }
  Platform& Os() override { return os; }
  std::string Root() override { return root; }
  void MakeFolder(const std::string& path) override { ASSERT_TRUE(wine_testing::MakeFolder(path)) << path; }
  void MakeFile(const std::string& path, std::size_t size) override {
    ASSERT_TRUE(wine_testing::WriteTextFile(path, std::string(size, 's'))) << path;
  }
  bool Exists(const std::string& path) override { return wine_testing::Exists(path); }
  void HoldOpen(const std::string& path) override {
    const HANDLE handle = CreateFileW(wine_testing::SystemPathW(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                      0, nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE) << path;
    held[path] = handle;
  }
  void Release(const std::string& path) override {
    CloseHandle(held[path]);
    held.erase(path);
  }
  void AddHardLink(const std::string& path, const std::string& link) override {
    ASSERT_TRUE(CreateHardLinkW(wine_testing::SystemPathW(link).c_str(), wine_testing::SystemPathW(path).c_str(), nullptr))
        << GetLastError();
  }

 private:
  std::string root;
  Win32Platform os;
  std::map<std::string, HANDLE> held;
};

}  // namespace

std::unique_ptr<World> MakeWorld() { return std::make_unique<RealWorld>(); }

}  // namespace varnolt::seam
