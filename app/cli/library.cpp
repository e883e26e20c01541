// tavrik library export, build and split: the three library jobs, driven
// through the controls of their windows.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/any2any.h"
#include "app/any2cbl.h"
#include "app/cbl2any.h"
#include "app/cbl3split.h"
#include "app/cli/commands.h"
#include "app/cli/convert.h"
#include "app/cli/records.h"
#include "app/paths.h"
#include "core/encoding.h"
#include "core/tempfiles.h"
#include "core/uglobal.h"
#include "formats/text/registry.h"

namespace {

class TCliExportForm : public TCliForm<TCBL2AnyFormatForm> {};

// The any-to-CBL window reading every source in the format its content
// tells, every record of it.
class TCliBuildForm : public TCliForm<TAnyFormat2CBLForm> {
 public:
  int Forced = -1;
  int SrcEncoding = -1;
  bool TitleFromFileName = false;

  int AppendFromSource(std::string& data, const std::string& fileName) override {
    std::string head;
    ReadFileHead(fileName, head);
    const int format = SourceFormatOf(fileName, head, Forced);
    if (!IsReadableFormat(format)) {
      Log(SystemText("\r\n讀取棋譜：") + fileName);
      Log(format < 0 ? SystemText("不能識別源棋譜格式：") + fileName
                     : SystemText("不支持讀取此源棋譜格式：") + FileTypes[format].Id,
          kLogError);
      return 0;
    }
    SrcFormat = static_cast<uint32_t>(format);
    SrcCodePage = ChooseSourceCodePage(format, head, SrcEncoding);
    // Libraries hold GBK: traditional characters become simplified ones.
    MapFlags = SrcCodePage == kCpBig5 ? kMapToSimplified : 0;
    FileNameToTitle = TitleFromFileName && SourceKindOf(SrcFormat) != TSourceKind::Library;
    Log(ReadingLine(SrcFormat, fileName));
    int appended = 0;
    ReadEveryRecord(*this, Rec, fileName, [&](int, int, bool ok) {
      if (ok && AppendRecord(Rec, data)) ++appended;
    });
    return appended;
  }
};

// The any-to-CBL window has no log prefix of its own for the CBL 3.0 cut,
// which keeps its own log.
class TCliSplitJob : public TCbl3SplitJob {
 public:
  bool Quiet = false;
  int Errors = 0;

  void Log(const std::string& text, int level) override {
    std::string line = text;
    if (level == kLogError) {
      ++Errors;
      line = SystemText("[錯誤] ") + text;
    } else if (level == kLogWarning) {
      ++Errors;
      line = SystemText("[警告] ") + text;
    }
    if (!Quiet || level == kLogError) EchoLogLine(line);
  }

  int AskReplace(const std::string& text) override {
    Log(text, kLogPlain);
    return kAnswerYesToAll;
  }
};

// "1-10,15" as a set of record numbers; false when it is not such a list.
bool ParseRecordList(const std::string& text, std::vector<std::pair<int, int>>& ranges) {
  size_t p = 0;
  while (p <= text.size()) {
    size_t end = text.find(',', p);
    if (end == std::string::npos) end = text.size();
    const std::string part = TrimText(text.substr(p, end - p));
    const size_t dash = part.find('-');
    try {
      size_t used = 0;
      const int first = std::stoi(part.substr(0, dash), &used);
      if (used != (dash == std::string::npos ? part.size() : dash)) return false;
      int last = first;
      if (dash != std::string::npos) {
        const std::string tail = part.substr(dash + 1);
        last = std::stoi(tail, &used);
        if (used != tail.size()) return false;
      }
      if (first < 1 || last < first) return false;
      ranges.emplace_back(first, last);
    } catch (const std::exception&) {
      return false;
    }
    p = end + 1;
  }
  return !ranges.empty();
}

bool IsTaken(const std::vector<std::pair<int, int>>& ranges, int number) {
  if (ranges.empty()) return true;
  for (const auto& [first, last] : ranges)
    if (number >= first && number <= last) return true;
  return false;
}

}  // namespace

