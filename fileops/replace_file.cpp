#include "fileops/replace_file.h"

#include <windows.h>

#include <string>

#include "fileops/checked_copy.h"
#include "fileops/files_in_use.h"
#include "fileops/long_path_copy.h"
#include "log/logs.h"
#include "model/temporary_name.h"
#include "win32/handles.h"

namespace {

// Makes a new empty file beside `path` under a temporary name nothing uses
// yet (created new, never opened over an existing file) and returns it.
bool MakeFileBeside(const std::string& path, std::string& made, DWORD& error) {
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    made = TemporaryNameFor(path, GetCurrentProcessId(), attempt);
    win32::ScopedFile file(CreateFileW(ExtendedWidePath(made.c_str()).c_str(), GENERIC_WRITE, 0,
                                       nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.Valid()) return true;
    error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return false;
  }
  return false;
}

// Removes a temporary of the run's own. A copy carries the source's
// read-only attribute over, and Windows refuses to delete a read-only file:
// the attribute is cleared first then (the temporary was made new, so it is
// no link). The caller's error code is kept.
void RemoveMade(const std::wstring& made) {
  const DWORD error = GetLastError();
  if (!DeleteFileW(made.c_str()) && SetFileAttributesW(made.c_str(), FILE_ATTRIBUTE_NORMAL)) {
    DeleteFileW(made.c_str());
  }
  SetLastError(error);
}

// Copies `source` to a new temporary beside `target`, named in `made`. The
// copy itself creates the temporary (CREATE_NEW, as COPY_FILE_FAIL_IF_EXISTS
// opens it): one open fewer than an empty file made first, and the copy
// gives the new file the source's attributes as it does to any new file. A
// name already taken is never written: the next attempt is tried. `error`:
// the system's code for the failed copy. Whatever the failed copy left is
// removed (Wine leaves a partial file behind; Windows removes it
// itself). A file that stood under the name before a copy failed at its
// source would go too: it has the exact temporary name with this process's
// id, which makes it a leftover of a run, as the target scan takes it.
//
// `hashed`: the copy hashes what it reads (see checked_copy.h), giving the
// digest and the count of bytes there, and the new file the time asked
// for; null for the system's copy.
struct HashedCopy {
  const FileTime* lastWriteTime = nullptr;
  Sha256Digest digest{};
  std::uint64_t bytes = 0;
};

bool CopyBeside(const SyncConfig& config, const char* source, const char* target, std::string& made,
                DWORD& error, HashedCopy* hashed) {
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    made = TemporaryNameFor(target, GetCurrentProcessId(), attempt);
    const bool copied = hashed != nullptr
                            ? CopyFileHashing(config, source, made.c_str(), hashed->lastWriteTime, hashed->digest,
                                              hashed->bytes)
                            : CopyFileLongPath(config, source, made.c_str(), true);
    if (copied) return true;
    error = GetLastError();
    if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;  // someone else's
    RemoveMade(ExtendedWidePath(made.c_str()));  // keeps the copy's code
    return false;
  }
  return false;
}

// A rename over a file that another program holds open is refused as
// "access denied"; the code that says what is wrong is "in use", which an
// open for deletion alone (nothing read or written) reports.
DWORD ExplainDenied(const std::wstring& target) {
  win32::ScopedFile probe(CreateFileW(target.c_str(), DELETE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS,
                                      nullptr));
  if (!probe.Valid() && GetLastError() == ERROR_SHARING_VIOLATION) return ERROR_SHARING_VIOLATION;
  return ERROR_ACCESS_DENIED;
}

// Clears the read-only bit of a file that has no other hard link (cleared
// through one name, the bit would be gone for every name of the file).
bool ClearReadOnlyOfSingleLink(const std::wstring& path, DWORD attributes) {
  {
    win32::ScopedFile file(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                       OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!file.Valid() || !GetFileInformationByHandle(file.Get(), &info) || info.nNumberOfLinks != 1) return false;
  }
  return SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY) != FALSE;
}

