#pragma once
// What a picture of a tree leaves out before anything is compared: the
// paths [Игнорировать] names, and the second of two names one directory
// cannot hold together.
#include <string>
#include <vector>

#include "model/snapshot.h"

// Leaves out of a snapshot built without a scan (from a published listing)
// what the scan would not have taken: every file and directory whose path
// from the root matches `ignoreList`, with everything below it.
void LeaveOutIgnored(DirNode* node, const std::string& relativePrefix,
                     const std::vector<std::string>& ignoreList);

// Leaves out of a snapshot every item whose name the file system would take
// for an earlier one of the same directory ("SUB" after "sub", a file "a"
// after a directory "A"): a share on a case-sensitive file system may hold
// both, a target can hold only one, and both would be written to the same
// place. Each item left out is appended to `repeated` as its path from the
// root, with the name it repeats.
struct RepeatedName {
  std::string path;   // the item left out, relative to the root
  std::string first;  // the name of the item kept
};
void LeaveOutRepeatedNames(DirNode* node, const std::string& relativePrefix,
                           std::vector<RepeatedName>& repeated);
