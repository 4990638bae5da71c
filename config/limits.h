#pragma once
// Fixed text buffer sizes shared by the configuration, the engine and the
// file operations. Paths are zero-terminated Windows-1251 text.
#include <cstddef>

// A path buffer: at most 1023 characters and the terminating zero.
constexpr std::size_t kPathSize = 1024;

// The one work buffer handed to the profile calls: big enough for the
// largest section the platform returns.
constexpr std::size_t kWorkBufferSize = 32767;
