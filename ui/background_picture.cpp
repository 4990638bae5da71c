#include "ui/background_picture.h"

#include <cstdlib>
#include <string>
#include <utility>

#include "config/directory_path.h"
#include "config/ini_file.h"
#include "config/picture_setting.h"
#include "model/limits.h"
#include "win32/handles.h"

namespace {

constexpr int kDefaultPictureId = 101;
constexpr int kOwnPictureId = 102;

// Read as the profile reader did, into a buffer of kPathSize. False when the
// value holds characters Windows-1251 lacks: the run refuses such a file,
// and until it does the window shows its own picture.
bool ProfileString(const IniDocument& ini, const char* section, const char* key, const char* fallback,
                   std::string& value) {
  IniValue read = ini.Value(section, key, fallback, kPathSize);
  value = std::move(read.text);
  return read.fits;
}

}  // namespace

void SplitPictureSetting(const std::string& setting, std::string& module, int& id) {
  const std::size_t hash = setting.rfind('#');
  module = setting.substr(0, hash);
  id = kDefaultPictureId;
  if (hash != std::string::npos) {
    const int parsed = std::atoi(setting.c_str() + hash + 1);
    if (parsed > 0) id = parsed;
  }
}

HBITMAP LoadBackgroundPicture(HINSTANCE instance, const char* iniPath) {
  // A file that cannot be read gives every default, as it did to the
  // profile reader; the run then refuses it.
  IniDocument ini;
  unsigned long readError = 0;
  if (!LoadIniFile(iniPath, ini, readError)) ini = IniDocument();
  std::string setting;
  std::string module;
  int id = kDefaultPictureId;
  bool usable = ProfileString(ini, kPictureSection, kPictureKey, kDefaultPicture, setting);
  SplitPictureSetting(setting, module, id);
  if (usable && !IsDrivePath(module.c_str())) {
    char currentDir[kPathSize] = "";
    GetCurrentDirectoryA(kPathSize, currentDir);
    std::string directory;
    usable = ProfileString(ini, "Основные параметры", "КаталогИсточник", currentDir, directory);
    if (!directory.empty() && directory.back() != '\\') directory += '\\';
    module = directory + module;
  }
  if (!usable) module.clear();
  HBITMAP picture = nullptr;
  if (!module.empty()) {
    // As data: loading the client's program the ordinary way would run the
    // start-up code of every library it imports.
    win32::ScopedModule library(
        LoadLibraryExA(module.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    if (library) picture = LoadBitmapA(library.Get(), MAKEINTRESOURCEA(id));
  }
  if (picture == nullptr) picture = LoadBitmapA(instance, MAKEINTRESOURCEA(kOwnPictureId));
  return picture;
}
