#pragma once
// The splash picture: a bitmap resource of a module named in the ini file
// ([Оформление] ФоноваяКартинка, "module#id", default "kadu.exe#101"), a
// relative module being looked for in the source directory.
#include <windows.h>

#include <string>

// Splits "module#id" at its last "#"; the id defaults to 101.
void SplitPictureSetting(const std::string& setting, std::string& module, int& id);

// The picture named by the ini file, or the program's own bitmap 102, or
// null. The module is loaded as data only: none of its code runs.
HBITMAP LoadBackgroundPicture(HINSTANCE instance, const char* iniPath);
