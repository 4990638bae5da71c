#include "run/make_key.h"

#include <windows.h>

#include <string>

#include "config/publisher_key.h"
#include "model/limits.h"
#include "model/temporary_name.h"
#include "win32/cng.h"
#include "win32/handles.h"
#include "win32/message_box.h"

namespace {

constexpr const char* kNotMade = "Ключи издателя не созданы.\n";

void Refuse(const std::string& reason) { ShowProgramBox((kNotMade + reason).c_str(), MB_OK | MB_ICONERROR); }

// The folder's path as it is shown and joined to: the current directory for
// an empty argument, the argument otherwise, without a trailing backslash
// unless that is all a drive's root has.
bool FolderPath(const char* argument, std::string& folder) {
  if (argument[0] == '\0') {
    char current[kPathSize];
    const DWORD length = GetCurrentDirectoryA(kPathSize, current);
    if (length == 0 || length >= kPathSize) return false;
    folder = current;
  } else {
    folder = argument;
  }
  return true;
}

std::string Joined(const std::string& folder, const char* name) {
  if (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) return folder + name;
  return folder + "\\" + name;
}

// True when nothing at all answers to `path`; `error` says otherwise why
// not (0 when something is there).
bool NothingAt(const std::string& path, DWORD& error) {
  if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
    error = 0;
    return false;
  }
  error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND;
}

// Writes `text` to a temporary beside `path`, flushed, then renames it to
// `path`, so the name never stands for half a key. The rename does not
// replace: a file that appeared under the name meanwhile stays as it was.
// 0 on success, the system's error code otherwise (no temporary left).
DWORD WriteWholeNewFile(const std::string& path, const std::string& text) {
  std::string temporary;
  win32::ScopedFile file;
  for (unsigned attempt = 0; attempt < 100 && !file; ++attempt) {
    temporary = TemporaryNameFor(path, GetCurrentProcessId(), attempt);
    file.Reset(CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file && GetLastError() != ERROR_FILE_EXISTS) break;
  }
  if (!file) return GetLastError();
  DWORD written = 0;
  const bool complete = WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                        written == text.size() && FlushFileBuffers(file.Get());
  DWORD error = complete ? 0 : GetLastError();
  // A short write with no error of its own still leaves half a key.
  if (!complete && error == 0) error = ERROR_WRITE_FAULT;
  file.Reset();
  if (complete && !MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH)) error = GetLastError();
  if (error != 0) DeleteFileA(temporary.c_str());
  return error;
}

std::string ErrorWritingText(DWORD error, const std::string& path) {
  return "Ошибка " + std::to_string(error) + " при записи файла \"" + path + "\".";
}

std::string CryptographyErrorText(NTSTATUS status) {
  char code[16];
  wsprintfA(code, "0x%08lX", static_cast<unsigned long>(status));
  return std::string("Ошибка ") + code + " системы шифрования.";
}

}  // namespace

bool MakePublisherKeys(const char* folderArgument) {
  std::string folder;
  if (!FolderPath(folderArgument, folder)) {
    Refuse("Не удалось определить текущий каталог.");
    return false;
  }
  const DWORD attributes = GetFileAttributesA(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    const DWORD error = attributes == INVALID_FILE_ATTRIBUTES ? GetLastError() : ERROR_DIRECTORY;
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_DIRECTORY) {
      Refuse("Папка \"" + folder + "\" не найдена.");
    } else {
      Refuse("Ошибка " + std::to_string(error) + " доступа к папке \"" + folder + "\".");
    }
    return false;
  }
  const std::string privatePath = Joined(folder, kPrivateKeyFileName);
  const std::string publicPath = Joined(folder, kPublicKeyFileName);
  for (const std::string* path : {&privatePath, &publicPath}) {
    DWORD error = 0;
    if (NothingAt(*path, error)) continue;
    Refuse(error == 0 ? "Файл \"" + *path + "\" уже существует."
                      : "Ошибка " + std::to_string(error) + " доступа к файлу \"" + *path + "\".");
    return false;
  }

  win32::ScopedCngKey key;
  PublisherPublicKey publicKey{};
  PublisherPrivateKey privateKey{};
  NTSTATUS status = win32::MakeEcdsaKeyPair(key);
  if (win32::CngSucceeded(status)) status = win32::ExportEcdsaPublicKey(key.Get(), publicKey);
  if (win32::CngSucceeded(status)) status = win32::ExportEcdsaPrivateKey(key.Get(), privateKey);
  if (!win32::CngSucceeded(status)) {
    SecureZeroMemory(privateKey.data(), privateKey.size());
    Refuse(CryptographyErrorText(status));
    return false;
  }
  std::string privateText = FormatPrivateKeyFile(privateKey);
  SecureZeroMemory(privateKey.data(), privateKey.size());
  const DWORD privateError = WriteWholeNewFile(privatePath, privateText);
  SecureZeroMemory(&privateText[0], privateText.size());
  if (privateError != 0) {
    Refuse(ErrorWritingText(privateError, privatePath));
    return false;
  }
  const std::string publicText = FormatPublicKeyFile(publicKey);
  const DWORD publicError = WriteWholeNewFile(publicPath, publicText);
  if (publicError != 0) {
    // A private key without its public one is of no use to anyone, and
    // would stand in the way of the next try: this run made it a moment
    // ago, so it goes again.
    DeleteFileA(privatePath.c_str());
    Refuse(ErrorWritingText(publicError, publicPath));
    return false;
  }
  const std::string line = publicText.substr(0, publicText.size() - 2);
  const std::string text = "Ключи издателя созданы:\n" + privatePath +
                           " - закрытый ключ, храните его у себя и не кладите в общую папку\n" + publicPath +
                           " - открытый ключ, его строку впишите в ini-файлы рабочих мест: КлючИздателя=" + line;
  ShowProgramBox(text.c_str(), MB_OK | MB_ICONINFORMATION);
  return true;
}