int RunLibraryExport(const TExportRun& run) {
  const char* const kCommand = "library export";
  const TConvertOptions& o = run.Options;
  const int dstFormat = DestinationFormatOfId(o.To);
  if (dstFormat < 0) return UsageError(kCommand, "--to: not a writable format: " + o.To);
  const int dstCodePage = DestinationEncoding(o.ToEncoding, dstFormat);
  if (dstCodePage == -2)
    return UsageError(kCommand, "--to-encoding: " + o.ToEncoding + " cannot be written as " +
                                    FileTypes[dstFormat].Id);
  std::vector<std::pair<int, int>> ranges;
  if (!run.Records.empty() && !ParseRecordList(run.Records, ranges))
    return UsageError(kCommand, "--records: not a list such as 1-10,15: " + run.Records);

  const bool toStdout = run.Destination == "-";
  const std::string dest = toStdout ? std::string() : ExpandPath(run.Destination);
  // One PGN file (or standard output) receives every record in library order.
  const bool database = toStdout || (!FolderExists(dest) && MatchesMask(dest, "*.PGN"));
  if (database && dstFormat != kFmtPgn)
    return UsageError(kCommand, "one file holds many records only as PGN; give --to pgn");
  const std::string folder = database ? FolderPartOf(dest) : WithDelimiter(dest);

  std::string records;
  int errors = 0;
  for (const std::string& library : run.Libraries) {
    TCliExportForm form;
    form.Quiet = run.Quiet;
    form.NoClobber = o.NoClobber;
    ApplyConvertOptions(form, o);
    form.rgSource.ItemIndex = TCBL2AnyFormatForm::kSourceFile;
    form.rgSourceClick();
    for (int i = 0; i < TAnyFormat2AnyFormatForm::kDestinationRowCount; ++i)
      if (TAnyFormat2AnyFormatForm::kDestinationRows[i] == dstFormat)
        form.cbbDestinationFormat.ItemIndex = i;
    form.cbbDestinationFormatChange();
    form.rgDestinationCodePage.ItemIndex = DestinationCodePageIndex(dstCodePage);
    form.ApplyMapRule();
    const int names = run.Names == "number" ? TCBL2AnyFormatForm::kNameLabel
                      : run.Names == "both" ? TCBL2AnyFormatForm::kNameTitleLabel
                                            : TCBL2AnyFormatForm::kNameTitle;
    form.rgDestinationFileName.ItemIndex = database ? TCBL2AnyFormatForm::kNameLabel : names;
    if (database) form.Database = &records;

    const std::string libraryFolder =
        database || run.Libraries.size() == 1 ? folder : folder + BaseNameOf(library) + "/";
    if (!EnsureFolder(libraryFolder)) {
      form.Log(SystemText("不能建立文件夾：") + libraryFolder, kLogError);
      ++errors;
      continue;
    }
    form.edtSource.Text = library;
    form.edtDestination.Text = libraryFolder;
    if (!form.LoadLibraryList(ExpandPath(library), true)) {
      errors += std::max(1, form.ErrorCount + form.WarningCount);
      continue;
    }
    const int loadProblems = form.ErrorCount + form.WarningCount;
    for (size_t i = 0; i < form.lstSource.Selected.size(); ++i)
      form.lstSource.Selected[i] = IsTaken(ranges, static_cast<int>(i) + 1);
    FollowJob(form);
    const bool ran = form.RunCblToAnyJob();
    EndFollowing();
    errors += loadProblems + form.ErrorCount + form.WarningCount + (ran ? 0 : 1);
    if (Interrupted()) break;
  }

  if (database && !records.empty()) {
    if (toStdout) {
      std::fwrite(records.data(), 1, records.size(), stdout);
      if (std::fflush(stdout) != 0) ++errors;
    } else {
      TCliJob writer;
      PrepareCliJob(writer, o, kFmtPgn, dstCodePage, run.Quiet);
      if (writer.AddMD5 == 1) writer.AddMD5 = 0;  // the file the user named
      TChessRec none;
      if (!writer.WriteOutput(none, dest, records.size(), records)) ++errors;
      errors += writer.ErrorCount;
    }
  }
  if (Interrupted()) return 130;
  return errors > 0 ? 1 : 0;
}

