#pragma once
// The system's reason for a failure as the logs and boxes show it. The
// message itself is the system's, in its language (win32/system_message.h);
// these are the plain-text rules around it.
#include <cstdint>
#include <string>

// `text` as one line: the line break, trailing blanks and one full stop
// that the system's messages end with are dropped, and a line break inside
// a message becomes one blank, so that a log line never breaks.
[[nodiscard]] std::string TrimSystemMessage(std::string text);

// " (<code>: <message>)", what a log line appends after its last quoted
// path; " (<code>)" when the system has no message for the code.
[[nodiscard]] std::string ReasonSuffix(std::uint32_t code, const std::string& message);
