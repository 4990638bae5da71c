#pragma once
// The in-memory picture of a directory tree that a run builds for the
// source and for the target: a first-child / next-sibling tree of
// directories, each with the files its listing returned. Plain data: the
// scanner fills it from the platform's listing records.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/limits.h"
#include "model/sha256_digest.h"

// A file's last-write time as the platform gives it: 100-nanosecond units
// since 1601, in two halves.
struct FileTime {
  std::uint32_t low = 0;
  std::uint32_t high = 0;
};

constexpr std::size_t kFileNameSize = 260;

// One file of a directory listing. Nothing else is kept per file.
struct FileEntry {
  std::uint32_t attributes = 0;  // the platform's attribute bits
  FileTime lastWriteTime;
  // Where the release's hash of the file stands in the run's list of them
  // (kNoHash: none). In the room the size's alignment leaves: no byte more.
  std::uint32_t hashIndex = kNoHash;
  std::uint64_t size = 0;        // in bytes, as listed
  char name[kFileNameSize] = {};  // the long name, no path
  bool isNew = false;             // the target has no file of that name
  bool targetIsLink = false;      // the target's file of that name is a link
  bool onlyIfAbsent = false;      // copied only where the target has no such file
};

constexpr std::uint32_t kAttributeReadOnly = 0x1;
constexpr std::uint32_t kAttributeDirectory = 0x10;
constexpr std::uint32_t kAttributeReparsePoint = 0x400;  // a link

// Directory flags.
constexpr std::uint32_t DIR_EXTRA = 1;    // only in the target: remove it whole
constexpr std::uint32_t DIR_MISSING = 2;  // not known to exist in the target

// One directory: in a snapshot its own name ("." for the root), in a work
// list its relative path from the root (".", ".\Модули", ".\Модули\x").
// The name is held at its own length (at most kPathSize - 1 characters): a
// tree of a million directories must not cost a path buffer each.
struct DirRecord {
  std::string name;
  std::vector<FileEntry> entries;  // in listing order
  std::uint32_t flags = 0;

  DirRecord() = default;
  explicit DirRecord(const char* recordName);

  void SetFlags(std::uint32_t mask) { flags |= mask; }
  void ClearFlags(std::uint32_t mask) { flags &= ~mask; }
  // True only when every bit of `mask` is set.
  [[nodiscard]] bool HasFlags(std::uint32_t mask) const { return (flags & mask) == mask; }
};

// A node of a snapshot. A node owns its record, its first child and, through
// the chain, its following siblings.
struct DirNode {
  DirRecord record;
  DirNode* nextSibling = nullptr;
  DirNode* firstChild = nullptr;
  DirNode* lastChild = nullptr;  // end of the child chain, for appending in O(1)

  explicit DirNode(const char* name) : record(name) {}
  DirNode(const DirNode&) = delete;
  DirNode& operator=(const DirNode&) = delete;
};

// Frees the node's children and its following siblings with everything
// below them, then empties its record; the node itself stays to the caller.
void DestroySubtree(DirNode* node);

// Owns a whole snapshot: destroying it frees every node.
struct DirNodeDeleter {
  void operator()(DirNode* node) const;
};
using DirSnapshot = std::unique_ptr<DirNode, DirNodeDeleter>;

// A new snapshot root named ".".
DirSnapshot CreateSnapshot();

// A new node with no links and a record named `name`.
DirNode* CreateNode(const char* name);

// Appends `child` at the end of `parent`'s children; returns `child`.
DirNode* AppendChild(DirNode* parent, DirNode* child);

// The first child of `node` whose name the file system takes for `name`
// (NamesMatch, model/name_fold.h), or null.
[[nodiscard]] DirNode* FindChild(DirNode* node, const char* name);

// Unlinks `child` from `parent`'s children and frees it with its subtree.
void RemoveChild(DirNode* parent, DirNode* child);

// For each child of `sourceParent`, in order: appends a node of the same name
// to `targetParent`, marks both DIR_MISSING and recurses. Files are not
// copied; the parents' own flags are not touched.
void CloneStructure(DirNode* targetParent, DirNode* sourceParent);

// Names match when equal after folding A-Z to a-z; every other byte,
// Cyrillic letters included, must be identical. (Executable paths compare
// so; names in the snapshots compare as the file system does, NamesMatch.)
[[nodiscard]] bool NamesMatchAscii(const char* a, const char* b) noexcept;

// The first entry of `record` whose name the file system takes for `name`, or null.
[[nodiscard]] FileEntry* FindEntry(DirRecord& record, const char* name);
