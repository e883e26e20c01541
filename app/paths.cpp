#include "app/paths.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

std::string ExpandPath(const std::string& path) {
  if (path.empty()) return path;
  std::error_code ec;
  const fs::path full = fs::absolute(fs::path(path), ec);
  return ec ? path : full.lexically_normal().string();
}

bool IsFolder(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::is_directory(path, ec);
}

bool IsFile(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::exists(path, ec) && !fs::is_directory(path, ec);
}

bool IsRegularFile(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::is_regular_file(path, ec);
}

bool PathExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::exists(path, ec);
}

std::string WithDelimiter(const std::string& folder) {
  return (!folder.empty() && folder.back() == '/') ? folder : folder + "/";
}

int ValidPosition(int value, size_t count, int def) {
  return (value >= 0 && value < static_cast<int>(count)) ? value : def;
}
