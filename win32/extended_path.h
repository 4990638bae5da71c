#pragma once
// The extended-length ("\\?\") form of a path, so that copies reach past the
// classic 260-character limit. Such paths go to the file system without
// normalisation, so the run's root marker "\.\" must not remain in them.
#include <string>

// For a drive path ("X:\..."): "\\?\" and the path; for a UNC path
// ("\\server\share\..."): "\\?\UNC\" and the path without its two leading
// backslashes. The first "\.\" loses its "\." either way. False for any
// other (relative) path, which must be made absolute first.
[[nodiscard]] bool MakeExtendedLengthPath(const std::string& path, std::string& extended);

// Removes the first "\.\" marker's "\." from `path`, leaving one backslash.
void RemoveRootMarker(std::string& path);
