// What Windows reads from the built velkarin.exe before running a line of
// it: the application manifest and the version resource, read back from the
// file itself, as the loader and the file's properties read them. Both
// builds are read: the 32-bit one cannot be run here, but its resources can
// be read as data.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/test_support.h"
#include "tests/support/window_capture.h"
#include "ui/version_text.h"
#include "win32/handles.h"

using testing_support::ExeDir;
using testing_support::Widen;

namespace {

// The program of each build, as a parameter: "x64" or "x86".
class BuiltProgram : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    if (std::string(GetParam()) == "x86") {
      program = Widen(VELKARIN_X86_PROGRAM);
      if (GetFileAttributesW(program.c_str()) == INVALID_FILE_ATTRIBUTES) {
        GTEST_SKIP() << "no 32-bit build at " << VELKARIN_X86_PROGRAM << " (scripts/build makes it)";
      }
    } else {
      program = Widen(ExeDir() + "\\velkarin.exe");
    }
  }
  std::wstring program;
};

// Manifest resource 1 of the file, comments removed: an entry commented out
// is no entry.
std::string Manifest(const std::wstring& program) {
  win32::ScopedModule module(LoadLibraryExW(program.c_str(), nullptr,
                                            LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
  if (!module) return "";
  HRSRC found = FindResourceW(module.Get(), MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));  // RT_MANIFEST
  const void* data = found != nullptr ? LockResource(LoadResource(module.Get(), found)) : nullptr;
  if (data == nullptr) return "";
  std::string xml(static_cast<const char*>(data), SizeofResource(module.Get(), found));
  for (std::size_t at; (at = xml.find("<!--")) != std::string::npos;) {
    const std::size_t end = xml.find("-->", at);
    xml.erase(at, end == std::string::npos ? std::string::npos : end + 3 - at);
  }
  return xml;
}

// Every start tag of `element` in the manifest, each with its text up to
// the closing tag: "<dpiAware xmlns=...>false".
std::vector<std::string> Elements(const std::string& xml, const std::string& element) {
  std::vector<std::string> found;
  for (std::size_t at = 0; (at = xml.find("<" + element, at)) != std::string::npos; ++at) {
    const char next = xml[at + element.size() + 1];
    if (next != ' ' && next != '>' && next != '/' && next != '\n' && next != '\r') continue;
    const std::size_t end = xml.find('<', at + 1);
    found.push_back(xml.substr(at, end == std::string::npos ? std::string::npos : end - at));
  }
  return found;
}

bool HasElement(const std::string& xml, const std::string& element, const std::vector<std::string>& parts) {
  for (const std::string& tag : Elements(xml, element)) {
    bool all = true;
    for (const std::string& part : parts) all = all && tag.find(part) != std::string::npos;
    if (all) return true;
  }
  return false;
}

const char kSettings2005[] = "xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\"";
const char kSettings2016[] = "xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\"";

TEST_P(BuiltProgram, ManifestHoldsEveryEntry) {
  const std::string xml = Manifest(program);
  ASSERT_FALSE(xml.empty()) << "no manifest resource 1 in velkarin.exe";
  EXPECT_TRUE(HasElement(xml, "requestedExecutionLevel", {"level=\"asInvoker\"", "uiAccess=\"false\""}))
      << xml;
  const char* systems[] = {"{e2011457-1546-43c5-a5fe-008deee3d3f0}",   // Vista
                           "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",   // 7
                           "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",   // 8
                           "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",   // 8.1
                           "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"};  // 10 and 11
  for (const char* id : systems) {
    EXPECT_TRUE(HasElement(xml, "supportedOS", {std::string("Id=\"") + id + "\""})) << id;
  }
  // A setting in the wrong namespace is silently ignored by Windows.
  EXPECT_TRUE(HasElement(xml, "longPathAware", {kSettings2016, ">true"})) << xml;
  EXPECT_TRUE(HasElement(xml, "dpiAware", {kSettings2005, ">false"})) << xml;
  EXPECT_TRUE(HasElement(xml, "dpiAwareness", {kSettings2016, ">unaware"})) << xml;
  EXPECT_TRUE(HasElement(xml, "assemblyIdentity",
                         {"name=\"Microsoft.Windows.Common-Controls\"", "version=\"6.0.0.0\"",
                          "processorArchitecture=\"*\"", "publicKeyToken=\"6595b64144ccf1df\"",
                          "type=\"win32\""}))
      << xml;
  EXPECT_EQ(Elements(xml, "dependentAssembly").size(), 1u) << xml;
  // The program's text is the system's code page 1251, never UTF-8.
  EXPECT_TRUE(Elements(xml, "activeCodePage").empty()) << xml;
}

std::wstring VersionString(const std::vector<char>& info, const wchar_t* name) {
  void* value = nullptr;
  UINT length = 0;
  const std::wstring path = std::wstring(L"\\StringFileInfo\\041904E3\\") + name;
  if (!VerQueryValueW(info.data(), path.c_str(), &value, &length) || value == nullptr) return L"<none>";
  return std::wstring(static_cast<const wchar_t*>(value), length > 0 ? length - 1 : 0);
}

// The numbers come from the build's project version; the texts are what
// the file's properties must show.
TEST_P(BuiltProgram, VersionResourceAgreesWithTheBuildVersion) {
  const std::wstring& exe = program;
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(exe.c_str(), &ignored);
  ASSERT_GT(size, 0u) << "no version resource in velkarin.exe";
  std::vector<char> info(size);
  ASSERT_TRUE(GetFileVersionInfoW(exe.c_str(), 0, size, info.data()));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  const DWORD high = MAKELONG(VELKARIN_EXPECTED_MINOR, VELKARIN_EXPECTED_MAJOR);
  const DWORD low = MAKELONG(0, VELKARIN_EXPECTED_PATCH);
  EXPECT_EQ(fixed->dwFileVersionMS, high);
  EXPECT_EQ(fixed->dwFileVersionLS, low);
  EXPECT_EQ(fixed->dwProductVersionMS, high);
  EXPECT_EQ(fixed->dwProductVersionLS, low);
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

  WORD* translation = nullptr;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                             &length));
  ASSERT_EQ(length, 4u);
  EXPECT_EQ(translation[0], 0x419);  // Russian
  EXPECT_EQ(translation[1], 1251);

  const std::string major = std::to_string(VELKARIN_EXPECTED_MAJOR);
  const std::string minor = std::to_string(VELKARIN_EXPECTED_MINOR);
  const std::wstring version = Widen(major + "." + minor + "." + std::to_string(VELKARIN_EXPECTED_PATCH));
  EXPECT_EQ(VersionString(info, L"FileVersion"), version);
  EXPECT_EQ(VersionString(info, L"ProductVersion"), version);
  // The resource script is UTF-8: a wrong code page would garble this.
  EXPECT_EQ(VersionString(info, L"FileDescription"), Widen("Синхронизация файлов и каталогов"));
  EXPECT_EQ(VersionString(info, L"OriginalFilename"), L"velkarin.exe");
  EXPECT_EQ(VersionString(info, L"ProductName"), L"velkarin");
  EXPECT_EQ(VersionString(info, L"InternalName"), L"velkarin");

  // The splash window's version line follows the same version.
  EXPECT_EQ(std::string(kVersionText), "Версия " + major + "." + minor);
}

