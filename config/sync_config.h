#pragma once
// The one object of a run: every setting of the ini file, the rule lists,
// and the run state shared by the engine, the file operations and the
// progress window. Filled on the main thread before the worker starts; the
// destructor closes both logs and removes those that stayed empty.
#include <cstdint>
#include <string>
#include <vector>

#include "config/check_pair.h"
#include "config/publisher_key.h"
#include "model/limits.h"
#include "model/sha256_digest.h"
#include "model/snapshot.h"
#include "win32/run_lock.h"

// A file an earlier run left in the target (see model/temporary_name.h):
// found by the target scan, dealt with by the run before it acts on
// anything else, never by a scan or a preview.
struct LeftoverFile {
  std::string path;             // full path
  std::uint32_t attributes = 0;  // as listed
  // An aside file whose original name is free: that name, to move it back
  // to. Empty for a temporary, and for an aside file whose original stands.
  std::string moveBackTo;
};

struct HWND__;  // the progress window's handle type, without <windows.h>
class RunControl;

class SyncConfig {
 public:
  SyncConfig();
  ~SyncConfig();
  SyncConfig(const SyncConfig&) = delete;
  SyncConfig& operator=(const SyncConfig&) = delete;

  // Reads the ini file at `iniPath`, creating the target directory and
  // opening the logs there on the way. False when the configuration is not
  // usable; the reason has been shown or logged already. Directory creation
  // failures are thrown as DirectoryCreationError.
  [[nodiscard]] bool ReadConfiguration(const char* iniPath);
  // The same reading, for a look without a run: the target directory is
  // neither created nor given logs, and nothing else is written.
  [[nodiscard]] bool ReadConfigurationOnly(const char* iniPath);

  bool clearReadOnly = true;     // СниматьReadOnly
  bool deleteUnneeded = false;   // УдалятьНенужныеФайлы
  bool askOnError = true;        // ВопросПриОшибке
  bool writeStatistics = false;  // ВыводитьСтатистикуСинхронизации
  char runCommand[kPathSize] = {};        // Выполнить, as written
  char runArguments[kPathSize] = {};      // КоманднаяСтрока, as written
  char runningCheckName[kPathSize] = {};  // ПроверятьЗапущеноЛиУже, as written
  bool updateListInForce = false;  // [Обновлять] holds at least one entry
  char sourceDir[kPathSize] = {};  // КаталогИсточник in full form, ends with "\"
  char targetDir[kPathSize] = {};  // КаталогПриемник expanded, in full form, ends with "\"
  DirSnapshot sourceSnapshot;      // the run's pictures of both trees
  DirSnapshot targetSnapshot;
  std::vector<DirRecord> sourceWorkList;  // directories to create, files to copy
  std::vector<DirRecord> targetWorkList;  // directories and files to remove

  std::vector<std::string> ignoreList;        // [Игнорировать]
  std::vector<std::string> skipExistingList;  // [Пропустить существующие]
  std::vector<std::string> cutList;           // [Вырезать]
  std::vector<std::string> updateList;        // [Обновлять]
  std::vector<std::string> strictList;        // [СтрогоСинхронизировать]
  std::int32_t errorCount = 0;                // errors of the run; 0 is success
  std::vector<CheckPair> checkPairs;          // [Проверить пары]
  bool longPathCapable = false;  // the system takes extended-length paths
  HWND__* progressWindowHandle = nullptr;  // where status texts go, if set
  RunControl* runControl = nullptr;        // the window's pause and stop, if set
  bool usePublishedListing = true;  // ИспользоватьСписокИсточника: read the source's listing if any
  bool sourceFromListing = false;   // this run's source snapshot came from the listing
  // Full paths of the program's logs, ini file and executable: never
  // deleted or overwritten by the run.
  std::vector<std::string> ownFiles;
  // What is left of the run's time for waiting on target files that other
  // programs hold open, and the tries each may have (ОжиданиеЗанятыхФайлов;
  // see fileops/files_in_use.h).
  std::uint32_t inUseWaitLeftMs = 3000;
  unsigned inUseRetriesPerFile = 4;
  // Temporaries and aside files of earlier runs that the target scan found.
  std::vector<LeftoverFile> leftovers;
  // The run's hold on its target, released last; the target's name for
  // the lock; and whether another run holds it (the configuration is then
  // read without logs, and nothing may be run).
  TargetRunLock targetRunLock;
  std::wstring targetKey;
  bool anotherRunOnTarget = false;
  bool heldByUnattendedRun = false;  // that other run is unattended ("/s")
  bool configurationRead = false;  // every setting was read and none refused

  // "/s": no window, no box, and the client is never started.
  bool unattended = false;
  // "/v": repair against the signed release (run/repair.h): the target
  // files it hashed, and those not the release's bytes.
  bool repair = false;
  // Read for a look without a run ("/l"): nothing may be written.
  bool lookOnly = false;
  std::uint32_t repairChecked = 0;
  std::uint32_t repairDamaged = 0;
  // The run record: "<computer name>.log" in the ЖурналЗапусков folder
  // (environment variables expanded; a relative folder lies in the target);
  // empty for none. One of the program's own files.
  std::string runRecordFile;
  // ЗапускПриНедоступномИсточнике: a source that cannot be reached starts
  // the installed client, without a question.
  bool startWhenSourceAway = false;
  // КлючИздателя: the publisher's public keys. With them a run reads the
  // source only from a listing one of them signed, and keeps its hashes.
  std::vector<PublisherPublicKey> publisherKeys;
  std::vector<Sha256Digest> sourceHashes;

  // What the run found and did, for the exit code and the run record.
  bool sourceUnreachable = false;  // the source check failed
  bool acted = false;              // the plan was whole and the act phase began
  std::uint32_t filesCopied = 0;
  std::uint32_t itemsDeleted = 0;  // files and directories
  // Where the source's picture came from, and the listing's publish time.
  enum class SourceOrigin { NotRead, Listing, Scan } sourceOrigin = SourceOrigin::NotRead;
  FileTime listingPublished;

  // The worker's safe point: waits while the user is asked whether to
  // abort; true when the run must stop now.
  [[nodiscard]] bool StopRequested() const;
  // True once the run was stopped, without waiting.
  [[nodiscard]] bool Stopped() const;
};
