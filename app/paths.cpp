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

std::string WithDelimiter(const std::string& folder) {
  return (!folder.empty() && folder.back() == '/') ? folder : folder + "/";
}

int ValidPosition(int value, size_t count, int def) {
  return (value >= 0 && value < static_cast<int>(count)) ? value : def;
}
