#pragma once
#include "model/limits.h"

// Stores a directory path with exactly one trailing backslash. A source too
// long for the field (more than 1023 characters, or 1023 without a final
// backslash, so that the appended one would not fit) leaves the destination
// empty; callers treat an empty directory as unusable.
void NormaliseDirectoryPath(char (&destination)[kPathSize], const char* source);

// A path counts as full when its second and third characters are ":\".
[[nodiscard]] bool IsDrivePath(const char* path) noexcept;
