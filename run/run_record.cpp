#include "run/run_record.h"

#include <windows.h>

#include <cstdio>

#include "config/sync_config.h"
#include "log/logs.h"
#include "velkarin_version.h"
#include "win32/append_line.h"

namespace {

// A field never holds the record's own separators.
std::string Field(std::string text) {
  for (char& c : text) {
    if (c == '\t' || c == '\r' || c == '\n') c = ' ';
  }
  return text;
}

std::string DateTimeText(const SYSTEMTIME& t) {
  char text[32];
  std::snprintf(text, sizeof(text), "%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour,
                t.wMinute, t.wSecond);
  return text;
}

std::string LocalDateTimeOf(FileTime time) {
  const FILETIME utc{time.low, time.high};
  FILETIME local;
  SYSTEMTIME parts;
  if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &parts)) return "?";
  return DateTimeText(parts);
}

std::string SourceOriginText(const SyncConfig& config) {
  switch (config.sourceOrigin) {
    case SyncConfig::SourceOrigin::Listing:
      return "список " + LocalDateTimeOf(config.listingPublished);
    case SyncConfig::SourceOrigin::Scan:
      return "сканирование";
    case SyncConfig::SourceOrigin::NotRead:
      break;
  }
  return "-";
}

std::string UserName() {
  char name[257];
  DWORD size = sizeof(name);
  return GetUserNameA(name, &size) ? std::string(name) : std::string("?");
}

}  // namespace

RunRecord::RunRecord(const char* iniPath) : iniPath_(iniPath), startTicks_(GetTickCount64()) {}

void RunRecord::Append(const SyncConfig& config, ExitCode code, bool quietly) const {
  if (config.runRecordFile.empty()) return;
  SYSTEMTIME now;
  GetLocalTime(&now);
  const std::uint64_t tenths = (GetTickCount64() - startTicks_) / 100;
  const std::string fields[] = {
      DateTimeText(now),
      UserName(),
      VELKARIN_VERSION_STRING,
      iniPath_,
      SourceOriginText(config),
      std::to_string(static_cast<int>(code)),
      std::to_string(config.filesCopied),
      std::to_string(config.itemsDeleted),
      std::to_string(config.errorCount),
      std::to_string(tenths / 10) + "." + std::to_string(tenths % 10),
      ErrorLog().FirstLine(),
  };
  std::string line;
  for (const std::string& field : fields) {
    if (!line.empty()) line += '\t';
    line += Field(field);
  }
  line += "\r\n";
  std::uint32_t error = 0;
  if (AppendWholeLine(config.runRecordFile, line, error) || quietly) return;
  StatsLog() << "журнал запусков \"" << config.runRecordFile << "\" не записан: ошибка " << error << EndLine;
}
