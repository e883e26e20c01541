// tavrik convert. Each source is read and its records rendered first, with
// the log lines collected (phase one, on worker processes when --jobs asks for
// several); the records are then written and the lines logged source by
// source in the order of the sources (phase two, in this process). Both runs
// go through the same two phases, so names, bytes and log are the same for
// any number of workers.
#include "app/cli/convert.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>

#include "app/any2any.h"
#include "app/cli/records.h"
#include "app/dispatch.h"
#include "app/paths.h"
#include "app/settings.h"
#include "core/encoding.h"
#include "formats/text/registry.h"

namespace fs = std::filesystem;

namespace {

// How the records reach the destination.
enum class TDestKind {
  Folder,    // one file per record, named after its source
  File,      // one named file; several records are numbered
  Database,  // one file that holds every record (PGN)
  Stdout,    // every record, one after another, on standard output
};

struct TSourceItem {
  std::string Path;      // file to read, or the folder a walk enters
  std::string Shown;     // the path in the log
  std::string DestBase;  // Folder destination: folder and name without extension
  bool Folder = false;   // only logs that a walk enters this folder
  bool Walked = false;   // found by a walk: a file of no known format is passed over
};

struct TPlan {
  TDestKind Kind = TDestKind::Folder;
  std::string Destination;  // expanded; a Folder destination ends in '/'
  int Forced = -1;          // source format row, or -1 to recognise
  int SrcEncoding = -1;     // chosen source code page, or -1
  std::string Ext;          // "." + the destination format's extension
};

// "-" and the record number, zero-padded to the digits of the count; nothing
// for a source of one record.
std::string NumberSuffix(int index, int count) {
  if (count <= 1) return std::string();
  char text[32];
  std::snprintf(text, sizeof text, "-%0*d", DigitCount(count), index + 1);
  return text;
}

// A named destination file, numbered when it receives several records:
// out.xqf gives out-1.xqf, out-2.xqf, ...
std::string NumberedName(const std::string& path, int index, int count) {
  const std::string base = ChangeFileExt(path, "");
  return base + NumberSuffix(index, count) + path.substr(base.size());
}

// The sources a folder gives: its walk, each file bound to its place in the
// destination folder.
void CollectFolder(const std::string& folder, const TPlan& plan, bool recursive,
                   std::vector<TSourceItem>& items) {
  std::vector<TWalkEntry> entries;
  WalkFolder(folder, recursive, plan.Forced >= 0 ? FileTypes[plan.Forced].Filter : "", entries);
  for (const TWalkEntry& e : entries) {
    if (e.Folder)
      items.push_back(TSourceItem{e.Path, e.Path, std::string(), true, true});
    else
      items.push_back(TSourceItem{e.Path, e.Path, plan.Destination + ChangeFileExt(e.Relative, ""),
                                  false, true});
  }
}

// Phase one for one source: recognise, read every record, render each.
void ReadSource(TCliJob& job, const TSourceItem& item, const TPlan& plan) {
  if (item.Folder) {
    job.Log(SystemText("\r\n讀取文件夾：") + item.Shown);
    return;
  }
  // The first bytes tell the format and the code page of text; with both
  // given on the command line the file is read once, by its reader.
  std::string head;
  const bool needHead = plan.Forced < 0 || (plan.SrcEncoding == -1 && IsTextFormat(plan.Forced));
  const bool readable = needHead ? ReadFileHead(item.Path, head) : FileExists(item.Path);
  const int format = SourceFormatOf(item.Path, head, plan.Forced);
  if (readable && format < 0 && item.Walked) return;  // not a record file
  if (readable && !IsReadableFormat(format)) {
    job.Log(SystemText("\r\n讀取棋譜：") + item.Shown);
    if (format < 0)
      job.Log(SystemText("不能識別源棋譜格式：") + item.Shown, kLogError);
    else
      job.Log(SystemText("不支持讀取此源棋譜格式：") + FileTypes[format].Id, kLogError);
    return;
  }
  job.SrcFormat = static_cast<uint32_t>(std::max(format, 0));
  job.SrcCodePage = ChooseSourceCodePage(format, head, plan.SrcEncoding);
  job.MapFlags = MapFlagsFor(job.SrcCodePage, static_cast<int>(job.DstCodePage));
  job.Log(ReadingLine(job.SrcFormat, item.Shown));
  ReadEveryRecord(job, job.Rec, item.Path, [&](int index, int count, bool ok) {
    if (!ok) return;
    const std::string name = plan.Kind == TDestKind::Folder
                                 ? item.DestBase + NumberSuffix(index, count) + plan.Ext
                                 : plan.Destination;
    WriteRecord(job, job.Rec, name);
  });
}

TSourceResult ReadSourceCollected(TCliJob& job, const TSourceItem& item, const TPlan& plan) {
  TSourceResult result;
  job.Capture = &result;
  try {
    ReadSource(job, item, plan);
  } catch (const std::exception& e) {
    job.Log(e.what(), kLogError);
  }
  job.Capture = nullptr;
  return result;
}

bool WriteAllBytes(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

using TConsumer = std::function<void(size_t index, TSourceResult& result)>;

// Phase one on `workers` forked processes, source i on worker i mod workers;
// each result is handed to consume in source order as soon as it and all
// before it have arrived.
void ReadOnWorkers(TCliJob& job, const std::vector<TSourceItem>& items, const TPlan& plan,
                   int workers, const TConsumer& consume) {
  std::fflush(stdout);
  std::fflush(stderr);
  std::vector<int> fds;
  std::vector<pid_t> pids;
  for (int w = 0; w < workers; ++w) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) break;
    const pid_t pid = ::fork();
    if (pid < 0) {
      ::close(ends[0]);
      ::close(ends[1]);
      break;
    }
    if (pid == 0) {
      // An interrupt is the parent's to handle: it stops the workers.
      std::signal(SIGINT, SIG_IGN);
      for (int fd : fds) ::close(fd);
      ::close(ends[0]);
      for (size_t i = static_cast<size_t>(w); i < items.size(); i += static_cast<size_t>(workers)) {
        std::string message(12, '\0');
        ReadSourceCollected(job, items[i], plan).AppendTo(message);
        const uint64_t size = message.size() - 12;
        for (int b = 0; b < 4; ++b) message[b] = static_cast<char>((i >> (8 * b)) & 0xFF);
        for (int b = 0; b < 8; ++b) message[4 + b] = static_cast<char>((size >> (8 * b)) & 0xFF);
        if (!WriteAllBytes(ends[1], message)) ::_exit(1);
      }
      ::_exit(0);
    }
    ::close(ends[1]);
    fds.push_back(ends[0]);
    pids.push_back(pid);
  }
  const size_t started = fds.size();

