#include "app/command_line.h"

#include <cstring>
#include <string>

namespace {

// The first occurrence of '/' followed by `letter` in either case, or null.
const char* FindSwitch(const char* text, char letter) {
  const char upper = static_cast<char>(letter - 'a' + 'A');
  for (const char* p = text; *p != '\0'; ++p) {
    if (p[0] == '/' && (p[1] == letter || p[1] == upper)) return p;
  }
  return nullptr;
}

// Only the first occurrence is examined: "/gx /g" is no option.
bool HasOption(const char* text, char letter) {
  const char* found = FindSwitch(text, letter);
  if (found == nullptr) return false;
  const bool separatedBefore = found == text || IsSeparator(found[-1]);
  return separatedBefore && IsSeparator(found[2]);
}

// For a switch that must open the command line ("/s", "/p", "/l", "/k"): the name
// after it and its blanks, or null when the text does not start with it.
const char* LeadingSwitchIniName(const char* commandLine, char letter) {
  const char upper = static_cast<char>(letter - 'a' + 'A');
  if (commandLine[0] != '/' || (commandLine[1] != letter && commandLine[1] != upper) ||
      !IsSeparator(commandLine[2])) {
    return nullptr;
  }
  const char* rest = commandLine + 2;
  while (*rest == ' ') ++rest;
  return rest;
}

}  // namespace

bool IsSeparator(char c) noexcept {
  return c == 0 || c == 8 || c == 10 || c == 13 || c == 32;
}

CommandLineOption FindCommandLineOption(const char* commandLine) {
  if (HasOption(commandLine, 'g')) return CommandLineOption::GenerateIni;
  if (HasOption(commandLine, 'h')) return CommandLineOption::ShowHelp;
  if (PublishIniName(commandLine) != nullptr) return CommandLineOption::PublishListing;
  if (PreviewIniName(commandLine) != nullptr) return CommandLineOption::Preview;
  if (MakeKeyFolder(commandLine) != nullptr) return CommandLineOption::MakeKeys;
  if (RepairIniName(commandLine) != nullptr) return CommandLineOption::Repair;
  return CommandLineOption::None;
}

const char* PublishIniName(const char* commandLine) { return LeadingSwitchIniName(commandLine, 'p'); }

const char* PreviewIniName(const char* commandLine) { return LeadingSwitchIniName(commandLine, 'l'); }

const char* RepairIniName(const char* commandLine) { return LeadingSwitchIniName(commandLine, 'v'); }

const char* MakeKeyFolder(const char* commandLine) { return LeadingSwitchIniName(commandLine, 'k'); }

const char* UnattendedRest(const char* commandLine) { return LeadingSwitchIniName(commandLine, 's'); }

bool ResolveIniPath(const char* commandLine, const char* currentDirectory,
                    char (&iniPath)[kPathSize]) {
  iniPath[0] = '\0';
  std::string resolved;
  if (commandLine[0] == '\0') {
    if (currentDirectory == nullptr) return false;
    resolved = std::string(currentDirectory) + "\\velkarin.ini";
  } else if (IsDrivePath(commandLine) || (commandLine[0] == '\\' && commandLine[1] == '\\')) {
    resolved = commandLine;
  } else {
    if (currentDirectory == nullptr) return false;
    // No check for a directory that already ends in a backslash: the root
    // of a drive gives "C:\\a.ini", which the platform reads as "C:\a.ini".
    resolved = std::string(currentDirectory) + "\\" + commandLine;
  }
  if (resolved.size() > kPathSize - 1) return false;
  std::memcpy(iniPath, resolved.c_str(), resolved.size() + 1);
  return true;
}
