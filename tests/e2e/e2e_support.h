#pragma once
// Runs velkarin.exe itself under Wine and answers its message boxes.
#include <string>
#include <utility>
#include <vector>

#include "tests/support/test_support.h"
#include "win32/handles.h"

namespace e2e {

struct ExpectedBox {
  std::string caption;
  std::string button;           // ok, yes, no, cancel
  bool pressEscapeFirst = false;  // type Escape into the progress window first
};

struct VelkarinRun {
  bool exited = false;  // ended by itself within the time allowed
  unsigned long exitCode = 0;
  unsigned long processId = 0;  // the programs it started name it as their parent
  std::vector<testing_support::BoxReport> boxes;  // one per expected box, in order
};

// Starts velkarin.exe with `arguments` in `workingDir`, answers the boxes
// in the given order (each bounded), then waits for the program to end.
VelkarinRun RunVelkarin(const std::string& arguments, const std::string& workingDir,
                        const std::vector<ExpectedBox>& boxes = {});

// The program's boxes all carry this caption.
inline ExpectedBox ProgramBox(const std::string& button = "ok") { return {"velkarin", button}; }

// [Основные параметры] for a quiet run from `source` (created empty when
// missing) to `target`: no command to start, no running check.
std::string QuietMainSection(const std::string& source, const std::string& target);

// The committed default ini file, byte for byte.
std::string TemplateBytes();

// A log line (or a whole log whose last line is one) that ends with the
// system's reason, " (<code>: <message>)" after a closing quote, and its
// line end, cut right after the code: "... (5: ". The message is the
// system's own, in its language, so tests compare up to the code. Text
// without such an end is returned unchanged.
std::string UpToReasonCode(const std::string& line);

// Writes an ini file from Windows-1251 text with LF line ends,
// stored with CR LF as an editor on Windows would.
void WriteIni(const std::string& path, const std::string& text);

}  // namespace e2e
