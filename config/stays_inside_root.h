#pragma once
// Whether a relative path from the ini file, joined to a root directory,
// still names something inside that root.
#include <string>

// False for a path that is empty, starts with a separator (the root of the
// drive, or a network path once joined), holds ':' (a drive-relative path
// or an alternate stream) or has a component made only of dots and spaces
// ("." , "..", "...", ". "). Both '\' and '/' separate components, as they
// do for the system. Empty components between separators are harmless and
// allowed. The rule is on the text alone: nothing is looked up on disk.
[[nodiscard]] bool StaysInsideRoot(const std::string& relativePath) noexcept;
