#pragma once
// Target files another program has open while the run replaces or removes
// them.
//
// A program running from the target, or a library one has loaded, may be
// renamed though not replaced or deleted (on Windows and under Wine alike).
// Such a file is renamed aside under a temporary's name beside it (see
// temporary_name.h), which frees its name for the new version: the program
// goes on running from the aside file, the next run removes that once
// nothing uses it any more, and no run ever takes it for a user's file.
//
// A file opened without sharing cannot even be renamed: it is tried again a
// few times, a moment apart, within one short budget for the whole run, so
// that many locked files cannot hold a run up for long.
#include <cstdint>
#include <string>

class SyncConfig;

// Renames the target file `path` to a new temporary name beside it, named in
// `aside`; never over anything. False, with the system's code in `error`,
// when the file cannot be renamed.
[[nodiscard]] bool MoveAside(const char* path, std::string& aside, std::uint32_t& error);

// Waits before try number `retriesSoFar` + 1 at a file held open without
// sharing. False, without waiting, once the file has had its retries or the
// run's budget is spent; false too when the run is stopped meanwhile.
[[nodiscard]] bool WaitToRetry(SyncConfig& config, unsigned retriesSoFar);

// The statistics log's lines for such files.
[[nodiscard]] std::string MovedAsideLine(const std::string& path, const std::string& aside);
[[nodiscard]] std::string RetriedLine(const std::string& path, unsigned retries);
