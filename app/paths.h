// Small path and settings helpers shared by the job windows.
#pragma once

#include <cstddef>
#include <string>

#include "core/files.h"

// Absolute, normalised form of a path typed by the user ("" stays "").
std::string ExpandPath(const std::string& path);
// The name of a path without its folder.
std::string FileNameOf(const std::string& path);
// The file name without folder and extension; a name whose only dot leads it
// keeps it.
std::string BaseNameOf(const std::string& path);
// The folder part of a path, its delimiter included ("" when there is none).
std::string FolderPart(const std::string& path);
// The folder with one trailing '/'.
std::string WithDelimiter(const std::string& folder);
// A stored list position, or def when it is outside the list of count items.
int ValidPosition(int value, size_t count, int def);
