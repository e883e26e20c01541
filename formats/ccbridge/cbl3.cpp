// CCBridge 3.0 libraries cut at their record markers into numbered .CBR files.
#include "formats/ccbridge/cbl3.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>

#include "core/encoding.h"
#include "core/jobstate.h"
#include "core/tempfiles.h"

namespace fs = std::filesystem;

namespace {

bool FileExists(const std::string& name) {
  struct stat st;
  return ::stat(name.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool FolderExists(const std::string& name) {
  struct stat st;
  return ::stat(name.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string ErrnoText(int err) { return std::string(" (") + std::strerror(err) + ")"; }

// Reads a whole file; on failure returns false with errno set.
bool ReadWholeFile(const std::string& name, std::string& data) {
  data.clear();
  const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  int err = 0;
  if (::fstat(fd, &st) != 0)
    err = errno;
  else if (!S_ISREG(st.st_mode))
    err = EISDIR;  // a pipe or a device would block the job
  if (err != 0) {
    ::close(fd);
    errno = err;
    return false;
  }
  data.reserve(static_cast<size_t>(st.st_size));
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      ::close(fd);
      errno = err;
      return false;
    }
    if (n == 0) break;
    data.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  return true;
}

std::string NameWithoutExt(const std::string& name) {
  const size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

}  // namespace

bool RecogniseCbl3(std::string_view head) { return head.starts_with("CCBridgeLibrary"); }

void FindCbrStarts(std::string_view library, int cbrFlag, std::vector<size_t>& starts) {
  starts.clear();
  const size_t length = library.size();
  starts.reserve(length / kCbl3BlockSize + 1);
  if (cbrFlag == kCbrFlagAnywhere) {
    for (size_t p = library.find(kCbrMarker); p != std::string_view::npos;
         p = library.find(kCbrMarker, p + kCbrMarker.size()))
      starts.push_back(p);
    return;
  }
  // Block starts counted back from the end: a header of any length may stand
  // before the first block.
  for (size_t p = length % kCbl3BlockSize; p + kCbl3BlockSize <= length; p += kCbl3BlockSize)
    if (library.compare(p, kCbrMarker.size(), kCbrMarker) == 0) starts.push_back(p);
}

std::string CbrFileName(const std::string& prefix, int number, int count) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%.*d", DigitCount(count), number);
  return prefix + digits + ".CBR";
}

void SplitLibrary(TCbl3SplitJob& job, const std::string& fileName, const std::string& prefix) {
  job.Log(SystemText("\r\n讀取象棋橋3.0棋庫：") + fileName);
  try {
    std::string library;
    if (!ReadWholeFile(fileName, library)) {
      job.Log(SystemText("不能讀取文件：") + fileName + ErrnoText(errno), kLogError);
      return;
    }
    if (library.empty()) {
      job.Log(SystemText("此文件的大小是零字節!"), kLogError);
      return;
    }
    std::vector<size_t> starts;
    FindCbrStarts(library, job.CbrFlag, starts);
    const int count = static_cast<int>(starts.size());
    job.Log(SystemText("棋譜數量：" + std::to_string(count)));

    for (int j = 1; j <= count; ++j) {
      if (job.Stopping()) return;
      const size_t begin = starts[static_cast<size_t>(j - 1)];
      const size_t end = j < count ? starts[static_cast<size_t>(j)] : library.size();
      const std::string name = CbrFileName(prefix, j, count);
      if (FileExists(name)) {
        if (job.ReplaceAnswer == kAnswerYes || job.ReplaceAnswer == kAnswerNo) {
          int answer =
              job.AskReplace(SystemText("文件“") + name + SystemText("”已存在，是否替換？"));
          // A closed box replaces nothing and asks again next time.
          if (answer != kAnswerYes && answer != kAnswerYesToAll && answer != kAnswerNoToAll)
            answer = kAnswerNo;
          job.ReplaceAnswer = answer;
          if (answer == kAnswerNoToAll) return;
        }
        if (job.ReplaceAnswer == kAnswerNo || job.ReplaceAnswer == kAnswerNoToAll) continue;
      }
      errno = 0;
      if (!SaveFileReplacing(name, library.substr(begin, end - begin), false)) {
        job.Log(SystemText("不能寫入文件：") + name + ErrnoText(errno), kLogError);
        return;
      }
      job.Log(SystemText("已寫棋譜到：") + name);
      job.RecordDone(j, count);
    }
  } catch (const std::exception& e) {
    job.Log(e.what(), kLogError);
  }
}

void SplitFolder(TCbl3SplitJob& job, const std::string& folder, const std::string& dest) {
  job.Log(SystemText("\r\n讀取文件夾：") + folder);
  std::vector<std::string> files;
  std::vector<std::string> folders;
  std::error_code ec;
  fs::directory_iterator it(folder, ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::error_code entryError;
    const fs::directory_entry& entry = *it;
    // Plain files only; a linked folder is not walked, so a link loop cannot
    // recurse forever.
    if (entry.is_regular_file(entryError))
      files.push_back(entry.path().filename().string());
    else if (entry.is_directory(entryError) && !entry.is_symlink(entryError))
      folders.push_back(entry.path().filename().string());
  }
  if (ec) job.Log(SystemText("不能讀取文件夾：") + folder, kLogError);
  std::sort(files.begin(), files.end());
  std::sort(folders.begin(), folders.end());

  // The outermost call counts the libraries first when someone follows the progress.
  job.BeginFiles(
      job.OnProgress && !job.InFileRun() ? CountMatchingFiles(folder, "*.CBL", job.SubDirs) : -1);
  for (const std::string& name : files) {
    if (!MatchesMask(name, "*.CBL")) continue;
    if (job.Stopping()) break;
    const std::string out = dest + NameWithoutExt(name) + "/";
    if (!FolderExists(out)) {
      std::error_code createError;
      fs::create_directories(fs::path(out).lexically_normal(), createError);
      if (!FolderExists(out)) {
        job.Log(SystemText("不能建立文件夾：") + out, kLogError);
        continue;
      }
    }
    SplitLibrary(job, folder + name, out);
    job.FileDone();
  }
  if (job.SubDirs)
    for (const std::string& name : folders) {
      if (job.Stopping()) break;
      SplitFolder(job, folder + name + "/", dest + name + "/");
    }
  job.EndFiles();
}
