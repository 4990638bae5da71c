#pragma once
// Fixed text buffer sizes shared by the configuration, the engine and the
// file operations. Paths are zero-terminated Windows-1251 text.
#include <cstddef>

// A path buffer: at most 1023 characters and the terminating zero.
constexpr std::size_t kPathSize = 1024;

// The buffer the profile reader was handed for a value the configuration
// examines before storing it: a longer value is cut to one byte less.
constexpr std::size_t kWorkBufferSize = 32767;
