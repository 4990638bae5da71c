#pragma once
// "/p": publishing the listing of the source tree named by an ini file.
// Every outcome is told in one box with the program's caption.
// True when the listing was published.
[[nodiscard]] bool PublishSourceListing(const char* iniPath);
