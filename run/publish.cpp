#include "run/publish.h"

#include <windows.h>

#include <cstdio>
#include <string>

#include "config/ini_file.h"
#include "config/source_directory.h"
#include "config/sync_config.h"
#include "run/captured_logs.h"
#include "run/listing_signing.h"
#include "run/release_hashes.h"
#include "scan/listing_file.h"
#include "scan/scan.h"
#include "win32/message_box.h"

namespace {

constexpr const char* kNotPublished = "Список источника не опубликован.\n";
constexpr const char* kKept = "\nПрежний список, если он был, сохранен.";

void Tell(const std::string& text, unsigned icon) { ShowProgramBox(text.c_str(), MB_OK | icon); }

std::size_t CountDirectories(const DirNode* node) {
  std::size_t count = 0;
  for (const DirNode* child = node->firstChild; child != nullptr; child = child->nextSibling) {
    count += 1 + CountDirectories(child);
  }
  return count;
}

std::size_t CountFiles(const DirNode* node) {
  std::size_t count = node->record.entries.size();
  for (const DirNode* child = node->firstChild; child != nullptr; child = child->nextSibling) {
    count += CountFiles(child);
  }
  return count;
}

}  // namespace

bool PublishSourceListing(const char* iniPath) {
  char sourceDir[kPathSize];
  unsigned long readError = 0;
  switch (ReadSourceDirectory(iniPath, sourceDir, readError)) {
    case SourceDirectoryRead::Read:
      break;
    case SourceDirectoryRead::NotSet:
      Tell(std::string(kNotPublished) + "В файле \"" + iniPath + "\" не задан каталог источник.", MB_ICONERROR);
      return false;
    case SourceDirectoryRead::NotWindows1251:
      Tell(std::string(kNotPublished) + "В файле \"" + iniPath +
               "\" значение ключа \"КаталогИсточник\" содержит символы, которых нет в кодировке Windows-1251.",
           MB_ICONERROR);
      return false;
    case SourceDirectoryRead::FileUnreadable:
      Tell(kNotPublished + IniReadErrorText(iniPath, readError), MB_ICONERROR);
      return false;
  }
  if (GetFileAttributesA(sourceDir) == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    Tell(std::string(kNotPublished) + "Ошибка " + std::to_string(error) + " доступа к каталогу источнику \"" +
             sourceDir + "\".",
         MB_ICONERROR);
    return false;
  }
  // A signing key named but not readable publishes nothing: an unsigned
  // listing would be refused by every workstation that trusts the key.
  std::string keyPath;
  std::string keyFailure;
  PublisherPrivateKey key{};
  const SigningKeyRead signing = ReadSigningKey(iniPath, keyPath, key, keyFailure);
  if (signing == SigningKeyRead::Failed) {
    Tell(std::string(kNotPublished) + keyFailure + kKept, MB_ICONERROR);
    return false;
  }
  // Exactly a run's source scan, without the lists: every workstation
  // applies its own. Only the listing's own files are left out.
  SyncConfig config;
  std::snprintf(config.sourceDir, sizeof(config.sourceDir), "%s", sourceDir);
  config.ignoreList = {kListingFileName, kListingTemporaryName};
  DirSnapshot root = CreateSnapshot();
  bool whole = false;
  std::string firstError;
  {
    CapturedLogs errors;
    whole = ScanSource(config, root.get(), sourceDir, "") && config.errorCount == 0;
    // Two names a workstation's file system takes for one (a case-sensitive
    // share can hold both): every workstation would refuse the listing.
    if (whole) LeaveOutRepeatedSourceNames(config, root.get());
    whole = whole && config.errorCount == 0;
    firstError = errors.FirstError();
  }
  if (!whole) {
    // A partial listing would have every workstation delete what it left out.
    Tell(std::string(kNotPublished) + firstError + kKept, MB_ICONERROR);
    return false;
  }
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  const FileTime published{now.dwLowDateTime, now.dwHighDateTime};
  std::vector<std::uint8_t> bytes;
  if (signing == SigningKeyRead::Read) {
    // Signed: each file read once for its hash, the listing signed whole.
    std::vector<Sha256Digest> hashes;
    std::string failure;
    bool signedWhole = HashReleaseFiles(sourceDir, root.get(), hashes, failure);
    if (signedWhole) bytes = SerializeHashedListing(root.get(), published, hashes);
    signedWhole = signedWhole && !bytes.empty() && SignListing(bytes, key, failure);
    SecureZeroMemory(key.data(), key.size());
    if (!signedWhole) {
      Tell(std::string(kNotPublished) + failure + kKept, MB_ICONERROR);
      return false;
    }
  } else {
    bytes = SerializeListing(root.get(), published);
  }
  std::uint32_t error = 0;
  const std::string path = std::string(sourceDir) + kListingFileName;
  if (!WritePublishedListing(sourceDir, bytes, error)) {
    Tell(std::string(kNotPublished) + "Ошибка " + std::to_string(error) + " записи файла \"" + path + "\"." + kKept,
         MB_ICONERROR);
    return false;
  }
  Tell("Список источника опубликован в файле \"" + path + "\".\nКаталогов: " +
           std::to_string(CountDirectories(root.get())) + ", файлов: " + std::to_string(CountFiles(root.get())) + "." +
           (signing == SigningKeyRead::Read ? "\nСписок подписан ключом \"" + keyPath + "\"." : std::string()),
       MB_ICONINFORMATION);
  return true;
}