// Renames `made` over `target`; on failure removes `made` again.
//
// Windows refuses to replace a read-only file, and a file another program
// has open (see files_in_use.h), with "access denied"; so it refuses a
// directory standing where the source has a file. Only a target the
// picture showed as a regular file (`pictureIsFile`), and that is no
// directory when the rename fails, is ever renamed aside: a directory is
// the user's, and the failure is the copy's.
//
// A read-only file is renamed aside, `made` put in its place and the aside
// file removed (RemoveReadOnlyAside): the attribute is never cleared
// through the target's name, which may be one of several hard links. A
// file in use, for a run (`run` set): renamed aside when the system allows
// it, `made` then renamed into the freed name; otherwise tried again while
// the run's budget lasts. Each such file gets one line in the statistics
// log. Without a run (leftovers of earlier runs) nothing is renamed aside
// or waited for, so removing an aside file can never make another one; a
// read-only leftover loses its bit first when it has no other link.
//
// A file being removed (`purpose`) is renamed aside under a temporary's
// name: a leftover for a later run to remove once it is free, never one to
// move back. When `made` cannot take the freed name and the old file cannot
// be moved back either, `keptAside` names where the old file is.
bool RenameOver(SyncConfig* run, const std::string& made, const char* target, AsideFor purpose,
                bool pictureIsFile, bool targetIsLink, DWORD& error, std::string& keptAside) {
  const std::wstring wideMade = ExtendedWidePath(made.c_str());
  const std::wstring wideTarget = ExtendedWidePath(target);
  unsigned retries = 0;
  bool renamed = false;
  DWORD clearedReadOnly = 0;  // the attributes a leftover had before its read-only bit was cleared
  for (;;) {
    if (MoveFileExW(wideMade.c_str(), wideTarget.c_str(), MOVEFILE_REPLACE_EXISTING)) {
      renamed = true;
      break;
    }
    error = GetLastError();
    if (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) break;
    const DWORD now = GetFileAttributesW(wideTarget.c_str());
    if (!pictureIsFile || (now != INVALID_FILE_ATTRIBUTES && (now & FILE_ATTRIBUTE_DIRECTORY))) break;
    const bool readOnly = now != INVALID_FILE_ATTRIBUTES && (now & FILE_ATTRIBUTE_READONLY) &&
                          !(now & FILE_ATTRIBUTE_REPARSE_POINT) && !targetIsLink;
    if (readOnly && run == nullptr) {
      if (!clearedReadOnly && ClearReadOnlyOfSingleLink(wideTarget, now)) {
        clearedReadOnly = now;
        continue;
      }
      break;
    }
    if (!readOnly && error == ERROR_ACCESS_DENIED) error = ExplainDenied(wideTarget);
    if (run == nullptr || (!readOnly && error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION)) break;
    std::string aside;
    std::uint32_t asideError = 0;
    if (MoveAside(target, purpose, aside, asideError)) {
      if (MoveFileExW(wideMade.c_str(), wideTarget.c_str(), 0)) {
        renamed = true;
        if (readOnly) {
          RemoveReadOnlyAside(aside);
        } else {
          StatsLog() << MovedAsideLine(target, aside) << EndLine;
          // Gone now unless still in use; else a later run removes it.
          std::uint32_t ignored = 0;
          (void)RemoveTargetFile(nullptr, aside.c_str(), targetIsLink ? FILE_ATTRIBUTE_REPARSE_POINT : 0, ignored);
        }
        break;
      }
      error = GetLastError();
      if (!MoveFileExW(ExtendedWidePath(aside.c_str()).c_str(), wideTarget.c_str(), 0)) keptAside = aside;
      break;
    }
    if (asideError != ERROR_SHARING_VIOLATION || !WaitToRetry(*run, retries)) {
      if (readOnly) error = asideError;
      break;
    }
    ++retries;
  }
  if (retries != 0) StatsLog() << RetriedLine(target, retries) << EndLine;
  if (!renamed) {
    if (clearedReadOnly != 0) SetFileAttributesW(wideTarget.c_str(), clearedReadOnly);
    RemoveMade(wideMade);
  }
  return renamed;
}

