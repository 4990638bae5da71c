#pragma once
// What earlier runs left in the target: temporaries of copies that never
// finished, and old versions of files in use renamed aside (see
// temporary_name.h). The target scan only notes them, the plan holds one
// tidying action for each, and the run does those before the copy phase;
// a preview never does.
struct LeftoverFile;

// A leftover the target scan noted: an aside file whose original
// name is free is moved back into it (a line in the statistics log); any
// other leftover is removed, silently, as any target file is (a link under
// such a name takes nothing with it). A leftover whose name carries the id
// of a running process is left alone: another run may be writing it, or a
// program may be running from it. A leftover that cannot be removed (still
// in use) is no error: it is tried again next run.
void TidyLeftover(const LeftoverFile& leftover);
