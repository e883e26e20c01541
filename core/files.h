// The file system as the jobs see it: whether a name is a file or a folder,
// making a folder, and the one walk over a folder tree.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class TJobControl;

// An existing entry that is not a folder (links followed).
bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);
// A regular file: what a job reads (a pipe or a device would block it).
bool IsRegularFile(const std::string& path);
// Anything at all under the name.
bool PathExists(const std::string& path);
// Makes the folder and its parents when missing; true when it is there.
bool EnsureFolder(const std::string& folder);

// Lists one folder (ending in '/'): the names of its regular files and of its
// sub-folders that are not links (so a link loop cannot make a walk recurse
// forever), each sorted. False when the folder cannot be read.
bool ListFolder(const std::string& folder, std::vector<std::string>& files,
                std::vector<std::string>& folders);

// Files matching mask in folder (and, with subDirs, below it).
int64_t CountMatchingFiles(const std::string& folder, const std::string& mask, bool subDirs);

// A job's walk over a folder tree: each folder is logged, its files matching
// Mask are handed to OnFile in name order, then its sub-folders are walked
// (with SubDirs) with the destination folder dest + name + "/". The outermost
// walk counts its files first when someone follows the progress; a stop
// request ends the walk between two files.
struct TFolderWalk {
  TJobControl& Control;
  std::function<void(const std::string& text, int level)> Log;
  std::string Mask;
  bool SubDirs = false;
  // Returns what the file added to the walk's count, or -1 when it was skipped
  // before it was read (it then does not count as done).
  std::function<int(const std::string& folder, const std::string& name, const std::string& dest)>
      OnFile;
};
int WalkJobFolder(const TFolderWalk& walk, const std::string& folder, const std::string& dest);
