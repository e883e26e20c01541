// Whole-file loading for the binary readers.
#include "core/bytereader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/encoding.h"

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
    // One read normally does: it asks for a byte more than the size, so a
    // short answer at or past that size is the end of the file. A file that
    // grows meanwhile is read on until its end.
    const size_t expected = static_cast<size_t>(st.st_size);
    data.resize(expected + 1);
    size_t have = 0;
    for (;;) {
      if (have == data.size()) data.resize(data.size() * 2);
      const size_t room = data.size() - have;
      const ssize_t got = read(fd, data.data() + have, room);
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) err = errno;
      if (got <= 0) break;
      have += static_cast<size_t>(got);
      if (static_cast<size_t>(got) < room && have >= expected) break;
    }
    data.resize(have);
  }
  if (fd >= 0) close(fd);
  if (special)
    error = SystemText("不能讀取文件：") + path + SystemText(" (不是普通文件)");
  else if (err)
    error = SystemText("不能讀取文件：") + path + " (" + std::strerror(err) + ")";
  return err == 0;
}
