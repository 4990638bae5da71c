#pragma once
// "/p": publishing the listing of the source tree named by an ini file.
// Every outcome is told in one box with the program's caption.
void PublishSourceListing(const char* iniPath);
