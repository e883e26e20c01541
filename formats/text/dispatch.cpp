// Dispatch of records to the reader of the source format and the writer of the
// destination format, and the search for record blocks in web pages.
#include <cctype>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string_view>

#include "core/complete.h"
#include "core/encoding.h"
#include "core/jobstate.h"
#include "core/record.h"
#include "formats/text/applet.h"
#include "formats/text/dhtmlxq.h"
#include "formats/text/registry.h"
#include "formats/text/stqy.h"

const TUBBCodeRec WebBlockTags[6] = {
    {0, "[dhtmlxq]", "[/dhtmlxq]"},         {0, "[dhtmlxqhtml]", "[/dhtmlxqhtml]"},
    {0, "[dhtmlxqjava]", "[/dhtmlxqjava]"}, {0, "[dhtmlxqiframe]", "[/dhtmlxqiframe]"},
    {5, "[dhjhtmlxq]", "[/dhjhtmlxq]"},     {6, "[dhj01xqcchcodeflag]", "[/dhj01xqcchcodeflag]"},
};

// Searched in this order; the texts are compared case-sensitively.
const TCodeRec AppletClasses[7] = {
    {1, "webcchess.class"}, {2, "CCBJava.class"}, {2, "CCBJava2.class"}, {3, "javaxq.class"},
    {3, "javaxqb.class"},   {4, "JavaXQ.class"},  {7, "\"JavaXQ\""},
};

std::string FormatNames[kFormatCount];
std::string FormatIds[kFormatCount];
std::string DialogFilters[kFormatCount];

namespace {

constexpr int kPageKindCount = 8;

// Reader of each page kind: 0..2 DhtmlXQ and the applet pages that carry the
// same parameters, 3 the "beginposition" applet, 4 and 7 the "position"
// applet, 5 and 6 the STQY blocks. A kind without a reader reads nothing.
const TWebRecordReader WebReaders[kPageKindCount] = {
    ReadDhtmlXQ,              // 0 DhtmlXQ block
    ReadDhtmlXQ,              // 1 WebCchess 5 applet
    ReadDhtmlXQ,              // 2 CCBridge Java applet
    ReadBeginPositionApplet,  // 3 "beginposition" applet
    ReadPositionApplet,       // 4 "position" applet (JavaXQ.class)
    ReadStqy,                 // 5 STQY [dhjhtmlxq] block
    ReadStqy,                 // 6 STQY [dhj01xqcchcodeflag] block
    ReadPositionApplet,       // 7 "position" applet ("JavaXQ")
};

constexpr int kWebC5MoveLimit = 10000;

// Rows whose files ReadRecordFile reads; the web rows and the libraries go
// through their own paths.
bool IsFileReaderRow(uint32_t row) {
  return row == kFmtXqf || row == kFmtCbf || (row >= kFmtMxq && row <= kFmtFen);
}

bool SourceFileMissing(const std::string& path) {
  std::error_code ec;
  auto status = std::filesystem::status(path, ec);
  return ec || !std::filesystem::exists(status) || std::filesystem::is_directory(status);
}

// Stores the block whose content starts at start and whose closing text is at
// closePos (both 1-based), without the blanks and control bytes around it. A
// content of one character or none is not a record.
void AddWebItem(const std::string& text, size_t start, size_t closePos, int kind,
                TDynJavaArray& items) {
  if (closePos < 2) return;
  size_t end = closePos - 1;
  auto blank = [&](size_t pos) { return static_cast<unsigned char>(text[pos - 1]) <= 32; };
  while (start < end && blank(start)) ++start;
  while (end > start && blank(end)) --end;
  if (start >= end) return;
  if (items.capacity() == items.size()) items.reserve(items.empty() ? 63 : items.size() * 2);
  items.push_back(TWebItemRec{kind, static_cast<int32_t>(start), static_cast<int32_t>(end)});
}

void ScanApplets(int cp, const std::string& text, TDynJavaArray& items) {
  constexpr std::string_view kOpen = "<applet";
  constexpr std::string_view kClose = "</applet>";
  const size_t length = text.size();
  size_t pos = 1;
  while (pos <= length) {
    size_t open = PosTextDbcs(cp, kOpen, text, length, pos);
    if (open == 0) return;
    size_t tagEnd = PosCharDbcs(cp, '>', text, length, open + kOpen.size());
    if (tagEnd == 0) return;
    size_t close = PosTextDbcs(cp, kClose, text, length, tagEnd + 1);
    if (close == 0) return;
    for (const TCodeRec& cls : AppletClasses) {
      if (PosDbcs(cp, cls.Text, text, close - 1, open + kOpen.size()) != 0) {
        AddWebItem(text, tagEnd + 1, close, cls.Code, items);
        break;
      }
    }
    pos = close + kClose.size();
  }
}

void ScanBlocks(int cp, const std::string& text, const TUBBCodeRec& tags, TDynJavaArray& items) {
  const std::string_view openTag = tags.OpenTag, closeTag = tags.CloseTag;
  const size_t length = text.size();
  size_t pos = 1;
  while (pos <= length) {
    size_t open = PosTextDbcs(cp, openTag, text, length, pos);
    if (open == 0) return;
    size_t contentStart = open + openTag.size();
    size_t close = PosTextDbcs(cp, closeTag, text, length, contentStart);
    if (close == 0) return;
    AddWebItem(text, contentStart, close, tags.Code, items);
    pos = close + closeTag.size();
  }
}

}  // namespace

