#pragma once
// Removes a file, or a directory with everything in it. Failures are
// silent: whatever could not be removed stays. A directory link (reparse
// point) is removed as a link and never entered, so that files it points to
// outside the tree are never touched.
void DeleteTree(const char* path);
