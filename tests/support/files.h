// Files and folders of tests: whole-file reads and writes, temporary folders
// and the files a job left in a folder.
#pragma once

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

// The bytes of a file; empty when it cannot be read.
std::string Slurp(const std::filesystem::path& path);

// Writes bytes to a file, making its folder first.
void Spit(const std::filesystem::path& path, const std::string& bytes);

// A new folder under the system's temporary folder, named from prefix, removed
// with everything in it when the object goes.
class TTempFolder {
 public:
  explicit TTempFolder(const std::string& prefix);
  ~TTempFolder();
  TTempFolder(const TTempFolder&) = delete;
  TTempFolder& operator=(const TTempFolder&) = delete;
  // The folder, ending in '/'.
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// The regular files of a folder tree with their bytes, by path relative to the
// folder; empty when the folder does not exist.
std::map<std::string, std::string> FolderFiles(const std::filesystem::path& folder);

// The paths of the regular files of a folder tree, relative to the folder.
std::set<std::string> FileNamesIn(const std::filesystem::path& folder);

// The regular files directly in a folder whose names match a mask such as
// "*.XQF;*.CBF" (every file for an empty mask), as full paths in name order.
std::vector<std::string> FilesMatching(const std::string& folder, const std::string& mask);
