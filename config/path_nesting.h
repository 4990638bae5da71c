#pragma once
// Whether one path is, or holds, another: the rule that keeps a deletion
// from reaching a folder the run depends on, and the source and the target
// apart. Pure text: the system's calls that give a path's full, long and
// final forms, and the upper-casing, are the caller's (see
// config/final_path_forms.h); here those forms are only compared.
#include <string>
#include <vector>

// The forms under which one path is known (as written, in full, long, and
// as the file system finally resolves it), each already put through
// ComparablePathText and upper-cased the way the file system compares.
using PathForms = std::vector<std::wstring>;

// "\\?\C:\x" -> "C:\x", "\\?\UNC\srv\share" -> "\\srv\share" (and the same
// for "\\.\" and "\??\"): the extended and device prefixes say how a path is
// passed, not what it names, so they must not make two names of one folder.
[[nodiscard]] std::wstring WithoutExtendedPrefix(const std::wstring& path);

// One text for one folder: no extended prefix, '/' as '\', "." dropped,
// ".." taken back (never above the drive or the share), each component
// without an alternate stream's name (":stream", "::$INDEX_ALLOCATION")
// and without its trailing dots and spaces (which the file system
// ignores), no empty components and no trailing separator. A drive root comes out as
// "X:", a share root as "\\server\share".
[[nodiscard]] std::wstring ComparablePathText(const std::wstring& path);

// A drive root "X:" or a share root "\\server\share" (or less): deleting it
// would empty a whole volume. Empty text counts too.
[[nodiscard]] bool IsRootPath(const std::wstring& comparable);

// `outer` is `inner` or one of the folders above it. Both comparable texts.
[[nodiscard]] bool HoldsOrIs(const std::wstring& outer, const std::wstring& inner);

// Some form of `outer` is, or holds, some form of `inner`.
[[nodiscard]] bool AnyHoldsOrIs(const PathForms& outer, const PathForms& inner);

// The two folders are the same or one lies inside the other.
[[nodiscard]] bool FoldersOverlap(const PathForms& first, const PathForms& second);
