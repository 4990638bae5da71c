#pragma once
// "/l": what a run on an ini file would do, written down and not done.
// The plan goes to velkarin-plan.txt in the user's temporary folder, one
// line per action in the statistics log's words; a box with the program's
// caption names the file, or says what stood in the way.
// Ends as a run would: 0 for a plan without errors, 1 for one with errors
// a run would meet too, 2 when no plan could be written.
#include "run/exit_code.h"

[[nodiscard]] ExitCode PreviewSynchronisation(const char* iniPath);
