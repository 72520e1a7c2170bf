// The program's resources as a program that links them sees them: version 1.2.1.0, the manifest
// asking for the common controls 6.0.0.0, the icon, and the two pictures.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace varnolt::testing {
namespace {

std::string ResourceText(const char* name, LPCSTR type) {
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceA(module, name, type);
  if (found == nullptr) return "";
  const char* data = static_cast<const char*>(LockResource(LoadResource(module, found)));
  return std::string(data, SizeofResource(module, found));
}

TEST(ProgramResourcesTest, VersionIsOnePointTwoPointOne) {
  // The block as the program carries it, copied: VerQueryValue reads a writable copy.
  const std::string stored = ResourceText(MAKEINTRESOURCEA(VS_VERSION_INFO), MAKEINTRESOURCEA(16));
  ASSERT_FALSE(stored.empty());
  std::vector<char> block(stored.begin(), stored.end());
  block.resize(block.size() * 2);
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010002u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0x00010000u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00010002u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0x00010000u);
  char* text = nullptr;
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\StringFileInfo\\040C04E4\\FileVersion",
                             reinterpret_cast<void**>(&text), &length));
  EXPECT_STREQ(text, "1.2.1.0");
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\StringFileInfo\\040C04E4\\OriginalFilename",
                             reinterpret_cast<void**>(&text), &length));
  EXPECT_STREQ(text, "Varnolt.exe");
}

TEST(ProgramResourcesTest, ManifestAsksForCommonControlsSix) {
  const std::string manifest = ResourceText(MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
  ASSERT_FALSE(manifest.empty());
  const auto at = manifest.find("name=\"Microsoft.Windows.Common-Controls\"");
  ASSERT_NE(at, std::string::npos);
  EXPECT_NE(manifest.find("version=\"6.0.0.0\"", at), std::string::npos);
}

TEST(ProgramResourcesTest, IconAndPictures) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  auto* icon = static_cast<HICON>(LoadImageA(instance, "MAINICON", IMAGE_ICON, 32, 32, 0));
  ASSERT_NE(icon, nullptr);
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(icon, &info));
  EXPECT_NE(info.hbmMask, nullptr);
  BITMAP mask{};
  GetObjectA(info.hbmMask, sizeof mask, &mask);
  EXPECT_EQ(mask.bmWidth, 32);
  DeleteObject(info.hbmMask);
  DeleteObject(info.hbmColor);
  DestroyIcon(icon);

  struct Picture {
    const char* name;
    int width;
    int height;
    int bits;
  };
  for (const Picture& wanted : {Picture{"BANNER", 400, 50, 24}, Picture{"WASTEBASKET", 32, 32, 8}}) {
    auto* bitmap = static_cast<HBITMAP>(LoadImageA(instance, wanted.name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    ASSERT_NE(bitmap, nullptr) << wanted.name;
    DIBSECTION section{};
    ASSERT_EQ(GetObjectA(bitmap, sizeof section, &section), static_cast<int>(sizeof section));
    EXPECT_EQ(section.dsBmih.biWidth, wanted.width) << wanted.name;
    EXPECT_EQ(section.dsBmih.biHeight, wanted.height) << wanted.name;
    EXPECT_EQ(section.dsBmih.biBitCount, wanted.bits) << wanted.name;
    if (wanted.bits == 8) {
      // Palette entry 0, the transparent background, is almost black.
      HDC dc = CreateCompatibleDC(nullptr);
      HGDIOBJ old = SelectObject(dc, bitmap);
      RGBQUAD entry{};
      ASSERT_EQ(GetDIBColorTable(dc, 0, 1, &entry), 1u);
      EXPECT_LT(entry.rgbRed + entry.rgbGreen + entry.rgbBlue, 30);
      EXPECT_EQ(GetPixel(dc, 0, 31), RGB(entry.rgbRed, entry.rgbGreen, entry.rgbBlue));
      SelectObject(dc, old);
      DeleteDC(dc);
    }
    DeleteObject(bitmap);
  }
}

}  // namespace
}  // namespace varnolt::testing