  std::vector<std::string> buffers(started);
  std::vector<bool> open(started, true);
  std::map<size_t, TSourceResult> ready;
  size_t next = 0;
  auto workerOf = [&](size_t i) { return i % static_cast<size_t>(workers); };
  auto drain = [&]() {
    while (next < items.size() && !job.Stopping()) {
      auto it = ready.find(next);
      if (it != ready.end()) {
        consume(next, it->second);
        ready.erase(it);
      } else if (workerOf(next) >= started || !open[workerOf(next)]) {
        // The worker never started or ended without this source's result.
        TSourceResult lost;
        lost.Events.push_back(TLogEvent{SystemText("\r\n讀取棋譜：") + items[next].Shown});
        lost.Events.push_back(
            TLogEvent{SystemText("轉換進程異常結束：") + items[next].Shown, kLogError});
        consume(next, lost);
      } else {
        return;
      }
      ++next;
    }
  };

  size_t openCount = started;
  while (openCount > 0) {
    if (job.StopRequested()) {
      for (pid_t pid : pids) ::kill(pid, SIGKILL);
      break;
    }
    std::vector<pollfd> polls;
    std::vector<size_t> owners;
    for (size_t w = 0; w < started; ++w) {
      if (!open[w]) continue;
      polls.push_back(pollfd{fds[w], POLLIN, 0});
      owners.push_back(w);
    }
    if (::poll(polls.data(), polls.size(), -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (size_t k = 0; k < polls.size(); ++k) {
      if (polls[k].revents == 0) continue;
      const size_t w = owners[k];
      char chunk[65536];
      const ssize_t n = ::read(fds[w], chunk, sizeof chunk);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        open[w] = false;
        --openCount;
        continue;
      }
      std::string& buffer = buffers[w];
      buffer.append(chunk, static_cast<size_t>(n));
      size_t used = 0;
      while (buffer.size() - used >= 12) {
        uint64_t index = 0;
        uint64_t size = 0;
        for (int b = 0; b < 4; ++b)
          index |= static_cast<uint64_t>(static_cast<uint8_t>(buffer[used + b])) << (8 * b);
        for (int b = 0; b < 8; ++b)
          size |= static_cast<uint64_t>(static_cast<uint8_t>(buffer[used + 4 + b])) << (8 * b);
        if (buffer.size() - used - 12 < size) break;
        TSourceResult result;
        if (index < items.size() &&
            result.ReadFrom(std::string_view(buffer).substr(used + 12, size)))
          ready.emplace(static_cast<size_t>(index), std::move(result));
        used += 12 + size;
      }
      buffer.erase(0, used);
    }
    drain();
  }
  for (size_t w = 0; w < started; ++w) ::close(fds[w]);
  for (pid_t pid : pids) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }
  for (size_t w = 0; w < started; ++w) open[w] = false;
  drain();
}

}  // namespace

