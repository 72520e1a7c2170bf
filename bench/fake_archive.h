// The tree the native benchmarks work on, in the in-memory platform: folders of 1,000 files with
// names of usual length ("photo-0000001.jpg" in "dossier 0000"), under a chosen folder whose
// path is already long enough that short-string storage never applies.
#pragma once

#include <cstdio>
#include <string>

#include "platform/FakePlatform.h"

namespace bench {

inline constexpr int kFilesPerFolder = 1000;

// Makes the tree of `files` files of `bytes` bytes each in `os`; returns the chosen folder.
inline std::string MakeArchive(varnolt::FakePlatform& os, int files, std::uint64_t bytes) {
  const std::string top = "C:\\Users\\utilisateur\\Documents\\Archives";
  os.MakeDirectory("C:\\Users");
  os.MakeDirectory("C:\\Users\\utilisateur");
  os.MakeDirectory("C:\\Users\\utilisateur\\Documents");
  os.MakeDirectory(top);
  char name[64];
  for (int folder = 0; folder * kFilesPerFolder < files; ++folder) {
    std::snprintf(name, sizeof name, "\\dossier %04d", folder);
    const std::string directory = top + name;
    os.MakeDirectory(directory);
    for (int file = folder * kFilesPerFolder; file < files && file < (folder + 1) * kFilesPerFolder; ++file) {
      std::snprintf(name, sizeof name, "\\photo-%07d.jpg", file);
      os.MakeFile(directory + name, bytes);
    }
  }
  return top;
}

}  // namespace bench
