#pragma once
// Directory links that would have a scan go round in circles.
#include <string>

// True when the linked directory `linkPath` is the directory being listed or
// one above it, up to the root: following it would list the same tree again
// and again until paths grow too long, and two such links would multiply.
// `directoryPath` ends with `relativePrefix`; both end with a backslash.
[[nodiscard]] bool LinkLeadsBack(const std::string& linkPath, const std::string& directoryPath,
                                 const std::string& relativePrefix);
