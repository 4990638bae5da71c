#pragma once
// Appending a line to a file that other processes, on this machine or on
// others through a share, append to at the same time: each line is written
// whole, at the end, never into another's.
#include <cstdint>
#include <string>

// Appends `line` (with its own line end) to `path`, creating the file. The
// line goes in one write, at the end as it is at that moment, under an
// exclusive lock on one byte far past any end (a lock every such writer
// takes, and no reader meets); the lock is waited for a few seconds at
// most. False with the system's code in `error`.
[[nodiscard]] bool AppendWholeLine(const std::string& path, const std::string& line, std::uint32_t& error);
