#pragma once
// Reading the source and target trees into their snapshots through the
// platform's directory listing.
#include <string>

#include "model/snapshot.h"
#include "scan/directory_listing.h"

class SyncConfig;

// Lists `directoryPath` (a full path ending with a backslash) into `node`
// and recurses into its subdirectories, leaving out what the ignore list
// names (`relativePrefix`: the directory's path from the root, empty for the
// root, otherwise ending with a backslash). A subdirectory that was listed
// by its parent but cannot itself be listed is an error: it is logged and
// counted, and it is left out of both snapshots (its relative path joins the
// ignore list), so that nothing in it is copied or deleted on the strength
// of a picture that is not there. A linked subdirectory that leads back to
// the directory being listed or one above it is treated the same way (error
// 1921): following it would list the tree again at every level. A listing
// cut short by an error counts as one that could not be read. An item whose
// name the code page cannot hold is logged, counted and left out. Returns
// false when `directoryPath` itself could not be read whole; for the root
// that means the source cannot be read.
bool ScanSource(SyncConfig& config, DirNode* node, const std::string& directoryPath,
                const std::string& relativePrefix, DirectoryLister& lister = SystemLister());

// Lists the target along the skeleton cloned from the source: clears
// DIR_MISSING on each directory it can list, collects the files, and adds
// target-only directories as childless DIR_EXTRA nodes when they are to be
// removed (deletion on, or strictly synchronised). A directory that cannot
// be listed keeps DIR_MISSING and is treated as absent. A linked directory
// that the source also has is never entered: it is an error (4395) and is
// left out of both snapshots, so that nothing outside the target is copied
// over or deleted. A target-only link is a DIR_EXTRA node like any other,
// which the deletion removes as a link. A listing that began and was cut
// short is an error, and the directory is left out of both snapshots: no
// file may be deleted because a partial listing lacked it. An item whose
// name the code page cannot hold is logged and left out, and counted when
// the run would have deleted it; so is a name the file system takes for an
// earlier one of the same directory. Temporaries and aside files of
// earlier runs are noted in the configuration's leftovers for the run to
// deal with, and left out: a scan only reads. Returns false when the
// listing of `directoryPath` itself was cut short; for the root the run
// must stop.
bool ScanTarget(SyncConfig& config, DirNode* node, const std::string& directoryPath,
                const std::string& relativePrefix, DirectoryLister& lister = SystemLister());

// The system's code for a name the file system would take for another of
// the same directory.
constexpr std::uint32_t kNameRepeated = 183;  // ERROR_ALREADY_EXISTS

// One error line for a name of `directoryPath` (ending with a backslash)
// that the file system takes for an earlier one of the same directory,
// counted when the run would have had to act on it.
void ReportRepeatedName(SyncConfig& config, const std::string& directoryPath, const char* name,
                        bool runWouldAct);

// Leaves out of `source` each name the file system would take for an
// earlier one of its directory (a case-sensitive share can hold both),
// with an error line and count for each: the first one stays.
void LeaveOutRepeatedSourceNames(SyncConfig& config, DirNode* source);

// One error line for an item whose name the code page cannot hold
// (`directoryPath` ends with a backslash; the name shows such characters as
// "?"), counted when the run would have had to copy, update or delete it,
// so that a user's own such file does not fail every run.
void ReportUnrepresentableName(SyncConfig& config, const std::string& directoryPath,
                               const ListedItem& item, bool runWouldAct);
