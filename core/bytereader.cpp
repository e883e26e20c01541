// Whole-file loading for the binary readers.
#include "core/bytereader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <exception>

#include "core/encoding.h"
#include "core/jobstate.h"

bool LoadFileBytes(const std::string& path, std::string& data, std::string& error) {
  data.clear();
  // Not blocking, so that opening a pipe with no writer returns at once and is
  // then refused as not a regular file.
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  int err = fd < 0 ? errno : 0;
  struct stat st;
  if (!err && fstat(fd, &st) != 0) err = errno;
  bool special = false;  // a pipe, a device or a socket
  if (!err && !S_ISREG(st.st_mode)) {
    special = !S_ISDIR(st.st_mode);
    err = special ? EINVAL : EISDIR;
  }
  if (!err) {
    data.reserve(static_cast<size_t>(st.st_size));
    char chunk[65536];
    for (;;) {
      const ssize_t got = read(fd, chunk, sizeof chunk);
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) err = errno;
      if (got <= 0) break;
      data.append(chunk, static_cast<size_t>(got));
    }
  }
  if (fd >= 0) close(fd);
  if (special)
    error = SystemText("不能讀取文件：") + path + SystemText(" (不是普通文件)");
  else if (err)
    error = SystemText("不能讀取文件：") + path + " (" + std::strerror(err) + ")";
  return err == 0;
}

bool ReadBinaryRecordFile(TJobState& job, TChessRec& rec, const std::string& path,
                          bool (*readData)(TJobState&, TChessRec&, std::string& data)) {
  try {
    std::string data, error;
    if (!LoadFileBytes(path, data, error)) {
      job.LogRecord(rec, error, kLogError);
      return false;
    }
    return readData(job, rec, data);
  } catch (const std::exception& e) {
    job.LogRecord(rec, e.what(), kLogError);
    return false;
  }
}
