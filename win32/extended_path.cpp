#include "win32/extended_path.h"

void RemoveRootMarker(std::string& path) {
  const std::size_t marker = path.find("\\.\\");
  if (marker != std::string::npos) path.erase(marker, 2);
}

bool MakeExtendedLengthPath(const std::string& path, std::string& extended) {
  if (path.size() >= 3 && path[1] == ':' && path[2] == '\\') {
    extended = "\\\\?\\" + path;
  } else if (path.compare(0, 2, "\\\\") == 0) {
    extended = "\\\\?\\UNC\\" + path.substr(2);
  } else {
    return false;
  }
  RemoveRootMarker(extended);
  return true;
}
