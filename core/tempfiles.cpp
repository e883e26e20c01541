#include "core/tempfiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <set>
#include <string_view>

namespace {

constexpr std::string_view kPrefix = ".tavrik-";
constexpr std::string_view kSuffix = ".tmp";

bool AllDigits(std::string_view s) {
  if (s.empty() || s.size() > 18) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

// The process number in a name ".tavrik-PID-N.tmp", or 0 when the name is
// not one of ours.
long ProcessOfTemporary(std::string_view name) {
  if (!name.starts_with(kPrefix) || !name.ends_with(kSuffix)) return 0;
  name.remove_prefix(kPrefix.size());
  name.remove_suffix(kSuffix.size());
  const size_t dash = name.find('-');
  if (dash == std::string_view::npos) return 0;
  if (!AllDigits(name.substr(0, dash)) || !AllDigits(name.substr(dash + 1))) return 0;
  return std::strtol(std::string(name.substr(0, dash)).c_str(), nullptr, 10);
}

bool ProcessGone(long pid) {
  if (pid <= 0 || pid == static_cast<long>(::getpid())) return false;
  return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

std::string FolderOf(const std::string& target) {
  const size_t slash = target.rfind('/');
  return slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
}

}  // namespace

int RemoveStaleTemporaries(const std::string& folder) {
  const std::string dirName = folder.empty() ? std::string(".") : folder;
  DIR* dir = ::opendir(dirName.c_str());
  if (dir == nullptr) return 0;
  const int dirFd = ::dirfd(dir);
  int removed = 0;
  while (const dirent* entry = ::readdir(dir)) {
    if (!ProcessGone(ProcessOfTemporary(entry->d_name))) continue;
    struct stat st;
    if (::fstatat(dirFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode) ||
        st.st_uid != ::geteuid())
      continue;
    if (::unlinkat(dirFd, entry->d_name, 0) == 0) ++removed;
  }
  ::closedir(dir);
  return removed;
}

int CreateTemporaryBeside(const std::string& target, std::string& temp) {
  static std::mutex lock;
  static std::set<std::string> cleaned;
  static unsigned serial = 0;
  const std::string folder = FolderOf(target);
  std::lock_guard<std::mutex> guard(lock);
  if (cleaned.insert(folder).second) RemoveStaleTemporaries(folder);
  const std::string prefix = folder + std::string(kPrefix) + std::to_string(::getpid()) + "-";
  for (int attempt = 0; attempt < 100; ++attempt) {
    temp = prefix + std::to_string(serial++) + std::string(kSuffix);
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

bool SaveFileReplacing(const std::string& path, const std::string& bytes, bool durable) {
  std::string target = path;
  struct stat old;
  bool replacing = ::lstat(path.c_str(), &old) == 0;
  if (replacing && S_ISLNK(old.st_mode)) {
    // Through a link, the file it points to is replaced.
    std::error_code ec;
    const std::filesystem::path resolved = std::filesystem::canonical(path, ec);
    if (!ec) target = resolved.string();
    replacing = ::stat(target.c_str(), &old) == 0;
  }
  std::string tmp;
  int fd = CreateTemporaryBeside(target, tmp);
  if (fd < 0) return false;
  bool ok = true;
  size_t done = 0;
  while (ok && done < bytes.size()) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0)
      ok = false;
    else
      done += static_cast<size_t>(n);
  }
  if (ok && replacing && fchmod(fd, old.st_mode & 07777) != 0) ok = false;
  if (ok && durable && fsync(fd) != 0) ok = false;
  if (close(fd) != 0) ok = false;
  if (ok && std::rename(tmp.c_str(), target.c_str()) != 0) ok = false;
  if (!ok) std::remove(tmp.c_str());
  return ok;
}
