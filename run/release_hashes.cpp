#include "run/release_hashes.h"

#include "fileops/long_path_copy.h"
#include "win32/file_hash.h"

namespace {

// A file and the index of its directory's path: the list of files to
// hash costs a few bytes per file, not a path each.
struct ReleaseFile {
  FileEntry* entry;
  std::size_t directory;
};

// Every file of the picture in listing order: a directory's files, then
// its subdirectories.
void CollectFiles(DirNode* node, const std::string& path, std::vector<std::string>& directories,
                  std::vector<ReleaseFile>& files) {
  directories.push_back(path);
  for (FileEntry& entry : node->record.entries) files.push_back({&entry, directories.size() - 1});
  for (DirNode* child = node->firstChild; child != nullptr; child = child->nextSibling) {
    CollectFiles(child, path + child->record.name + "\\", directories, files);
  }
}

}  // namespace

bool HashReleaseFiles(const std::string& sourceDir, DirNode* root, std::vector<Sha256Digest>& hashes,
                      std::string& failure) {
  hashes.clear();
  std::vector<std::string> directories;
  std::vector<ReleaseFile> files;
  CollectFiles(root, sourceDir, directories, files);
  const auto pathOf = [&](const ReleaseFile& file) { return directories[file.directory] + file.entry->name; };
  hashes.reserve(files.size());
  bool whole = true;
  HashFilesInTurn(
      files.size(), [&](std::size_t i) { return ExtendedWidePath(pathOf(files[i]).c_str()); },
      [&](std::size_t i, const FileHash& hash) {
        const ReleaseFile& file = files[i];
        const std::string path = pathOf(file);
        if (!hash.hashed) {
          failure = hash.error != 0
                        ? "Ошибка " + std::to_string(hash.error) + " чтения файла \"" + path + "\""
                        : "Ошибка вычисления хеша файла \"" + path + "\"";
        } else if (hash.bytes != file.entry->size) {
          failure = "Файл \"" + path + "\" изменился во время публикации";
        } else {
          file.entry->hashIndex = static_cast<std::uint32_t>(hashes.size());
          hashes.push_back(hash.digest);
          return true;
        }
        whole = false;
        return false;
      });
  return whole;
}
