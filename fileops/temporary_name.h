#pragma once
// The names of the files a run writes in the target before renaming them
// into place: "<name>.~velkarin<process id>-<attempt>", beside the file they
// are to become.
//
// Such a name can never cost a user a file. The run makes it with CREATE_NEW,
// so it never opens, overwrites or renames over a file that already bears
// it; it would only try the next attempt number. The marker ".~velkarin"
// followed by two decimal numbers is not a name a user or an installer
// gives a file. And only a file whose name has exactly this shape (the
// marker after a non-empty name, then digits, one hyphen, digits, and
// nothing more) is ever taken for one: "a.~velkarin.txt" or "a.~velkarin1"
// stay the user's.
#include <string>

// The temporary for `path` made by process `processId` at `attempt`.
[[nodiscard]] std::string TemporaryNameFor(const std::string& path, unsigned long processId, unsigned attempt);

// True when the file name `name` (no directory) has the temporaries' shape.
[[nodiscard]] bool IsTemporaryName(const char* name);
