#pragma once
#include "config/directory_path.h"
#include "model/limits.h"

// What the command line asks for before anything else happens.
enum class CommandLineOption { None, GenerateIni, ShowHelp, PublishListing, Preview, MakeKeys, Repair };

// Characters that may stand around an option: end of text, backspace (8,
// not the tab), line feed, carriage return and space.
[[nodiscard]] bool IsSeparator(char c) noexcept;

// Looks at the first "/g" (any case) and, failing that, the first "/h".
// An occurrence counts only with a separator after it and either the start
// of the text or a separator before it; "/g" wins when both are present.
// Failing both, "/p" (any case) at the very start followed by a separator
// asks to publish the source's listing, "/l" in the same place to
// preview a run, and "/k" to make a publisher's key pair.
[[nodiscard]] CommandLineOption FindCommandLineOption(const char* commandLine);

// For "/p [ini name]": the ini name that follows the switch and its blanks
// (empty for none); null when the text does not start with the switch.
[[nodiscard]] const char* PublishIniName(const char* commandLine);

// The same for "/l [ini name]".
[[nodiscard]] const char* PreviewIniName(const char* commandLine);

// The same for "/v [ini name]": repair against the signed release.
[[nodiscard]] const char* RepairIniName(const char* commandLine);

// For "/k [folder]": the folder that follows the switch and its blanks,
// taken whole as an ini name is (empty: the current directory); null when
// the text does not start with the switch.
[[nodiscard]] const char* MakeKeyFolder(const char* commandLine);

// For "/s [the rest]", unattended: what follows the switch and its blanks,
// read then as a whole command line ("/s /p x.ini" publishes x.ini
// unattended); null when the text does not start with the switch.
[[nodiscard]] const char* UnattendedRest(const char* commandLine);

// Builds the ini path from the command-line text (taken whole: quotes and
// trailing blanks stay). Empty text names "velkarin.ini" in the current
// directory; a drive path ("X:\...") or a network path ("\\...") is used as
// it stands; anything else is joined to the current directory with a
// backslash. `currentDirectory` may be null when it is unknown. Returns false,
// leaving `iniPath` empty, when the result cannot be built or does not fit.
[[nodiscard]] bool ResolveIniPath(const char* commandLine, const char* currentDirectory,
                                  char (&iniPath)[kPathSize]);