// Renames `made` to `target` only if nothing stands there. False with
// `taken` set when something does; otherwise `made` is removed on failure.
bool RenameIntoFreeName(const std::string& made, const char* target, bool& taken, DWORD& error) {
  const std::wstring wideMade = ExtendedWidePath(made.c_str());
  taken = false;
  if (MoveFileExW(wideMade.c_str(), ExtendedWidePath(target).c_str(), 0)) return true;
  error = GetLastError();
  taken = error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS;
  if (!taken) RemoveMade(wideMade);
  return false;
}

bool IsLink(std::uint32_t attributes) { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }

// 0 when a copy of `size` bytes is whole, else the code it is reported
// with (see TornCopyError).
DWORD SizeError(std::uint64_t size, std::uint64_t sourceSize) {
  if (sourceSize == kSizeNotKnown || size == sourceSize) return 0;
  return size < sourceSize ? ERROR_HANDLE_EOF : ERROR_FILE_INVALID;
}

// Whether the temporary `made` holds as many bytes as the source had: 0
// when it does, else the code its failure is reported with. A share that
// drops the connection part-way through a file, a byte range locked on the
// server, a file cut short while it is read: under Wine the system's copy
// stops reading at the first failed read and still reports success, and on
// any system a file shortened under the copy ends it early (one written on
// the server since it was listed differs too, and may be half written).
// Only the size tells such a copy from a whole one, and a torn file put in
// place would carry the source's time, so no later run would see that it
// differs. One question about a local file, not the share.
//
// The system has no code for a torn copy: a copy that came out short is
// reported as ERROR_HANDLE_EOF (the source ended before the bytes the run
// found in it), a longer one as ERROR_FILE_INVALID (the file was changed
// under the run).
DWORD TornCopyError(const std::string& made, std::uint64_t sourceSize) {
  if (sourceSize == kSizeNotKnown) return 0;
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(ExtendedWidePath(made.c_str()).c_str(), GetFileExInfoStandard, &data)) {
    return GetLastError();
  }
  return SizeError((static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow, sourceSize);
}

