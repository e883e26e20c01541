// Small path and settings helpers shared by the job windows.
#pragma once

#include <cstddef>
#include <string>

#include "core/files.h"

// Absolute, normalised form of a path typed by the user ("" stays "").
std::string ExpandPath(const std::string& path);
// The folder with one trailing '/'.
std::string WithDelimiter(const std::string& folder);
// A stored list position, or def when it is outside the list of count items.
int ValidPosition(int value, size_t count, int def);
