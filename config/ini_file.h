#pragma once
// Reading the ini file: its bytes, read once, decoded and parsed
// (config/ini_text.h, config/ini_document.h). Every reader of the file (a
// run, "/p", "/l", the progress window) goes through here, so that all of
// them see one text whatever encoding the file was saved in.
#include <cstddef>
#include <string>

#include "config/ini_document.h"

// A file larger than this is not read: no ini file comes near it, and the
// system's reader, which this one replaces, gave a section 64 MB at most.
constexpr std::size_t kLargestIniFile = 64u << 20;

// Reads and parses the ini file at `path`. False, with the system's error
// code (ERROR_FILE_TOO_LARGE past kLargestIniFile), when it cannot be read:
// unlike a missing key, an unreadable file has no meaning to default to.
[[nodiscard]] bool LoadIniFile(const char* path, IniDocument& document, unsigned long& error);

// "Ошибка <code> чтения файла "<path>"." for a file LoadIniFile could not read.
std::string IniReadErrorText(const char* path, unsigned long error);