// Writes the temporary `made` through to the disk: 0 when done, else the
// system's code. A rename is a change to the directory that the file
// system journals, and it may reach the disk before the new file's data
// does: after a power cut the final name could hold a file of the right
// size full of zeros, or an empty one, where the old file stood. Flushed
// first, the name holds the old file or the new one, whole.
//
// Nothing here can show it: only a power cut tells a flushed file from one
// that is not (under Wine the flush is an fsync of the Linux file, and what
// it costs there says nothing of what it costs on NTFS).
//
// The copy gives the temporary the source's attributes, and a read-only
// file cannot be opened for writing: the bit is cleared for the flush and
// set again (the temporary is the run's own new file, no link).
DWORD FlushMade(const std::string& made) {
  const std::wstring wideMade = ExtendedWidePath(made.c_str());
  const DWORD attributes = GetFileAttributesW(wideMade.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return GetLastError();
  const bool readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
  if (readOnly && !SetFileAttributesW(wideMade.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY)) {
    return GetLastError();
  }
  DWORD error = 0;
  {
    win32::ScopedFile file(CreateFileW(wideMade.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file.Valid() || !FlushFileBuffers(file.Get())) error = GetLastError();
  }
  if (readOnly && !SetFileAttributesW(wideMade.c_str(), attributes) && error == 0) error = GetLastError();
  return error;
}

// Whether a new file (one that takes a free name) is flushed too: not. A
// power cut there loses no old file, only the new one, and a file left
// short or empty has another size than the source's, which the next run
// copies again (one left full-length but zero-filled is not caught). The
// flush is a wait for the disk per file: measured under Wine on Linux
// (bench, 20,000-file tree, three builds interleaved, pinned to one CPU) a
// first copy took 38.2 s flushing every file against 16.1 s flushing
// none, while flushing only replacements left the 1% update where it was
// (2.0 s against 2.1 s). An fsync on Linux is not a flush on NTFS, so the
// figures say only that the cost is a disk wait per file, not its size on
// Windows.
constexpr bool kFlushNewFiles = false;

}  // namespace

CopyOutcome CopyIntoPlace(SyncConfig& config, const char* source, const char* target,
                          std::uint64_t sourceSize, bool targetExists, bool targetIsLink, bool onlyIfAbsent,
                          std::uint32_t& error, std::string& keptAside, ReleasedFile release) {
  DWORD code = 0;
  std::string made;
  // A signed release's file is hashed as the copy reads it: whatever the
  // share gave, only what the publisher signed is put in place.
  HashedCopy hashed;
  hashed.lastWriteTime = release.lastWriteTime;
  const bool checked = release.hash != nullptr;
  if (!CopyBeside(config, source, target, made, code, checked ? &hashed : nullptr)) {
    error = code;
    return CopyOutcome::Failed;
  }
  // Bytes that are not the release's, whatever their count: the file on
  // the share is not the one that was signed.
  if (checked && hashed.digest != *release.hash) {
    RemoveMade(ExtendedWidePath(made.c_str()));
    error = 0;
    return CopyOutcome::NotReleased;
  }
  // The copy itself failed, though the system said it did not. A hashing
  // copy counted the bytes it wrote; the system's copy is asked.
  const DWORD torn = checked ? SizeError(hashed.bytes, sourceSize) : TornCopyError(made, sourceSize);
  if (torn != 0) {
    RemoveMade(ExtendedWidePath(made.c_str()));
    error = torn;
    return CopyOutcome::Failed;
  }
  bool flushed = false;
  if (!targetExists) {
    if (kFlushNewFiles) {
      if (const DWORD failed = FlushMade(made); failed != 0) {
        RemoveMade(ExtendedWidePath(made.c_str()));
        error = failed;
        return CopyOutcome::Failed;
      }
      flushed = true;
    }
    bool taken = false;
    if (RenameIntoFreeName(made, target, taken, code)) return CopyOutcome::Copied;
    if (!taken) {
      error = code;
      return CopyOutcome::Failed;
    }
    if (onlyIfAbsent) {
      RemoveMade(ExtendedWidePath(made.c_str()));
      return CopyOutcome::NameTaken;
    }
  }
  // The copy now replaces a file: its bytes reach the disk before its name
  // does, so the old file is never traded for a torn one.
  if (!flushed) {
    if (const DWORD failed = FlushMade(made); failed != 0) {
      RemoveMade(ExtendedWidePath(made.c_str()));
      error = failed;
      return CopyOutcome::Failed;
    }
  }
  // Only a file the listing showed is ever renamed aside: a name taken
  // since then may be anything, a directory included.
  const bool renamed =
      RenameOver(&config, made, target, AsideFor::Replacement, targetExists, targetIsLink, code, keptAside);
  error = renamed ? 0 : code;
  return renamed ? CopyOutcome::Copied : CopyOutcome::Failed;
}

bool RemoveTargetFile(SyncConfig* run, const char* path, std::uint32_t attributes, std::uint32_t& error) {
  DWORD code = 0;
  std::string made;
  std::string keptAside;  // a file being removed is renamed aside as a leftover, never to go back
  const bool isFile = (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
  if (!MakeFileBeside(path, made, code) ||
      !RenameOver(run, made, path, AsideFor::Removal, isFile, IsLink(attributes), code, keptAside)) {
    error = code;
    return false;
  }
  // Now an ordinary empty file of the run's own.
  if (DeleteFileW(ExtendedWidePath(path).c_str())) return true;
  error = GetLastError();
  return false;
}
