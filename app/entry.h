#pragma once
#include <windows.h>

// The whole program: options, ini location, configuration, run, teardown.
// `commandLine` is the text after the program name. Returns 0 on every path.
int RunEntry(HINSTANCE instance, const char* commandLine);
