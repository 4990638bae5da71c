#include "run/release_hashes.h"

#include <windows.h>

#include "fileops/long_path_copy.h"
#include "win32/file_hash.h"

namespace {

class ReleaseHasher {
 public:
  ReleaseHasher(std::vector<Sha256Digest>& hashes, std::string& failure)
      : hashes_(hashes), failure_(failure) {}

  bool Directory(DirNode* node, const std::string& path) {
    for (FileEntry& entry : node->record.entries) {
      if (!File(entry, path + entry.name)) return false;
    }
    for (DirNode* child = node->firstChild; child != nullptr; child = child->nextSibling) {
      if (!Directory(child, path + child->record.name + "\\")) return false;
    }
    return true;
  }

 private:
  bool File(FileEntry& entry, const std::string& path) {
    Sha256Digest digest;
    std::uint64_t bytes = 0;
    unsigned long error = 0;
    if (!Sha256OfFile(ExtendedWidePath(path.c_str()), digest, bytes, error)) {
      return Fail(error != 0 ? "Ошибка " + std::to_string(error) + " чтения файла \"" + path + "\""
                             : "Ошибка вычисления хеша файла \"" + path + "\"");
    }
    if (bytes != entry.size) return Fail("Файл \"" + path + "\" изменился во время публикации");
    entry.hashIndex = static_cast<std::uint32_t>(hashes_.size());
    hashes_.push_back(digest);
    return true;
  }

  bool Fail(const std::string& text) {
    failure_ = text;
    return false;
  }

  std::vector<Sha256Digest>& hashes_;
  std::string& failure_;
};

}  // namespace

bool HashReleaseFiles(const std::string& sourceDir, DirNode* root, std::vector<Sha256Digest>& hashes,
                      std::string& failure) {
  hashes.clear();
  ReleaseHasher hasher(hashes, failure);
  return hasher.Directory(root, sourceDir);
}
