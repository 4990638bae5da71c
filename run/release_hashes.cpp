#include "run/release_hashes.h"

#include <windows.h>

#include <vector>

#include "fileops/long_path_copy.h"
#include "win32/cng.h"
#include "win32/handles.h"

namespace {

constexpr DWORD kChunk = 1u << 20;

class ReleaseHasher {
 public:
  ReleaseHasher(std::vector<Sha256Digest>& hashes, std::string& failure)
      : hashes_(hashes), failure_(failure), buffer_(kChunk) {}

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
    win32::ScopedFile file(CreateFileW(ExtendedWidePath(path.c_str()).c_str(), GENERIC_READ,
                                       FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                       FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.Valid()) return Fail("Ошибка " + std::to_string(GetLastError()) + " открытия файла \"" + path + "\"");
    std::uint64_t total = 0;
    for (;;) {
      DWORD got = 0;
      if (!ReadFile(file.Get(), buffer_.data(), kChunk, &got, nullptr)) {
        return Fail("Ошибка " + std::to_string(GetLastError()) + " чтения файла \"" + path + "\"");
      }
      if (got == 0) break;
      total += got;
      if (!hasher_.Add(buffer_.data(), got)) return Fail("Ошибка вычисления хеша файла \"" + path + "\"");
    }
    const std::optional<win32::Sha256Digest> digest = hasher_.Finish();
    if (!digest) return Fail("Ошибка вычисления хеша файла \"" + path + "\"");
    if (total != entry.size) {
      return Fail("Файл \"" + path + "\" изменился во время публикации");
    }
    entry.hashIndex = static_cast<std::uint32_t>(hashes_.size());
    hashes_.push_back(*digest);
    return true;
  }

  bool Fail(const std::string& text) {
    failure_ = text;
    return false;
  }

  std::vector<Sha256Digest>& hashes_;
  std::string& failure_;
  std::vector<unsigned char> buffer_;
  win32::Sha256 hasher_;
};

}  // namespace

bool HashReleaseFiles(const std::string& sourceDir, DirNode* root, std::vector<Sha256Digest>& hashes,
                      std::string& failure) {
  hashes.clear();
  ReleaseHasher hasher(hashes, failure);
  return hasher.Directory(root, sourceDir);
}
