#include "app/cbl3split.h"

#include <cerrno>
#include <cstring>
#include <exception>
#include <vector>

#include "app/paths.h"
#include "core/bytereader.h"
#include "core/encoding.h"
#include "core/files.h"
#include "core/tempfiles.h"

namespace {

std::string ErrnoText(int err) { return std::string(" (") + std::strerror(err) + ")"; }

}  // namespace

void SplitLibrary(TCbl3SplitJob& job, const std::string& fileName, const std::string& prefix) {
  job.Log(SystemText("\r\n讀取象棋橋3.0棋庫：") + fileName);
  try {
    std::string library, error;
    if (!LoadFileBytes(fileName, library, error)) {
      job.Log(error, kLogError);
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
  TFolderWalk walk{job, [&job](const std::string& text, int level) { job.Log(text, level); },
                   "*.CBL", job.SubDirs,
                   [&job](const std::string& from, const std::string& name, const std::string& to) {
                     const std::string out = to + BaseNameOf(name) + "/";
                     if (!EnsureFolder(out)) {
                       job.Log(SystemText("不能建立文件夾：") + out, kLogError);
                       return -1;
                     }
                     SplitLibrary(job, from + name, out);
                     return 0;
                   }};
  WalkJobFolder(walk, folder, dest);
}