int UsageError(const std::string& command, const std::string& message) {
  std::fprintf(stderr, "tavrik %s: %s\nRun 'tavrik %s --help' for more information.\n",
               command.c_str(), message.c_str(), command.c_str());
  return 2;
}

void PrepareCliJob(TCliJob& job, const TConvertOptions& options, int dstFormat, int dstCodePage,
                   bool quiet) {
  job.Quiet = quiet;
  ApplyConvertOptions(job, options);
  job.FromClipboard = false;
  job.ToClipboard = false;
  job.SrcFormat = kFmtXqf;
  job.SrcCodePage = DefaultChineseCodePage();
  job.DstFormat = static_cast<uint32_t>(dstFormat);
  job.DstCodePage = static_cast<uint32_t>(dstCodePage);
  job.DstCodePageIndex = DestinationCodePageIndex(dstCodePage);
  job.MapFlags = MapFlagsFor(job.SrcCodePage, dstCodePage);
  job.PrepareJob();
  job.ApplyDestinationOptions();
  // Source options of the web-page and OurGame readers: the windows' defaults.
  job.DelSpace = false;
  job.TitleIncludeRound = true;
  job.TitleType = 0;
  job.XQILayout = 0;
  job.NoClobber = options.NoClobber;
}

int RunConvert(const TConvertRun& run) {
  const char* const kCommand = "convert";
  const TConvertOptions& o = run.Options;
  TPlan plan;

  // The source side.
  if (!o.From.empty()) {
    plan.Forced = SourceFormatOf(std::string(), std::string_view(), FormatOfId(o.From));
    if (!IsReadableFormat(plan.Forced))
      return UsageError(kCommand, "--from: not a readable format: " + o.From);
  }
  plan.SrcEncoding = SourceEncoding(o.FromEncoding);
  if (plan.SrcEncoding == -2)
    return UsageError(kCommand, "--from-encoding: unknown encoding: " + o.FromEncoding);
  if (plan.Forced >= 0 && FileTypes[plan.Forced].CodePages == TCodePageRule::DoubleByte &&
      (plan.SrcEncoding == kCpUtf8 || plan.SrcEncoding == kCpUtf16Le))
    return UsageError(kCommand, "--from-encoding: " + std::string(FileTypes[plan.Forced].Id) +
                                    " records are GBK or Big5");

  // The destination side.
  int dstFormat = -1;
  if (!o.To.empty()) {
    dstFormat = DestinationFormatOfId(o.To);
    if (dstFormat < 0) return UsageError(kCommand, "--to: not a writable format: " + o.To);
  }
  const std::string& dest = run.Destination;
  if (dest == "-") {
    plan.Kind = TDestKind::Stdout;
    if (dstFormat < 0) return UsageError(kCommand, "--to is needed to write to standard output");
  } else {
    const std::string full = ExpandPath(dest);
    const bool hasExt = FileNameOf(full).find('.') != std::string::npos;
    if (FolderExists(full) || dest.back() == '/' || (!hasExt && !FileExists(full))) {
      plan.Kind = TDestKind::Folder;
      plan.Destination = WithDelimiter(full);
      if (dstFormat < 0)
        return UsageError(kCommand, "--to is needed when the destination is a folder");
    } else {
      plan.Kind = TDestKind::File;
      plan.Destination = full;
      if (dstFormat < 0) dstFormat = DestinationFormatOfName(full);
      if (dstFormat < 0) {
        if (MatchesMask(full, "*.CBL"))
          return UsageError(kCommand, "libraries are built with 'tavrik library build'");
        return UsageError(kCommand, "cannot tell the format of " + dest + "; give --to");
      }
      if (dstFormat == kFmtPgn) plan.Kind = TDestKind::Database;
    }
  }
  const int dstCodePage = DestinationEncoding(o.ToEncoding, dstFormat);
  if (dstCodePage == -2)
    return UsageError(kCommand, "--to-encoding: " + o.ToEncoding + " cannot be written as " +
                                    FileTypes[dstFormat].Id);
  plan.Ext = std::string(".") + FileTypes[dstFormat].Ext;

  TCliJob job;
  PrepareCliJob(job, o, dstFormat, dstCodePage, run.Quiet);
  // A file the user named is written under that name; suffixes only on request.
  if (plan.Kind != TDestKind::Folder && job.AddMD5 == 1) job.AddMD5 = 0;

  // The sources, in order: a folder's files before its sub-folders.
  std::vector<TSourceItem> items;
  std::string tempFolder;
  for (const std::string& source : run.Sources) {
    if (source == "-") {
      const std::string path = tempFolder.empty() ? SaveStandardInput(tempFolder) : std::string();
      if (path.empty()) {
        job.Log(SystemText("不能讀取標準輸入。"), kLogError);
        continue;
      }
      items.push_back(TSourceItem{path, "-", plan.Destination + "stdin"});
      continue;
    }
    const std::string full = ExpandPath(source);
    if (FolderExists(full)) {
      if (plan.Kind == TDestKind::Folder && SameLocation(WithDelimiter(full), plan.Destination) &&
          (plan.Forced < 0 ||
           std::string_view(FileTypes[plan.Forced].Filter) == FileTypes[dstFormat].Filter)) {
        job.Log(SystemText("源文件夾和目標文件夾不能相同!"), kLogError);
        return 1;
      }
      CollectFolder(WithDelimiter(full), plan, run.Recursive, items);
    } else {
      if (plan.Kind != TDestKind::Folder && plan.Kind != TDestKind::Stdout &&
          SameLocation(full, plan.Destination)) {
        job.Log(SystemText("源文件和目標文件不能相同!"), kLogError);
        return 1;
      }
      items.push_back(
          TSourceItem{full, source, plan.Destination + ChangeFileExt(FileNameOf(full), "")});
    }
  }
  if (plan.Kind == TDestKind::Folder && !EnsureFolder(plan.Destination)) {
    job.Log(SystemText("不能建立文件夾：") + plan.Destination, kLogError);
    return 1;
  }

  // Phase two: write and log in source order.
  int written = 0;
  int fileCount = 0;
  for (const TSourceItem& item : items) fileCount += item.Folder ? 0 : 1;
  std::string database;
  std::vector<TSourceResult> held;  // File destination: named once all are read
  TChessRec written_;               // stands for the record in phase-two messages
  auto writeOne = [&](const std::string& name, const TRenderedRecord& out) {
    if (!EnsureFolder(FolderPartOf(name))) {
      job.Log(SystemText("不能建立文件夾：") + FolderPartOf(name), kLogError);
      return;
    }
    if (job.WriteOutput(written_, name, out.Preset, out.Bytes)) ++written;
  };
  auto replay = [&](TSourceResult& result, int& number, int total) {
    for (const TLogEvent& e : result.Events) {
      if (e.Output < 0) {
        job.Log(e.Text, e.Level, e.AddPrefix);
        continue;
      }
      const TRenderedRecord& out = result.Outputs[static_cast<size_t>(e.Output)];
      switch (plan.Kind) {
        case TDestKind::Folder:
          writeOne(out.Name, out);
          break;
        case TDestKind::File:
          writeOne(NumberedName(plan.Destination, number, total), out);
          ++number;
          break;
        case TDestKind::Database:
        case TDestKind::Stdout:
          AppendToDatabase(database, out.Bytes);
          ++written;
          break;
      }
    }
  };
  FollowJob(job);
  job.BeginProgress();
  job.BeginFiles(fileCount);
  int unused = 0;
  const TConsumer consume = [&](size_t index, TSourceResult& result) {
    if (plan.Kind == TDestKind::File) {
      held.push_back(std::move(result));
    } else {
      replay(result, unused, 0);
      result = TSourceResult{};
    }
    if (!items[index].Folder) job.FileDone();
  };
  const int workers = std::min<int>(std::max(run.Jobs, 1), static_cast<int>(items.size()));
  if (workers > 1) {
    ReadOnWorkers(job, items, plan, workers, consume);
  } else {
    for (size_t i = 0; i < items.size() && !job.Stopping(); ++i) {
      TSourceResult result = ReadSourceCollected(job, items[i], plan);
      consume(i, result);
    }
  }
  job.EndFiles();
  EndFollowing();
  if (plan.Kind == TDestKind::File) {
    int total = 0;
    for (const TSourceResult& r : held) total += static_cast<int>(r.Outputs.size());
    int number = 0;
    for (TSourceResult& r : held) replay(r, number, total);
  }
  if (plan.Kind == TDestKind::Database && written > 0) {
    if (!job.WriteOutput(written_, plan.Destination, database.size(), database)) written = 0;
  }
  if (plan.Kind == TDestKind::Stdout) {
    std::fwrite(database.data(), 1, database.size(), stdout);
    if (std::fflush(stdout) != 0) job.Log(SystemText("不能寫入標準輸出。"), kLogError);
  }
  if (!tempFolder.empty()) {
    std::error_code ec;
    fs::remove_all(tempFolder, ec);
  }
  job.FinishJob(written);
  if (Interrupted()) return 130;
  return job.ErrorCount > 0 || job.WarningCount > 0 ? 1 : 0;
}
