#pragma once
#include <string>

// The last-resort handler's report of a text thrown by directory creation:
// one ErrorLog line "Ошибка [code], text", both C streams flushed. When the
// line cannot reach the error log file (it is not open yet, or the write
// failed), the same text is shown in a box as well, or nobody would ever
// learn why the program ended.
void ReportThrownText(unsigned long systemError, const std::string& text);
