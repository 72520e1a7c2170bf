// What the seam's behaviour tests need of a world to act in, made twice: on the in-memory
// platform (seam_world_fake.cpp, natively) and on real files under Wine with the real backend
// (seam_world_win32.cpp). The same tests (seam_test.cpp) run on both, so the fake cannot drift
// from what Windows does. Paths are UTF-8.
#pragma once

#include <memory>
#include <string>

#include "platform/Platform.h"

namespace varnolt::seam {

class World {
 public:
  virtual ~World() = default;
  virtual Platform& Os() = 0;
  // An empty folder the tests may fill; every path below is under it.
  virtual std::string Root() = 0;
  virtual void MakeFolder(const std::string& path) = 0;
  virtual void MakeFile(const std::string& path, std::size_t size) = 0;
  virtual bool Exists(const std::string& path) = 0;
  // Another program holds the file open, sharing nothing, until Release.
  virtual void HoldOpen(const std::string& path) = 0;
  virtual void Release(const std::string& path) = 0;
  // The file gets a second name.
  virtual void AddHardLink(const std::string& path, const std::string& link) = 0;
};

std::unique_ptr<World> MakeWorld();

}  // namespace varnolt::seam
