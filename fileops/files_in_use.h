#pragma once
// Target files another program has open while the run replaces or removes
// them.
//
// A program running from the target, or a library one has loaded, may be
// renamed though not replaced or deleted (on Windows and under Wine alike).
// Such a file is renamed aside under an aside name beside it (see
// temporary_name.h), which frees its name for the new version: the program
// goes on running from the aside file, the next run removes that once
// nothing uses it any more, and no run ever takes it for a user's file.
// Only a regular file is ever renamed aside: a directory where the source
// has a file refuses the rename with the same code as a running program's
// file, and it is the user's.
//
// A file opened without sharing cannot even be renamed: it is tried again a
// few times, a moment apart, within one short budget for the whole run, so
// that many locked files cannot hold a run up for long.
#include <cstdint>
#include <string>

class SyncConfig;

// What a file is renamed aside for: to be replaced by its new version (an
// aside name, which a later run moves back should the name be left free),
// or to be removed (a temporary's name: a leftover for a later run to
// remove, never to move back).
enum class AsideFor { Replacement, Removal };

// Renames the target file `path` to a new name beside it, named in `aside`;
// never over anything. False, with the system's code in `error`, when the
// file cannot be renamed (ERROR_FILENAME_EXCED_RANGE when its name leaves
// no room for the aside marker).
[[nodiscard]] bool MoveAside(const char* path, AsideFor purpose, std::string& aside, std::uint32_t& error);

// Waits before try number `retriesSoFar` + 1 at a file held open without
// sharing. False, without waiting, once the file has had its retries or the
// run's budget is spent; false too when the run is stopped meanwhile.
[[nodiscard]] bool WaitToRetry(SyncConfig& config, unsigned retriesSoFar);

// Removes an aside file that holds a read-only file's old version. Where
// the system can delete a read-only file as it is, it does; elsewhere the
// attribute is cleared first, but only on a file with no other hard link
// (the attribute belongs to the file, not to the name: cleared through
// this name, it would be cleared for the other names too). A file with
// other links stays, and the statistics log says so.
void RemoveReadOnlyAside(const std::string& aside);

// The statistics log's lines for such files.
[[nodiscard]] std::string MovedAsideLine(const std::string& path, const std::string& aside);
[[nodiscard]] std::string RetriedLine(const std::string& path, unsigned retries);
[[nodiscard]] std::string KeptHardLinkLine(const std::string& aside);
// Said of an aside file a run moved back into its free name.
[[nodiscard]] std::string MovedBackLine(const std::string& aside, const std::string& path);
// Added to a copy's error line when the old version could be neither kept
// under its name nor moved back: where it is now.
[[nodiscard]] std::string KeptAsideText(const std::string& aside);
