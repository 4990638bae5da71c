#pragma once
// Writes the embedded default configuration (resource "TXT" 103) byte for
// byte to "velkarin.ini" in the current directory, replacing any such file.
// Failures are reported by their own boxes; the caller confirms regardless.
void WriteDefaultIni();
