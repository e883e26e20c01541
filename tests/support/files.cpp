#include "tests/support/files.h"

#include <stdlib.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "core/encoding.h"

namespace fs = std::filesystem;

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Spit(const fs::path& path, const std::string& bytes) {
  if (path.has_parent_path()) fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

TTempFolder::TTempFolder(const std::string& prefix) {
  std::string pattern = (fs::temp_directory_path() / (prefix + "_XXXXXX")).string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp " + pattern);
  path_ = pattern + "/";
}

TTempFolder::~TTempFolder() {
  std::error_code ec;
  // A test may have taken permissions away to provoke a failure.
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(path_, ec);
}

std::map<std::string, std::string> FolderFiles(const fs::path& folder) {
  std::map<std::string, std::string> files;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::end(it);
       it.increment(ec))
    if (it->is_regular_file()) files[fs::relative(it->path(), folder).string()] = Slurp(it->path());
  return files;
}

std::set<std::string> FileNamesIn(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& [name, bytes] : FolderFiles(folder)) names.insert(name);
  return names;
}

std::vector<std::string> FilesMatching(const std::string& folder, const std::string& mask) {
  std::vector<std::string> files;
  for (const auto& e : fs::directory_iterator(folder))
    if (e.is_regular_file() && (mask.empty() || MatchesMask(e.path().filename().string(), mask)))
      files.push_back(e.path().string());
  std::sort(files.begin(), files.end());
  return files;
}
