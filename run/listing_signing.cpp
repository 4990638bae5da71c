#include "run/listing_signing.h"

#include <windows.h>


#include "config/full_path.h"
#include "config/ini_file.h"
#include "model/limits.h"
#include "scan/published_listing.h"
#include "win32/cng.h"
#include "win32/handles.h"

namespace {

// A key file is two short lines; anything much longer is not one.
constexpr DWORD kLargestKeyFile = 4096;

std::string FolderOf(const std::string& path) {
  const std::size_t end = path.find_last_of('\\');
  return end == std::string::npos ? std::string() : path.substr(0, end + 1);
}

bool ReadSmallFile(const std::string& path, std::string& text, DWORD& error) {
  win32::ScopedFile file(
      CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) {
    error = GetLastError();
    return false;
  }
  std::string bytes(kLargestKeyFile + 1, '\0');
  DWORD got = 0;
  if (!ReadFile(file.Get(), bytes.data(), kLargestKeyFile + 1, &got, nullptr)) {
    error = GetLastError();
    return false;
  }
  bytes.resize(got);
  text = std::move(bytes);
  return true;
}

}  // namespace

SigningKeyRead ReadSigningKey(const char* iniPath, std::string& keyPath, PublisherPrivateKey& key,
                              std::string& failure) {
  keyPath.clear();
  IniDocument document;
  unsigned long readError = 0;
  if (!LoadIniFile(iniPath, document, readError)) {
    failure = IniReadErrorText(iniPath, readError);
    return SigningKeyRead::Failed;
  }
  const IniValue value = document.Value("Основные параметры", "КлючПодписи", "", kWorkBufferSize);
  if (!value.fits) {
    failure = "Значение ключа \"КлючПодписи\" содержит символы, которых нет в кодировке Windows-1251.";
    return SigningKeyRead::Failed;
  }
  if (value.text.empty()) return SigningKeyRead::NotSet;
  keyPath = SettingPath(value.text, FolderOf(iniPath));
  std::string text;
  DWORD error = 0;
  if (!ReadSmallFile(keyPath, text, error)) {
    failure = "Ошибка " + std::to_string(error) + " чтения файла ключа подписи \"" + keyPath + "\".";
    return SigningKeyRead::Failed;
  }
  if (!ParsePrivateKeyFile(text, key)) {
    failure = "Файл \"" + keyPath + "\" не является закрытым ключом издателя.";
    return SigningKeyRead::Failed;
  }
  return SigningKeyRead::Read;
}

bool SignListing(std::vector<std::uint8_t>& bytes, const PublisherPrivateKey& key, std::string& failure) {
  // The key's, digest's and signature's arrays are the system's own.
  win32::ScopedCngKey handle;
  const std::optional<Sha256Digest> digest = win32::Sha256Of(bytes.data(), bytes.size());
  ListingSignature signature{};
  NTSTATUS status = win32::ImportEcdsaPrivateKey(key, handle);
  if (win32::CngSucceeded(status) && digest) status = win32::SignDigest(handle.Get(), *digest, signature);
  if (!win32::CngSucceeded(status) || !digest) {
    failure = "Ошибка " + std::to_string(static_cast<unsigned long>(status)) + " подписи списка.";
    return false;
  }
  AppendListingSignature(bytes, signature);
  return true;
}
