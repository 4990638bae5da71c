#include "scan/listing_file.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>

#include "win32/cng.h"
#include "win32/handles.h"

namespace {

// Each byte of a listing becomes at least a byte of its tree in memory (a
// file's 22 to 277 bytes become a 288-byte entry, a directory's 10 to 265
// bytes a node of over 100): a file larger than the tree's budget is
// refused before it is read.
constexpr std::uint64_t kLargestListing = kListingMemoryBudget;

const char* ReasonFor(ListingProblem problem) {
  switch (problem) {
    case ListingProblem::Truncated:
      return "файл обрезан";
    case ListingProblem::NewerFormat:
      return "записан более новой версией программы";
    case ListingProblem::BadName:
      return "в нем недопустимое имя";
    case ListingProblem::RepeatedName:
      return "в нем повторяется имя";
    case ListingProblem::PathTooLong:
      return "в нем слишком длинный путь";
    case ListingProblem::TooLarge:
      return "слишком большой";
    case ListingProblem::Corrupt:
    case ListingProblem::None:
      break;
  }
  return "файл поврежден";
}

bool ReadWhole(HANDLE file, std::vector<std::uint8_t>& bytes) {
  std::size_t at = 0;
  while (at < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - at, 1u << 24));
    DWORD got = 0;
    if (!ReadFile(file, bytes.data() + at, chunk, &got, nullptr) || got == 0) return false;
    at += got;
  }
  return true;
}

// Renames the new listing over the old one. A workstation reading the old
// one holds it open for a moment; Windows lets the rename through (the
// reader shares deletion), Wine refuses it while any handle is open. The
// rename is tried again for a few seconds: readers hold it only for one read.
bool RenameIntoPlace(const std::string& temporary, const std::string& path, std::uint32_t& error) {
  constexpr int kTries = 300;
  for (int attempt = 0; attempt < kTries; ++attempt) {
    if (MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return true;
    }
    error = GetLastError();
    if (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) return false;
    Sleep(10);
  }
  return false;
}

// True when one of `keys` verifies the listing's signature of its bytes.
bool SignedByOneOf(const std::vector<PublisherPublicKey>& keys, const std::uint8_t* bytes,
                   const ParsedListing& parsed) {
  const std::optional<Sha256Digest> digest = win32::Sha256Of(bytes, parsed.signedSize);
  if (!digest) return false;
  // A publisher's key and a listing's signature are the system's arrays.
  for (const PublisherPublicKey& publisherKey : keys) {
    win32::ScopedCngKey key;
    if (win32::CngSucceeded(win32::ImportEcdsaPublicKey(publisherKey, key)) &&
        win32::VerifyDigest(key.Get(), *digest, parsed.signature)) {
      return true;
    }
  }
  return false;
}

}  // namespace

ListingRead ReadPublishedListing(const std::string& sourceDir, DirNode* root, const ListingTrust& trust,
                                 std::vector<Sha256Digest>* hashes) {
  ListingRead read;
  read.path = sourceDir + kListingFileName;
  // Shared for deletion: a publisher may rename a new listing over this one
  // while it is read; this handle keeps reading the old one whole.
  win32::ScopedFile file(CreateFileA(read.path.c_str(), GENERIC_READ,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                     OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file.Valid()) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return read;
    read.use = ListingUse::Refused;
    read.reason = "ошибка " + std::to_string(error) + " открытия файла";
    return read;
  }
  LARGE_INTEGER size;
  read.use = ListingUse::Refused;
  if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart < 0) {
    read.reason = ReasonFor(ListingProblem::Corrupt);
    return read;
  }
  if (static_cast<std::uint64_t>(size.QuadPart) > kLargestListing) {
    read.reason = ReasonFor(ListingProblem::TooLarge);
    return read;
  }
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size.QuadPart));
  if (!ReadWhole(file.Get(), bytes)) {
    read.reason = "ошибка " + std::to_string(GetLastError()) + " чтения файла";
    return read;
  }
  // The scan lists a directory as its path and "*.*", within the classic
  // limit (see directory_listing.cpp): a listing may name no directory the
  // scan could not have read from this workstation's source.
  ListingLimits limits;
  limits.longestDirectoryPath = static_cast<long>(MAX_PATH) - 1 - 3 - static_cast<long>(sourceDir.size());
  const ParsedListing parsed = ParseListing(bytes.data(), bytes.size(), root, limits, hashes);
  if (parsed.problem != ListingProblem::None) {
    read.reason = ReasonFor(parsed.problem);
    return read;
  }
  if (!trust.keys.empty()) {
    const char* refusal = nullptr;
    if (parsed.version != kSignedListingVersion) {
      refusal = "список не подписан";
    } else if (!SignedByOneOf(trust.keys, bytes.data(), parsed)) {
      refusal = "подпись не подходит ни к одному ключу издателя";
    }
    if (refusal != nullptr) {
      DestroySubtree(root);
      if (hashes != nullptr) hashes->clear();
      read.reason = refusal;
      return read;
    }
  }
  read.use = ListingUse::Used;
  read.published = parsed.published;
  return read;
}

bool WritePublishedListing(const std::string& sourceDir, const std::vector<std::uint8_t>& bytes,
                           std::uint32_t& error) {
  const std::string temporary = sourceDir + kListingTemporaryName;
  const std::string path = sourceDir + kListingFileName;
  bool written = false;
  {
    win32::ScopedFile file(CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) {
      error = GetLastError();
      return false;
    }
    std::size_t at = 0;
    written = true;
    while (written && at < bytes.size()) {
      const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - at, 1u << 24));
      DWORD put = 0;
      written = WriteFile(file.Get(), bytes.data() + at, chunk, &put, nullptr) && put == chunk;
      at += put;
    }
    written = written && FlushFileBuffers(file.Get());
    if (!written) error = GetLastError();
  }
  if (written && RenameIntoPlace(temporary, path, error)) return true;
  DeleteFileA(temporary.c_str());
  return false;
}

std::string LocalTimeText(FileTime time) {
  const FILETIME utc{time.low, time.high};
  FILETIME local;
  SYSTEMTIME parts;
  if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &parts)) return "?";
  char text[32];
  std::snprintf(text, sizeof(text), "%02u.%02u.%04u %02u:%02u:%02u", parts.wDay, parts.wMonth, parts.wYear,
                parts.wHour, parts.wMinute, parts.wSecond);
  return text;
}