void BuildFormatStrings() {
  for (int i = 0; i < kFormatCount; ++i) {
    const TFileTypeRec& row = FileTypes[i];
    FormatNames[i] = std::string(row.Description) + " (" + row.Filter + ")";
    FormatIds[i] = row.Id;
    for (char& c : FormatIds[i]) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    DialogFilters[i] = FormatNames[i] + "|" + row.Filter;
  }
}

int FormatIndexOf(const std::string& text, int selector) {
  const std::string* list = selector == 0 ? FormatNames : selector == 1 ? FormatIds : nullptr;
  if (!list) return 0;
  for (int i = 0; i < kFormatCount; ++i)
    if (list[i] == text) return i;
  return 0;
}

bool RecogniseWebPage(std::string_view head) {
  const std::string lower = LowerAscii(head);
  if (lower.find("<applet") != std::string::npos) return true;
  for (const TUBBCodeRec& tags : WebBlockTags)
    if (lower.find(tags.OpenTag) != std::string::npos) return true;
  return false;
}

bool ReadRecordFile(TJobState& job, TChessRec& rec, const std::string& path) {
  if (!job.FromClipboard && SourceFileMissing(path)) {
    job.LogRecord(rec, SystemText("源文件不存在。") + path, kLogError);
    return false;
  }
  ResetRecord(rec, static_cast<int>(job.SrcFormat), static_cast<int>(job.DstFormat));
  if (!IsFileReaderRow(job.SrcFormat) || !FileTypes[job.SrcFormat].Reader) return false;
  bool ok = FileTypes[job.SrcFormat].Reader(job, rec, path);
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
    if (!text.empty()) {
      ScanApplets(cp, text, items);
      for (const TUBBCodeRec& tags : WebBlockTags) ScanBlocks(cp, text, tags, items);
    }
    if (items.empty()) {
      job.Log(SystemText("源棋譜不是東萍棋譜、汕頭棋院網棋譜、Java棋譜或者源棋譜代碼頁不正確。"),
              kLogError);
    } else {
      char msg[64];
      std::snprintf(msg, sizeof msg, "棋譜數量：%d", static_cast<int>(items.size()));
      job.Log(SystemText(msg), kLogPlain);
    }
    // A DhtmlXQ page with one block is read whole, so that tags written
    // outside the block count too.
    if (items.size() == 1 && items[0].Kind == 0) {
      items[0].StartPos = 1;
      items[0].EndPos = static_cast<int32_t>(text.size());
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
  if (kind < 0 || kind >= kPageKindCount || !WebReaders[kind]) return false;
  bool ok = WebReaders[kind](job, rec, path, kind, startPos, endPos, text);
  CompleteRecord(job, rec, path);
  job.EndRecordLog(rec);
  return ok;
}

int WriteRecord(TJobState& job, TChessRec& rec, const std::string& path) {
  if (job.DstFormat == kFmtWebC5 && rec.MoveCount > kWebC5MoveLimit) {
    char msg[160];
    std::snprintf(msg, sizeof msg, "總步數：%d，由于[WebCchess 5]棋譜格式的限制，只能轉換一萬步。",
                  rec.MoveCount);
    job.LogRecord(rec, SystemText(msg), kLogWarning);
    CutTree(rec, kWebC5MoveLimit);
  }
  AddRecordNotes(job, rec);
  if (job.DstFormat >= static_cast<uint32_t>(kFormatCount)) return 0;
  TRecordWriter writer = FileTypes[job.DstFormat].Writer;
  if (!writer) {
    // A destination this build cannot write must not end in a success summary.
    job.LogRecord(rec, SystemText("不支持寫入此目標棋譜格式：") + FileTypes[job.DstFormat].Id,
                  kLogError);
    return 0;
  }
  const int written = writer(job, rec, path);
  job.EndRecordLog(rec);
  return written;
}
