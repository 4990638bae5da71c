#include "ui/background_picture.h"

#include <cstdlib>

#include "config/directory_path.h"
#include "config/limits.h"
#include "win32/handles.h"

namespace {

constexpr int kDefaultPictureId = 101;
constexpr int kOwnPictureId = 102;

std::string ProfileString(const char* section, const char* key, const char* fallback,
                          const char* iniPath) {
  char value[kPathSize];
  GetPrivateProfileStringA(section, key, fallback, value, kPathSize, iniPath);
  return value;
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
  std::string module;
  int id = kDefaultPictureId;
  SplitPictureSetting(ProfileString("Оформление", "ФоноваяКартинка", "kadu.exe#101", iniPath),
                      module, id);
  if (!IsDrivePath(module.c_str())) {
    char currentDir[kPathSize] = "";
    GetCurrentDirectoryA(kPathSize, currentDir);
    std::string directory = ProfileString("Основные параметры", "КаталогИсточник", currentDir, iniPath);
    if (!directory.empty() && directory.back() != '\\') directory += '\\';
    module = directory + module;
  }
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