std::vector<std::uint32_t> FromTheTop(const std::vector<std::uint32_t>& bottomUp, int width) {
  std::vector<std::uint32_t> rows;
  for (std::size_t end = bottomUp.size(); end >= static_cast<std::size_t>(width) && width > 0; end -= width) {
    rows.insert(rows.end(), bottomUp.begin() + static_cast<std::ptrdiff_t>(end - width),
                bottomUp.begin() + static_cast<std::ptrdiff_t>(end));
  }
  return rows;
}

// The pixels (0xRRGGBB, rows from the top) a bottom-up BMP file stands for,
// 24-bit or 8-bit run-length encoded, read as the format describes them.
std::vector<std::uint32_t> DrawnPixels(const std::string& bmp, int& width, int& height) {
  const auto u32 = [&bmp](std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(bmp[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(bmp[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(bmp[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(bmp[at + 3])) << 24;
  };
  const auto byte = [&bmp](std::size_t at) { return static_cast<unsigned char>(bmp.at(at)); };
  const std::size_t data = u32(10);
  width = static_cast<int>(u32(18));
  height = static_cast<int>(u32(22));
  const unsigned bits = byte(28) | byte(29) << 8;
  std::vector<std::uint32_t> pixels;
  if (bits == 24) {
    const std::size_t row = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const std::size_t at = data + y * row + x * 3;
        pixels.push_back(byte(at + 2) << 16 | byte(at + 1) << 8 | byte(at));
      }
    }
    return FromTheTop(pixels, width);
  }
  EXPECT_EQ(bits, 8u);
  EXPECT_EQ(u32(30), 1u) << "BI_RLE8";
  const std::size_t palette = 14 + u32(14);
  const auto colour = [&](unsigned index) {
    const std::size_t at = palette + 4 * index;
    return static_cast<std::uint32_t>(byte(at + 2) << 16 | byte(at + 1) << 8 | byte(at));
  };
  for (std::size_t at = data; at + 1 < bmp.size();) {
    const unsigned count = byte(at), value = byte(at + 1);
    at += 2;
    if (count != 0) {
      pixels.insert(pixels.end(), count, colour(value));
    } else if (value == 1) {
      break;
    } else if (value >= 3) {
      for (unsigned i = 0; i < value; ++i) pixels.push_back(colour(byte(at + i)));
      at += value + value % 2;
    }
  }
  return FromTheTop(pixels, width);
}

// The program's own pictures are stored compactly: what the system makes of
// each must be what its file says, pixel for pixel.
TEST_P(BuiltProgram, OwnPicturesLoadAsDrawn) {
  win32::ScopedModule module(LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  ASSERT_TRUE(module.Valid());
  for (const auto& [id, file] : {std::pair<int, const char*>{101, "strip.bmp"}, {102, "background.bmp"}}) {
    SCOPED_TRACE(file);
    const std::optional<std::string> bytes =
        testing_support::ReadFileBytes(std::string(VELKARIN_RESOURCES_DIR) + "/" + file);
    ASSERT_TRUE(bytes.has_value());
    int width = 0, height = 0;
    const std::vector<std::uint32_t> drawn = DrawnPixels(*bytes, width, height);
    ASSERT_EQ(drawn.size(), static_cast<std::size_t>(width) * height);

    win32::ScopedGdiObject picture(LoadBitmapA(module.Get(), MAKEINTRESOURCEA(id)));
    ASSERT_NE(picture.Get(), nullptr);
    const std::vector<std::uint32_t> loaded =
        testing_support::BitmapPixels(static_cast<HBITMAP>(picture.Get()), width, height);
    ASSERT_EQ(loaded.size(), drawn.size());
    std::size_t differing = 0;
    for (std::size_t i = 0; i < loaded.size(); ++i) differing += loaded[i] != drawn[i];
    EXPECT_EQ(differing, 0u) << "pixels the system loads differently from the file";
  }
}

INSTANTIATE_TEST_SUITE_P(Builds, BuiltProgram, ::testing::Values("x64", "x86"));

}  // namespace
