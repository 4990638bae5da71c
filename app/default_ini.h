#pragma once
// Writes the embedded default configuration (resource "TXT" 103) byte for
// byte to "velkarin.ini" in the current directory. An existing file is
// replaced only after the user's Yes to "Заменить его?". True when the file
// now holds the template; false when the user kept the old one or the
// write failed, which its own box has said.
[[nodiscard]] bool WriteDefaultIni();
