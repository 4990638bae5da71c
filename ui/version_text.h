#pragma once
// The version line of the splash window, made from the build's version
// (major.minor), so that the window and the file's version resource cannot
// disagree.
#include "velkarin_version.h"

inline constexpr char kVersionText[] = "Версия " VELKARIN_VERSION_SHORT;
