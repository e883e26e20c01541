// Loading sources for the format readers and handing rendered records to the
// job's output.
#include "app/dispatch.h"

#include <exception>
#include <stdexcept>

#include "core/bytereader.h"
#include "core/complete.h"
#include "core/encoding.h"
#include "core/files.h"
#include "core/jobstate.h"
#include "core/record.h"
#include "core/sourcetext.h"
#include "core/tempfiles.h"
#include "core/uglobal.h"

namespace {

// Loads the source as the row takes it and calls the row's reader.
bool LoadAndRead(TJobState& job, TChessRec& rec, const TFileTypeRec& row, const std::string& path) {
  std::string& data = job.SourceBuffer;
  if (row.Source == TSourceKind::Bytes) {
    std::string error;
    if (!LoadFileBytes(path, data, error)) {
      job.LogRecord(rec, error, kLogError);
      return false;
    }
  } else {
    ReadSourceText(job, data, path, 0, row.TextCodePage, static_cast<int>(job.SrcCodePage),
                   job.FromClipboard);
  }
  return row.Reader(job, rec, data);
}

}  // namespace

bool ReadRecordFile(TJobState& job, TChessRec& rec, const std::string& path) {
  if (!job.FromClipboard && !FileExists(path)) {
    job.LogRecord(rec, SystemText("源文件不存在。") + path, kLogError);
    return false;
  }
  ResetRecord(rec, static_cast<int>(job.SrcFormat), static_cast<int>(job.DstFormat));
  if (job.SrcFormat >= static_cast<uint32_t>(kFormatCount)) return false;
  const TFileTypeRec& row = FileTypes[job.SrcFormat];
  if ((row.Source != TSourceKind::Bytes && row.Source != TSourceKind::Text) || !row.Reader)
    return false;
  bool ok = false;
  try {
    ok = LoadAndRead(job, rec, row, path);
  } catch (const std::exception& e) {
    job.LogRecord(rec, e.what(), kLogError);
  }
  CompleteRecord(job, rec, path);
  job.EndRecordLog(rec);
  return ok;
}

int FindWebRecords(TJobState& job, const std::string& path, std::string& text,
                   TDynJavaArray& items) {
  items.clear();
  try {
    text.clear();
    const int cp = static_cast<int>(job.DstCodePage);
    ReadSourceText(job, text, path, job.MapFlags, cp, job.SrcCodePage, job.FromClipboard);
    FindWebBlocks(cp, text, items);
    if (items.empty()) {
      job.Log(SystemText("源棋譜不是東萍棋譜、汕頭棋院網棋譜、Java棋譜或者源棋譜代碼頁不正確。"),
              kLogError);
    } else {
      job.Log(SystemText("棋譜數量：" + std::to_string(items.size())), kLogPlain);
    }
  } catch (const std::exception& e) {
    job.Log(e.what(), kLogError);
  }
  return static_cast<int>(items.size());
}

bool ReadWebRecord(TJobState& job, TChessRec& rec, const std::string& path, int kind, int startPos,
                   int endPos, const std::string& text) {
  ResetRecord(rec, static_cast<int>(job.SrcFormat), static_cast<int>(job.DstFormat));
  rec.PageKind = kind;
  // A kind without a reader leaves nothing to complete.
  if (kind < 0 || kind >= kPageKindCount) return false;
  bool ok = false;
  try {
    ok = ReadWebBlock(job, rec, kind, startPos, endPos, text);
  } catch (const std::exception& e) {
    job.LogRecord(rec, e.what(), kLogError);
  }
  CompleteRecord(job, rec, path);
  job.EndRecordLog(rec);
  return ok;
}

int WriteRecord(TJobState& job, TChessRec& rec, const std::string& path) {
  if (job.DstFormat >= static_cast<uint32_t>(kFormatCount)) {
    AddRecordNotes(job, rec);
    return 0;
  }
  const TFileTypeRec& row = FileTypes[job.DstFormat];
  if (row.BeforeWrite) row.BeforeWrite(job, rec);
  AddRecordNotes(job, rec);
  if (!row.Writer) {
    // A destination this build cannot write must not end in a success summary.
    job.LogRecord(rec, SystemText("不支持寫入此目標棋譜格式：") + row.Id, kLogError);
    return 0;
  }
  int written = 0;
  try {
    std::string& out = job.RenderBuffer;
    const size_t size = row.Writer(job, rec, out);
    written = job.WriteOutput(rec, path, size, out) ? 1 : 0;
  } catch (const std::exception& e) {
    job.LogRecord(rec, e.what(), kLogError);
  }
  job.EndRecordLog(rec);
  return written;
}

bool OpenLibrary(TJobState& job, const std::string& fileName, int which, TLibraryData& lib) {
  lib = TLibraryData{};
  if (!FileExists(fileName)) {
    ReportLibraryProblem(
        job, which,
        SystemText(which == kLibrarySource ? "源文件不存在。" : "目標文件不存在。") + fileName);
    return false;
  }
  std::string file, error;
  if (!LoadFileBytes(fileName, file, error)) {
    ReportLibraryProblem(job, which, error);
    return false;
  }
  return OpenLibraryBytes(job, file, which, lib);
}

bool ReadLibraryHeader(TJobState& job, const std::string& fileName, TLibraryData& lib) {
  return OpenLibrary(job, fileName, kLibrarySource, lib) && ParseLibraryHeader(job, lib);
}

void WriteLibraryFile(TJobState&, std::string_view data, int32_t compression,
                      const std::string& fileName, int32_t dataSize) {
  const std::string file = RenderLibraryFile(data, compression, dataSize);
  // Flushed before the rename: the library may hold a great many records.
  if (!SaveFileReplacing(fileName, file, true))
    throw std::runtime_error(SystemText("不能寫入文件：") + fileName);
}
