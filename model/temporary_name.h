#pragma once
// The names a run gives the files it keeps in the target for a moment:
//
// - a temporary, "<name>.~velkarin<process id>-<attempt>", written beside
//   the file it is to become and renamed into place once complete;
// - an aside file, "<name>.~velkarin-aside<process id>-<attempt>": the old
//   version of a file in use, renamed aside to free its name for the new
//   one. Its name keeps the original's, so that a run that finds the
//   original name free (the new version could not be put in place, nor the
//   old one back) can move it back.
//
// Such a name can never cost a user a file. The run makes it new, so it
// never opens, overwrites or renames over a file that already bears it; it
// would only try the next attempt number. The markers followed by two
// decimal numbers are not names a user or an installer gives a file. And
// only a file whose name has exactly one of these shapes (the marker after
// a non-empty name, then digits, one hyphen, digits, and nothing more) is
// ever taken for one: "a.~velkarin.txt" or "a.~velkarin1" stay the user's.
//
// A file name holds at most 255 characters. A temporary whose name would
// pass that is formed from the start of the name instead: the same shape,
// so it is recognised and removed as any other. An aside file's name must
// hold the whole original, so a file whose name leaves no room for the
// aside marker gets no aside name (see AsideNameFor).
#include <string>

// The longest file name (one path component) the file systems take.
constexpr std::size_t kMaxFileNameLength = 255;

// The temporary for `path` made by process `processId` at `attempt`.
[[nodiscard]] std::string TemporaryNameFor(const std::string& path, unsigned long processId, unsigned attempt);

// The aside name for `path` made by process `processId` at `attempt`;
// empty when the file name with the marker would pass 255 characters.
[[nodiscard]] std::string AsideNameFor(const std::string& path, unsigned long processId, unsigned attempt);

// True when the file name `name` (no directory) has the temporaries' shape.
// `processId`, when given, receives the process id the name carries.
[[nodiscard]] bool IsTemporaryName(const char* name, unsigned long* processId = nullptr);

// True when the file name `name` has the aside files' shape; `original`
// then receives the name the file had, `processId` the id it carries.
[[nodiscard]] bool IsAsideName(const char* name, std::string* original = nullptr,
                               unsigned long* processId = nullptr);
