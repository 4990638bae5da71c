#pragma once
// List entries written as full paths. The default ini file tells
// administrators that an entry may be a full path or a relative one; the
// run's rules compare relative paths. A full path that lies inside the
// source or the target directory stands for the relative path it names
// there (and so, as a relative entry does, for both sides); one outside
// both can never apply to what the run compares.
#include <string>
#include <vector>

// How the root part of a full path is compared with the root directory:
// as its list compares names.
enum class RootCase {
  Exact,        // byte for byte ([СтрогоСинхронизировать])
  Ascii,        // Latin A-Z folded, as the snapshots compare names
  Windows1251,  // Latin and Cyrillic folded, as the other lists compare
};

// A drive path ("X:\...") or a network path ("\\server\share...").
[[nodiscard]] bool IsFullPathEntry(const std::string& entry);

// When `entry` is a full path naming `root` (a full path ending with "\")
// or something below it: true, with `relative` the part below it, without
// trailing backslashes (empty for the root itself).
[[nodiscard]] bool RelativeToRoot(const std::string& entry, const std::string& root, RootCase rule,
                                  std::string& relative);

// The relative path a full-path entry stands for: below the more specific
// of the two roots that holds it. False when `entry` is not a full path or
// lies inside neither root.
[[nodiscard]] bool RelativeToEitherRoot(const std::string& entry, const std::string& sourceRoot,
                                        const std::string& targetRoot, RootCase rule,
                                        std::string& relative);

// Rewrites in place each full-path entry of `list` that lies inside one of
// the roots. Returns the full-path entries that lie in neither: they stay
// in the list as written (no relative path can equal them).
std::vector<std::string> RelativiseFullPathEntries(std::vector<std::string>& list,
                                                   const std::string& sourceRoot,
                                                   const std::string& targetRoot, RootCase rule);
