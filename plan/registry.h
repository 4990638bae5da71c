#pragma once
// The synchronisation registry: the two snapshots pruned by the rule lists,
// compared, and flattened into the work lists the plan is made from.
#include <string>
#include <vector>

#include "config/check_pair.h"
#include "model/snapshot.h"

// Keeps in the source and target subtrees only what [Обновлять] names:
// files not listed are erased on both sides, listed directories are kept
// whole. `source` and `target` are one directory seen from each side (either
// may be null); their children are paired by name in listing order, which
// is how CloneStructure laid the target's children out. Every directory
// with nothing listed at or below it on either side is appended to
// `ignoreList` by its relative path, so that the ignore step removes it from
// both snapshots. A listed file counts on whichever side holds it: a file
// only the source has is still to be added, one only the target has still
// to be deleted. True when something at or below the pair is listed.
bool FilterByUpdateList(DirNode* source, DirNode* target, const std::string& relativePrefix,
                        const std::vector<std::string>& updateList,
                        std::vector<std::string>& ignoreList);

// Removes one directory subtree or one file, named by its relative path
// (components matched as the file system matches names), from a snapshot. Nothing
// changes when the path names nothing.
void RemovePath(DirNode* root, const char* relativePath);

// Takes a check pair out of the comparison: its source name from the source,
// its target name from the target. A name that is a directory on either
// side leaves both trees, so that every directory still has its clone.
void RemoveCheckPair(DirNode* source, DirNode* target, const CheckPair& pair);

// The file at `relativePath` below `root` ("a\\b.dll"), or null.
[[nodiscard]] FileEntry* FindFileAt(DirNode* root, const std::string& relativePath);

// Compares a source node with its target clone and everything below: files
// the same in both (SameFile: time and size) are dropped from both, new and changed source files stay
// (new ones marked isNew), and target files the source lacks stay in the
// target. A directory missing from the target keeps DIR_MISSING on the
// source side with all its files, each marked isNew, as is everything below.
void CompareTrees(DirNode* sourceNode, DirNode* targetNode);

// The file comparison of one directory pair, as CompareTrees does it.
void CompareFiles(DirRecord& sourceRecord, DirRecord& targetRecord);

// Appends, in tree order, every directory of `node`'s subtree that asks for
// work (DIR_MISSING, DIR_EXTRA, or files) to `list`, named by its relative
// path. The snapshot records give up their files to the list.
void BuildWorkList(std::vector<DirRecord>& list, DirNode* node, const std::string& parentPath);
