#pragma once
// The system's own text for an error code.
#include <cstdint>
#include <string>

// The message for `code` in the system's language, in the ANSI code page,
// as one line without its trailing full stop (log/system_reason.h); empty
// when the system has none.
[[nodiscard]] std::string SystemMessage(std::uint32_t code);
