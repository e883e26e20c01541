#include "core/files.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "core/encoding.h"
#include "core/jobcontrol.h"
#include "core/jobstate.h"

namespace fs = std::filesystem;

bool FileExists(const std::string& path) {
  struct stat st;
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool FolderExists(const std::string& path) {
  struct stat st;
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsRegularFile(const std::string& path) {
  struct stat st;
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool PathExists(const std::string& path) {
  struct stat st;
  return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

bool EnsureFolder(const std::string& folder) {
  if (FolderExists(folder)) return true;
  std::error_code ec;
  fs::create_directories(fs::path(folder).lexically_normal(), ec);
  return FolderExists(folder);
}

bool ListFolder(const std::string& folder, std::vector<std::string>& files,
                std::vector<std::string>& folders) {
  files.clear();
  folders.clear();
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec); !ec && it != fs::directory_iterator();
       it.increment(ec)) {
    std::error_code entryError;
    if (it->is_regular_file(entryError))
      files.push_back(it->path().filename().string());
    else if (it->is_directory(entryError) && !it->is_symlink(entryError))
      folders.push_back(it->path().filename().string());
  }
  std::sort(files.begin(), files.end());
  std::sort(folders.begin(), folders.end());
  return !ec;
}

int64_t CountMatchingFiles(const std::string& folder, const std::string& mask, bool subDirs) {
  int64_t count = 0;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec); !ec && it != fs::directory_iterator();
       it.increment(ec)) {
    std::error_code entryError;
    const fs::directory_entry& entry = *it;
    if (entry.is_regular_file(entryError)) {
      if (MatchesMask(entry.path().filename().string(), mask)) ++count;
    } else if (subDirs && entry.is_directory(entryError) && !entry.is_symlink(entryError)) {
      count += CountMatchingFiles(entry.path().string() + "/", mask, true);
    }
  }
  return count;
}

int WalkJobFolder(const TFolderWalk& walk, const std::string& folder, const std::string& dest) {
  walk.Log(SystemText("\r\n讀取文件夾：") + folder, kLogPlain);
  std::vector<std::string> files, folders;
  if (!ListFolder(folder, files, folders))
    walk.Log(SystemText("不能讀取文件夾：") + folder, kLogError);
  TJobControl& control = walk.Control;
  control.BeginFiles(control.OnProgress && !control.InFileRun()
                         ? CountMatchingFiles(folder, walk.Mask, walk.SubDirs)
                         : -1);
  int count = 0;
  for (const std::string& name : files) {
    if (!MatchesMask(name, walk.Mask)) continue;
    if (control.Stopping()) break;
    const int added = walk.OnFile(folder, name, dest);
    if (added < 0) continue;
    count += added;
    control.FileDone();
  }
  if (walk.SubDirs) {
    for (const std::string& name : folders) {
      if (control.Stopping()) break;
      count += WalkJobFolder(walk, folder + name + "/", dest.empty() ? dest : dest + name + "/");
    }
  }
  control.EndFiles();
  return count;
}