int RunLibraryBuild(const TBuildRun& run) {
  const char* const kCommand = "library build";
  TCliBuildForm form;
  form.Quiet = run.Quiet;
  if (!run.Options.From.empty()) {
    form.Forced = FormatOfId(run.Options.From);
    if (!IsReadableFormat(SourceFormatOf(std::string(), std::string_view(), form.Forced)))
      return UsageError(kCommand, "--from: not a readable format: " + run.Options.From);
  }
  form.SrcEncoding = SourceEncoding(run.Options.FromEncoding);
  form.TitleFromFileName = run.Options.TitleFromFileName;
  form.chkFileNameToTitle.Checked = run.Options.TitleFromFileName;
  form.chkLeftToRight.Checked = run.Options.Mirror;
  form.chkAddBaseInfo.Checked = run.Options.AddSummary;
  form.chkAddError.Checked = run.Options.AddErrors;

  const std::string library = ExpandPath(run.Library);
  form.edtH_Name.Text = run.Name.empty() ? BaseNameOf(library) : run.Name;
  form.edtH_URL.Text = run.Url;
  form.edtH_Creator.Text = run.Creator;
  form.edtH_CreatorEmail.Text = run.Email;
  form.mmoH_Explanation.Lines = {run.Explanation};
  const std::string& c = run.Compression;
  form.rgCompressLevel.ItemIndex = c == "stored" ? 0 : c == "fast" ? 1 : c == "best" ? 3 : 2;
  form.edtR_URL.Text = run.SetUrl;
  form.edtR_CommentatorEmail.Text = run.SetCommentatorEmail;
  form.edtR_AuthorEmail.Text = run.SetAuthorEmail;
  form.edtR_Name.Text = run.SetTitle;
  form.edtR_MatchName.Text = run.SetEvent;
  form.edtR_MatchDate.Text = run.SetDate;
  form.edtR_MatchSite.Text = run.SetSite;
  form.edtR_Red.Text = run.SetRed;
  form.edtR_Black.Text = run.SetBlack;
  form.edtR_Commentator.Text = run.SetCommentator;
  form.edtR_Author.Text = run.SetAuthor;
  const std::string& r = run.SetResult;
  form.rgR_Result.ItemIndex = r == "red"       ? 1
                              : r == "black"   ? 2
                              : r == "draw"    ? 3
                              : r == "unknown" ? 4
                                               : 0;
  // Every file is read in the format its content tells; the window's own
  // choice only has to pass the pre-checks.
  form.cbbSourceFormat.ItemIndex = 0;
  form.rgSourceCodePage.ItemIndex = 0;
  form.rgSource.ItemIndex = TAnyFormat2CBLForm::kSourceFileList;
  form.rgSourceClick();

  std::string tempFolder;
  for (const std::string& source : run.Sources) {
    if (source == "-") {
      const std::string path = tempFolder.empty() ? SaveStandardInput(tempFolder) : std::string();
      if (!path.empty()) form.lstFileName.Items.push_back(path);
      continue;
    }
    const std::string full = ExpandPath(source);
    if (!FolderExists(full)) {
      form.lstFileName.Items.push_back(full);
      continue;
    }
    std::vector<TWalkEntry> entries;
    WalkFolder(full, run.Recursive, form.Forced >= 0 ? FileTypes[form.Forced].Filter : "", entries);
    for (const TWalkEntry& e : entries) {
      std::string head;
      if (!e.Folder && (form.Forced >= 0 || (ReadFileHead(e.Path, head) &&
                                             IsReadableFormat(RecogniseFormat(e.Path, head)))))
        form.lstFileName.Items.push_back(e.Path);
    }
  }

  // A new library is made beside the old one and replaces it only when whole.
  std::string target = library;
  if (!run.Append) {
    if (FileExists(library)) {
      if (run.Options.NoClobber) {
        form.Log(SystemText("文件已存在！") + library, kLogError);
        return 1;
      }
      // Named like every temporary of ours, so that a run killed meanwhile
      // leaves nothing the next write into the folder does not remove.
      const int fd = CreateTemporaryBeside(library, target);
      if (fd < 0) {
        form.Log(SystemText("不能寫入文件：") + library, kLogError);
        return 1;
      }
      ::close(fd);
      ::unlink(target.c_str());
    }
    form.edtDestination.Text = target;
    if (!form.CreateLibrary()) return 1;
  }
  form.edtDestination.Text = target;
  FollowJob(form);
  const bool done = form.AppendToLibrary();
  EndFollowing();
  if (target != library) {
    std::error_code ec;
    if (done)
      std::filesystem::rename(target, library, ec);
    else
      std::filesystem::remove(target, ec);
    if (ec) {
      form.Log(SystemText("不能寫入文件：") + library, kLogError);
      return 1;
    }
  }
  if (!tempFolder.empty()) {
    std::error_code ec;
    std::filesystem::remove_all(tempFolder, ec);
  }
  if (Interrupted()) return 130;
  return !done || form.ErrorCount > 0 || form.WarningCount > 0 ? 1 : 0;
}

int RunLibrarySplit(const TSplitRun& run) {
  TCliSplitJob job;
  job.Quiet = run.Quiet;
  job.CbrFlag = run.Anywhere ? kCbrFlagAnywhere : kCbrFlagBlocks;
  job.SubDirs = run.Recursive;
  job.ReplaceAnswer = run.NoClobber ? kAnswerNoToAll : kAnswerYesToAll;
  const std::string dest = WithDelimiter(ExpandPath(run.Destination));
  if (!EnsureFolder(dest)) {
    job.Log(SystemText("不能建立文件夾：") + dest, kLogError);
    return 1;
  }
  FollowJob(job);
  for (const std::string& library : run.Libraries) {
    if (job.Stopping()) break;
    const std::string full = ExpandPath(library);
    if (FolderExists(full)) {
      SplitFolder(job, WithDelimiter(full), dest);
      continue;
    }
    if (!FileExists(full)) {
      job.Log(SystemText("源文件不存在。") + full, kLogError);
      continue;
    }
    const std::string prefix = run.Libraries.size() == 1 ? dest : dest + BaseNameOf(full) + "/";
    if (!EnsureFolder(prefix)) {
      job.Log(SystemText("不能建立文件夾：") + prefix, kLogError);
      continue;
    }
    SplitLibrary(job, full, prefix);
  }
  EndFollowing();
  if (Interrupted()) return 130;
  return job.Errors > 0 ? 1 : 0;
}
