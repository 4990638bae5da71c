#pragma once
// The forms under which the system knows a path, for the rules of
// config/path_nesting.h: the full form as written and the one the file
// system resolves it to.
#include <string>

#include "config/path_nesting.h"

// `path` (a full path, possibly with an extended prefix) in its full form
// (GetFullPathNameW: ".." resolved), with long names for short ones
// (GetLongPathNameW) and, when it exists, as the file system finally
// resolves it (GetFinalPathNameByHandleW: through substituted and mapped
// drives and junctions). Each form comparable and upper-cased
// (CharUpperBuffW, which folds Cyrillic as the file system does); repeated
// forms only once. A path that does not exist has its written form only.
[[nodiscard]] PathForms FinalPathForms(const std::wstring& path);

// The same for a Windows-1251 path.
[[nodiscard]] PathForms FinalPathForms(const std::string& path);
