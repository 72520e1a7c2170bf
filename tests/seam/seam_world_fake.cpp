#include "platform/FakePlatform.h"
#include "tests/seam/seam_world.h"

namespace varnolt::seam {
namespace {

class FakeWorld : public World {
 public:
  FakeWorld() {
    os.MakeDirectory("C:\\seam");
    os.RefuseTrim('C');  // as every file system under Wine
  }
  Platform& Os() override { return os; }
  std::string Root() override { return "C:\\seam"; }
  void MakeFolder(const std::string& path) override { os.MakeDirectory(path); }
  void MakeFile(const std::string& path, std::size_t size) override { os.MakeFile(path, size, 's'); }
  bool Exists(const std::string& path) override { return os.Exists(path); }
  void HoldOpen(const std::string& path) override { os.HoldOpen(path); }
  void Release(const std::string& path) override { os.Release(path); }
  void AddHardLink(const std::string& path, const std::string&) override { os.SetNameCount(path, 2); }

 private:
  FakePlatform os;
};

}  // namespace

std::unique_ptr<World> MakeWorld() { return std::make_unique<FakeWorld>(); }

}  // namespace varnolt::seam
